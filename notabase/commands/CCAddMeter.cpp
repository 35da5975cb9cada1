#include "notabase/commands/CCAddMeter.h"

#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Trace.h"

#include <cmath>

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
    ECConductor* conductor = GetConductor();
    if (!meter || !meter->GetTime() || !conductor)
        return;
    // The bar lines come from the meter in force, not from the measures: while a file loads,
    // meters arrive one after another before the measures follow them.
    const MCTime at = *meter->GetTime();
    ECMeter* inForce = conductor->GetMeterAtTime(at);
    if (at < MCTime::TimeZero() || !inForce || !inForce->GetTime())
        return;
    const float length = inForce->GetMeasureLength();
    const float from = inForce->GetTime()->GetSeconds();
    if (!(length > 0.0f) || at.GetSeconds() < from)
        return;
    // A time a float step short of a bar line is on it.
    const float bars = std::floor((at.GetSeconds() - from) / length + 1.0e-4f);
    const MCTime start(from + bars * length);
    if (start == at)
        return;
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
