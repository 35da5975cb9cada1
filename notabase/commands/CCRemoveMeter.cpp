#include "notabase/commands/CCRemoveMeter.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/RefPtr.h"

PLAT_IMPLEMENT_DYNCREATE(CCRemoveMeter, CCRemove)

CCRemoveMeter::CCRemoveMeter() = default;

CCRemoveMeter::CCRemoveMeter(ECMeter* meter)
{
    CCRemoveMeter::Remove(meter);
}

CCRemoveMeter::~CCRemoveMeter() = default;

int CCRemoveMeter::GetCommandId()
{
    return CommandIds::CCRemoveMeter;
}

void CCRemoveMeter::Remove(MCEventList* elements)
{
    CCRemove::Remove(elements);
}

CCRemoveItem* CCRemoveMeter::Remove(ECBase* element)
{
    auto* meter = plat::dynamicDowncast<ECMeter>(element);
    if (!meter)
        return CCRemove::Remove(element);
    if (m_infos[0])
        return nullptr;
    m_infos[0] = std::make_unique<CCMeterInfo>(meter);
    m_infos[0]->SetRemove(1);
    Remove(&meter->GetMirrors());
    return nullptr;
}

int CCRemoveMeter::Prepare()
{
    if (!CCBase::Prepare())
        return 0;
    return takeNeighbours();
}

int CCRemoveMeter::Process()
{
    if (!CCRemove::Process())
        return 0;
    // An earlier command of the same run may have moved the meter, removed it or changed the
    // meters around it since Prepare.
    const int found = takeNeighbours();
    startProcess();
    if (found)
        DoRemoveMeter();
    return 1;
}

int CCRemoveMeter::takeNeighbours()
{
    dropNeighbours();
    ECMeterEnv* map = meterMap(*this);
    ECMeter* meter = GetMeter(0);
    // A meter the map does not hold has no stretch to re-bar.
    if (!map || !meter || map->GetIndexForPoint(meter) < 0)
        return 0;
    m_infos[0] = std::make_unique<CCMeterInfo>(meter);
    m_infos[0]->SetRemove(1);
    ECMeter* earlier = GetConductor()->GetMeterBeforeTime(GetMeterTime(0));
    // The first meter of a piece stays, unless this undoes its adding.
    if (!earlier)
        return undoStep() ? 1 : 0;
    m_infos[1] = std::make_unique<CCMeterInfo>(earlier);
    // Two places on: past the removed meter.
    if (auto* next = static_cast<ECMeter*>(map->GetPointAtIndex(map->GetIndexForPoint(earlier) + 2)))
        takeFollower(next, *earlier == *next);
    return 1;
}

void CCRemoveMeter::DoRemoveMeter()
{
    ECMeter* meter = GetMeter(0);
    if (!meter)
        return;
    if (!m_infos[1]) {
        // An undo of a meter added with none in force before it: no bar changed length then.
        if (undoStep())
            meter->RemoveFromParents();
        return;
    }
    MCTime scopeStart;
    MCTime scopeEnd;
    GetConductor()->GetMeterScope(meter, scopeStart, scopeEnd);
    if (scopeStart == MCTime::TimeNull())
        return;
    const MCTime start = GetMeterTime(0);
    const MCTime newLength = GetMeterDuration(1);
    const MCTime oldLength = GetMeterDuration(0);
    const MCTime adjustEnd = rebar(*this, start, scopeEnd, GetMeter(1), newLength, oldLength, false);
    meter->RemoveFromParents();
    adjustChildren(*this, start, adjustEnd, oldLength > newLength ? 1 : 0);
}

int CCRemoveMeter::Finish()
{
    if (!CCBase::Finish())
        return 0;
    removeEqualFollower(*this);
    keepAddedBars();
    return 1;
}

void CCRemoveMeter::Undo()
{
    undoFollowerRemoval(*this);
    if (ECMeter* meter = GetMeter(0)) {
        auto* restore = new CCAddMeter;
        restore->Add(meter, m_conductorStaff ? m_conductorStaff->GetMeterEnv() : nullptr, FCMidi::MidiNull());
        applyInverse(*this, restore, restore);
    }
    // The mirrors go back under the measures they were taken from.
    const plat::RefPtr<CCAdd> mirrors(new CCAdd);
    for (auto item = GetItems().rbegin(); item != GetItems().rend(); ++item) {
        if ((*item)->GetParent())
            mirrors->Add((*item)->GetChild(), (*item)->GetParent(), FCMidi::MidiNull());
    }
    if (!mirrors->GetItems().empty())
        applyInverse(*this, mirrors.get(), nullptr);
    dropAppendedBars(*this);
    dropNeighbours();
}
