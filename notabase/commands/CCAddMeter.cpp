#include "notabase/commands/CCAddMeter.h"

#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Trace.h"

PLAT_IMPLEMENT_DYNCREATE(CCAddMeter, CCAdd)

CCAddMeter::CCAddMeter() = default;

CCAddMeter::CCAddMeter(ECMeter* meter)
{
    CCAddMeter::Add(meter, nullptr, FCMidi::MidiNull());
}

CCAddMeter::~CCAddMeter() = default;

int CCAddMeter::GetCommandId()
{
    return CommandIds::CCAddMeter;
}

CCAddItem* CCAddMeter::Add(ECBase* child, ECBase* parent, const FCMidi& data)
{
    auto* meter = plat::dynamicDowncast<ECMeter>(child);
    if (m_infos[0] || !meter)
        return nullptr;
    m_infos[0] = std::make_unique<CCMeterInfo>(meter);
    return CCAdd::Add(child, parent, data);
}

int CCAddMeter::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    takeNeighbours();
    return 1;
}

int CCAddMeter::Process()
{
    if (!CCBase::Process())
        return 0;
    // An earlier command of the same run may have changed the meter map since Prepare.
    takeNeighbours();
    startProcess();
    DoAddMeter();
    return 1;
}

void CCAddMeter::placeOnBarLine()
{
    ECMeter* meter = GetMeter(0);
    if (!meter || !m_conductorStaff || !meter->GetTime())
        return;
    // Past the last bar there is no bar line to keep: the bars appended there take the meter.
    const MCTime at = *meter->GetTime();
    if (at < MCTime::TimeZero() || !(at < m_conductorStaff->GetMaxMeasureEndTime()))
        return;
    ECBase* bar = m_conductorStaff->GetMeasure(0, m_conductorStaff->GetMeasureNumberAtTime(at));
    if (!bar || !bar->GetTime() || *bar->GetTime() == at)
        return;
    const MCTime start = *bar->GetTime();
    meter->SetTime(&start);
    m_infos[0]->GetTime() = start;
}

void CCAddMeter::takeNeighbours()
{
    dropNeighbours();
    ECMeterEnv* map = meterMap(*this);
    placeOnBarLine();
    ECMeter* old = map ? GetConductor()->GetMeterAtTime(GetMeterTime(0)) : nullptr;
    if (!old || !m_infos[0])
        return;
    m_infos[1] = std::make_unique<CCMeterInfo>(old);
    if (auto* next = static_cast<ECMeter*>(map->GetPointAtIndex(map->GetIndexForPoint(old) + 1)))
        takeFollower(next, *GetMeter(0) == *next);
    if (GetMeterTime(1) == GetMeterTime(0))
        m_infos[1]->SetRemove(1);
}

void CCAddMeter::DoAddMeter()
{
    if (!m_infos[0]) {
        plat::trace("CCAddMeter::DoAddMeter -- No new meter (redundant?)\n");
        return;
    }
    ECMeter* meter = GetMeter(0);
    ECMeter* old = GetMeter(1);
    ECMeterEnv* map = m_conductorStaff->GetMeterEnv();
    if (!old || *old == *meter) {
        // No bar changes length.
        if (map->AddChild(meter, 1))
            return;
        // The map already has a meter at that time: the command is emptied and does nothing.
        for (size_t i = 0; i < GetItems().size(); ++i) {
            if (GetItems()[i]->GetChild() == meter) {
                DropItem(i);
                break;
            }
        }
        m_infos[1].reset();
        m_infos[2].reset();
        m_infos[0].reset();
        return;
    }

    MCTime scopeStart;
    MCTime scopeEnd;
    GetConductor()->GetMeterScope(old, scopeStart, scopeEnd);
    if (scopeStart == MCTime::TimeNull()) {
        // The old meter left the map after Prepare (an earlier command of the same run): there
        // is no stretch of it to re-bar.
        map->AddChild(meter, 1);
        return;
    }
    const MCTime start = GetMeterTime(0);
    const MCTime newLength = GetMeterDuration(0);
    const MCTime oldLength = GetMeterDuration(1);
    const MCTime adjustEnd = rebar(*this, start, scopeEnd, meter, newLength, oldLength, true);
    if (m_infos[1]->ShouldRemove())
        old->RemoveFromParents();
    map->AddChild(meter, 1);
    adjustChildren(*this, start, adjustEnd, newLength > oldLength ? 1 : 0);
}

int CCAddMeter::Finish()
{
    if (!CCBase::Finish())
        return 0;
    removeEqualFollower(*this);
    keepAddedBars();
    return 1;
}

void CCAddMeter::Undo()
{
    undoFollowerRemoval(*this);
    // One after the other, so that each takes its snapshots from the graph the one before left.
    if (m_infos[1] && m_infos[1]->ShouldRemove()) {
        auto* replaced = new CCAddMeter;
        replaced->Add(GetMeter(1), m_conductorStaff->GetMeterEnv(), FCMidi::MidiNull());
        applyInverse(*this, replaced, replaced);
    } else if (m_infos[0]) {
        auto* remove = new CCRemoveMeter(GetMeter(0));
        applyInverse(*this, remove, remove);
    }
    dropAppendedBars(*this);
    dropNeighbours();
}
