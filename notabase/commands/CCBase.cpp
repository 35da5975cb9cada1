#include "notabase/commands/CCBase.h"

#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECMirror.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/MCEventList.h"
#include "notabase/model/MCMirrored.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCBase, plat::Object)

namespace {

constexpr uint32_t kPhaseMask = 0xF000u;
constexpr uint32_t kCountMask = 0xFFFF0000u;

}  // namespace

CCBase::CCBase() : m_flags(kCanUndo) {}

CCBase::~CCBase() = default;

unsigned short CCBase::Ref()
{
    const uint32_t count = ((m_flags >> 16) + 1) & 0xFFFFu;
    m_flags = (m_flags & ~kCountMask) | (count << 16);
    return static_cast<unsigned short>(count);
}

unsigned short CCBase::Unref(int deleteAtZero)
{
    uint32_t count = m_flags >> 16;
    if (count > 0) {
        --count;
        m_flags = (m_flags & ~kCountMask) | (count << 16);
    }
    if (deleteAtZero && count == 0) {
        delete this;
        return 0;
    }
    return static_cast<unsigned short>(count);
}

unsigned short CCBase::GetRefCount() const
{
    return static_cast<unsigned short>(m_flags >> 16);
}

void CCBase::SetCommandPhase(int phase)
{
    m_flags = (m_flags & ~kPhaseMask) | ((static_cast<uint32_t>(phase) & 0xFu) << 12);
}

MCEventList& CCBase::discardList()
{
    if (!m_discardList)
        m_discardList = std::make_unique<MCEventList>(10);
    return *m_discardList;
}

void CCBase::Discard(ECBase* element)
{
    if (!element)
        return;
    MCEventList& list = discardList();
    if (!list.Find(element))
        list.AddTail(element);
}

void CCBase::Discard(MCEventList* elements)
{
    MCEventList& list = discardList();
    if (!elements)
        return;
    // Elements already listed are skipped, not taken as the end of the walk: lists that
    // overlap only in part must still have all their elements discarded.
    for (ECBase* element : *elements) {
        if (!list.Find(element))
            list.AddTail(element);
    }
}

void CCBase::DiscardMirrors(ECBase* element)
{
    if (MCMirrored* mirrored = MCMirrored::Of(element))
        Discard(&mirrored->GetMirrors());
}

int CCBase::GetCommandId()
{
    return CommandIds::CCBase;
}

int CCBase::Apply(ECPerformanceBase* performance)
{
    return MCCommandMgr::ApplyCommand(this, performance);
}

int CCBase::Prepare()
{
    m_conductor = m_target ? plat::dynamicDowncast<ECConductor>(m_target->FindConductor()) : nullptr;
    return m_conductor ? 1 : 0;
}

int CCBase::Process()
{
    ProcessDiscardList();
    return 1;
}

int CCBase::Finish()
{
    return 1;
}

void CCBase::Abort() {}

void CCBase::Undo() {}

void CCBase::ProcessDiscardList()
{
    if (!m_discardList)
        return;
    for (ECBase* element : *m_discardList) {
        if (auto* mirror = plat::dynamicDowncast<ECMirror>(element))
            mirror->SetMirrorEvent(nullptr, 1);
        const plat::RefPtr<ECBase> held(element);
        element->RemoveFromParents();
        element->RemoveChildren(0);
    }
    m_discardList.reset();
}
