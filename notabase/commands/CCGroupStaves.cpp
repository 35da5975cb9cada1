#include "notabase/commands/CCGroupStaves.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/RefPtr.h"

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CCGroupStaves, CCEdit)

CCGroupStaves::~CCGroupStaves() = default;

int CCGroupStaves::GetCommandId()
{
    return CommandIds::CCGroupStaves;
}

CCEditItem* CCGroupStaves::EditEvent(ECBase*)
{
    return nullptr;
}

void CCGroupStaves::GroupStaves(int first, int last, int kind)
{
    m_mode = modeGroup;
    m_firstStaff = first;
    m_lastStaff = last;
    m_groupKind = kind;
    m_group = -1;
}

void CCGroupStaves::UngroupStaves(int group)
{
    m_mode = 0;
    m_groupKind = -1;
    m_firstStaff = 0;
    m_lastStaff = 0x7FFFFFFF;
    m_group = group;
}

int CCGroupStaves::Prepare()
{
    if (!CCEdit::Prepare())
        return 0;
    m_conductorStaff = plat::dynamicDowncast<ECConductorStaff>(
        GetConductor()->GetTrack(ECConductor::conductorTrack, 0, 1));
    if (!m_conductorStaff)
        return 0;
    if (IsGrouping()) {
        const int count = GetConductor()->GetMaxTrackNumber(ECConductor::staffTrack);
        m_firstStaff = std::clamp(m_firstStaff, 0, count);
        m_lastStaff = std::clamp(m_lastStaff, 0, count);
    }
    return 1;
}

int CCGroupStaves::Process()
{
    if (!CCEdit::Process())
        return 0;
    m_before = m_conductorStaff->GetGroup();
    if (IsGrouping()) {
        m_conductorStaff->GroupStaves(m_firstStaff, m_lastStaff, m_groupKind, m_group);
    } else {
        m_conductorStaff->GetGroupInfo(m_group, m_firstStaff, m_lastStaff, m_groupKind);
        m_conductorStaff->RemoveGroup(m_group);
    }
    if (m_restore)
        m_conductorStaff->GetGroup() = *m_restore;
    return 1;
}

void CCGroupStaves::Undo()
{
    plat::RefPtr<CCGroupStaves> inverse(new CCGroupStaves);
    inverse->SetSynchronous(IsSynchronous());
    if (IsGrouping())
        inverse->UngroupStaves(m_group);
    else
        inverse->GroupStaves(m_firstStaff, m_lastStaff, m_groupKind);
    inverse->m_restore = m_before;
    inverse->Apply(GetTarget());
}
