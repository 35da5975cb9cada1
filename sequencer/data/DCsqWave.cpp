#include "sequencer/data/DCsqWave.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECWave.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/events/CSeqEvent.h"
#include "sequencer/transport/CSequence.h"

#include <memory>

PLAT_IMPLEMENT_SERIAL(DCsqWave, DCsqBase, plat::kVersionableSchema | 2)

DCsqWave& DCsqWave::operator=(const DCsqWave& other)
{
    if (this != &other) {
        DCsqBase::operator=(other);
        m_params = other.m_params;
    }
    return *this;
}

void DCsqWave::Serialize(plat::Archive& archive)
{
    DCsqBase::Serialize(archive);
    if (archive.isStoring()) {
        archive << m_params.pan << m_params.volume << m_params.frequency;
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) >= 2)
        archive >> m_params.pan >> m_params.volume >> m_params.frequency;
}

DCBase* DCsqWave::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqWave>(other))
        *this = *data;
    return this;
}

int DCsqWave::GetClassType() const
{
    return SeqClassType::Wave;
}

void DCsqWave::GetEventData(CSeqEventList& list, CSequence* sequence)
{
    if (!sequence || sequence->TestState(CSequence::stateMidiWriting))
        return;
    auto* clip = plat::dynamicDowncast<ECWave>(GetOwner());
    if (!clip)
        return;
    auto* track = plat::dynamicDowncast<DCsqWaveTrack>(DCsqTrack::GetTrackData(clip, ECConductor::waveTrack, sequence));
    if (!track)
        return;
    const MCVoiceTrack* word = clip->GetVoiceTrack();
    auto params = std::make_unique<WG_WaveParams>();
    params->tag = sequence->GetPerformTag();
    params->track = word ? word->GetTrack() : MCVoiceTrack::noTrack;
    params->params = track->GetDSParams();
    // The record made of the event keeps its own copy of the name.
    params->fileName = clip->GetFileName().c_str();
    // The player prepared ahead, when it is ready; else the output prepares one when the event
    // reaches it, a latency before the clip's time. The output owns a player it is handed.
    CWavePlay* prepared = sequence->GetWavePrefetchMgr().GetWavePlayObj(clip, 1);
    params->player = prepared ? prepared->GetHandle() : 0;
    auto event = std::make_unique<CSeqEvent>();
    const MCTime* time = clip->GetTime();
    event->SetWaveParamEvent(params.release(), clip, track, time ? *time : MCTime::TimeZero(),
                             word ? *word : MCVoiceTrack());
    list.push_back(std::move(event));
}
