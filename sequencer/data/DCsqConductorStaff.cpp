#include "sequencer/data/DCsqConductorStaff.h"

#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/transport/CSequence.h"

#include <memory>
#include <new>

PLAT_IMPLEMENT_SERIAL(DCsqConductorStaff, DCsqStaff, plat::kVersionableSchema | 2)

int DCsqConductorStaff::GetClassType() const
{
    return SeqClassType::ConductorStaff;
}

int DCsqConductorStaff::GetTrackType() const
{
    return 0;
}

ECEnvelope* DCsqConductorStaff::GetEnvelope(int type, unsigned long /*flags*/, int /*voice*/, int /*a*/, int /*b*/)
{
    auto* staff = plat::dynamicDowncast<ECConductorStaff>(GetOwner());
    if (!staff)
        return nullptr;
    if (type == envelopeMeter)
        return staff->GetMeterEnv();
    if (type == envelopeTempo)
        return staff->GetTempoEnv();
    return nullptr;
}

int DCsqConductorStaff::GetEnvelopes(MCEventList& list, int type, unsigned long flags, int voice)
{
    ECEnvelope* envelope = GetEnvelope(type, flags, voice, 0, 0);
    if (!envelope)
        return 0;
    list.AddTail(envelope);
    return 1;
}

void DCsqConductorStaff::AddTempoEvent(const MCTime& time, float value, CSeqEventList& list)
{
    plat::RefPtr<ECTempo> tempo(new (std::nothrow) ECTempo(1, MCTime(0.0f)));
    if (!tempo)
        return;
    tempo->SetTime(&time);
    tempo->SetValue(value);
    auto* data = plat::dynamicDowncast<DCsqTempo>(tempo->GetData(0, 1));
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!data || !event)
        return;
    event->SetMetaEvent(data, time, this);
    list.push_back(std::move(event));
    m_exportTempos.push_back(std::move(tempo));
}

void DCsqConductorStaff::GetEnvelopeData(const MCTime& from, const MCTime& to, CSeqEventList& list)
{
    CSequence* sequence = GetSequence();
    if (!sequence || !sequence->TestState(CSequence::stateMidiWriting) || sequence->IgnoreTrack(OwnerTrack())) {
        m_exportTempos.clear();
        return;
    }
    auto* staff = plat::dynamicDowncast<ECConductorStaff>(GetOwner());
    ECEnvelope* tempoMap = staff ? staff->GetTempoEnv() : nullptr;
    if (!tempoMap)
        return;
    if (from == MCTime(0.0f)) {
        // The marks made so far stay: a window gathered from the start again (after a mark
        // there, or a repeat back to it) leaves the events of the earlier gather queued.
        float value = 0.0f;
        tempoMap->GetValue(from, value, 0);
        AddTempoEvent(from, value, list);
    }
    std::vector<EVALUE> values;
    tempoMap->GetValues(from, to, 1.0f, values, 0);
    for (const EVALUE& change : values)
        AddTempoEvent(change.time, change.value, list);
}
