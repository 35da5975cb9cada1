#include "notabase/commands/MCMeterRebar.h"

#include "notabase/actions/ACDeltaTime.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/commands/CCAdjustMeasureChildren.h"
#include "notabase/commands/CCBase.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/core/RefPtr.h"

MCMeterRebar::MCMeterRebar() = default;

MCMeterRebar::~MCMeterRebar() = default;

CCMeterInfo* MCMeterRebar::GetMeterInfo(int i) const
{
    return i >= 0 && i < 3 ? m_infos[i].get() : nullptr;
}

ECMeter* MCMeterRebar::GetMeter(int i) const
{
    const CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetMeter() : nullptr;
}

const MCTime& MCMeterRebar::GetMeterTime(int i) const
{
    CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetTime() : MCTime::TimeNull();
}

const MCTime& MCMeterRebar::GetMeterDuration(int i) const
{
    CCMeterInfo* info = GetMeterInfo(i);
    return info ? info->GetDuration() : MCTime::TimeNull();
}

ECMeterEnv* MCMeterRebar::meterMap(CCBase& command)
{
    ECConductor* conductor = command.GetConductor();
    m_conductorStaff = conductor ? conductor->GetConductorStaff() : nullptr;
    return m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr;
}

void MCMeterRebar::dropNeighbours()
{
    m_infos[1].reset();
    m_infos[2].reset();
}

void MCMeterRebar::takeFollower(ECMeter* follower, bool equal)
{
    m_infos[2] = std::make_unique<CCMeterInfo>(follower);
    m_infos[2]->SetRemove(equal && !m_undoStep ? 1 : 0);
}

MCTime MCMeterRebar::rebar(CCBase& command, const MCTime& from, const MCTime& to, const MCTime& newLength,
                           const MCTime& oldLength, bool fromOldEnd)
{
    ECConductor* conductor = command.GetConductor();
    MCEventList bars(10);
    conductor->GetMeasures(0, from, to, bars);
    MCTime delta = newLength - oldLength;
    delta *= static_cast<float>(bars.GetCount());
    if (delta != MCTime::TimeZero()) {
        ACDeltaTime shift(delta, to, MCTime::TimeMax(), ACFindTime::openEnd);
        shift.Apply(command.GetTarget());
        m_conductorStaff->MoveEndTime(delta);
    }

    MCTime t = from;
    for (ECBase* bar : bars) {
        static_cast<ECConductorMeasure*>(bar)->SetMeasureTime(&t);
        t += newLength;
    }
    ACSortChildren sort(3);
    sort.AddEvtType(EventId::ConductorStaff);
    sort.AddEvtType(EventId::Staff);
    sort.AddEvtType(EventId::WaveTrack);
    sort.SetDepth(1);
    sort.Apply(conductor);
    m_conductorStaff->RecalculateMaps();

    MCTime end = fromOldEnd ? to : t;
    if (delta > MCTime::TimeZero())
        end += delta;
    return end;
}

void MCMeterRebar::adjustChildren(CCBase& command, const MCTime& start, const MCTime& end, int reverse)
{
    plat::RefPtr<CCAdjustMeasureChildren> adjust(new CCAdjustMeasureChildren);
    MCTime from = start;
    MCTime to = end;
    adjust->SetTimeRange(from, to);
    adjust->SetReverse(reverse);
    adjust->SetSynchronous(1);
    // Part of this command: undoing this command undoes it too.
    adjust->SetCanUndo(0);
    adjust->Apply(command.GetTarget());
    m_insertLocation = adjust->GetMeasureInsertLocation();
    m_insertCount = adjust->GetMeasureInsertCount();
}

void MCMeterRebar::removeEqualFollower(CCBase& command)
{
    const CCMeterInfo* follower = m_infos[2].get();
    if (!follower || !follower->ShouldRemove())
        return;
    // Another command of the same run may have taken it out already.
    ECMeterEnv* map = m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr;
    if (!map || map->GetIndexForPoint(follower->GetMeter()) < 0)
        return;
    m_followerRemoval.reset(new CCRemoveMeter(follower->GetMeter()));
    m_followerRemoval->SetSynchronous(1);
    // Not an undo step of its own: this command's undo undoes it first.
    m_followerRemoval->SetCanUndo(0);
    m_followerRemoval->Apply(command.GetTarget());
}

void MCMeterRebar::undoFollowerRemoval(CCBase& command)
{
    const plat::RefPtr<CCRemoveMeter> removal = std::move(m_followerRemoval);
    if (!removal)
        return;
    removal->SetSynchronous(command.IsSynchronous());
    removal->Undo();
}

void MCMeterRebar::applyInverse(CCBase& command, CCBase* inverse, MCMeterRebar* meterPart)
{
    const plat::RefPtr<CCBase> held(inverse);
    if (meterPart)
        meterPart->m_undoStep = true;
    inverse->SetSynchronous(command.IsSynchronous());
    inverse->SetCanUndo(0);
    inverse->Apply(command.GetTarget());
}
