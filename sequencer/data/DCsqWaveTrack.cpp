#include "sequencer/data/DCsqWaveTrack.h"

#include "notabase/model/ECPerformanceBase.h"
#include "platform/core/Archive.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(DCsqWaveTrack, DCsqTrack, plat::kVersionableSchema | 2)

namespace {

// A word of the player's parameters, in hundredths; held to the widest range a player takes
// so that no gain can overflow it.
int32_t parameterWord(float value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<int32_t>(std::lround(std::clamp(value, -10000.0f, 10000.0f)));
}

}  // namespace

void DCsqWaveTrack::Serialize(plat::Archive& archive)
{
    DCsqTrack::Serialize(archive);
    if (archive.isStoring()) {
        archive << m_frequency << m_params.pan << m_params.volume << m_params.frequency;
        return;
    }
    if (ECPerformanceBase::GetActiveVersion(archive) < 2)
        return;
    archive >> m_frequency >> m_params.pan >> m_params.volume >> m_params.frequency;
    m_frequency = std::isnan(m_frequency) ? 0.0f : std::clamp(m_frequency, -1.0f, 1.0f);
}

DCBase* DCsqWaveTrack::Copy(plat::Object* other)
{
    if (auto* data = plat::dynamicDowncast<DCsqWaveTrack>(other))
        *this = *data;
    else if (auto* track = plat::dynamicDowncast<DCsqTrack>(other))
        DCsqTrack::operator=(*track);
    return this;
}

int DCsqWaveTrack::GetClassType() const
{
    return SeqClassType::WaveTrack;
}

int DCsqWaveTrack::GetTrackType() const
{
    return 2;
}

void DCsqWaveTrack::SetTrackGain(float gain)
{
    DCsqTrack::SetTrackGain(gain);
    const float factor = MasterGain() * GetTrackGain();
    m_params.volume = IsActive() ? parameterWord((factor - 1.0f) * 5000.0f) : kSilent;
    ApplyWaveParams();
}

void DCsqWaveTrack::SetTrackPan(float pan)
{
    DCsqTrack::SetTrackPan(pan);
    m_params.pan = parameterWord(GetTrackPan() * 10000.0f);
    ApplyWaveParams();
}

void DCsqWaveTrack::SetTrackFrequency(float frequency)
{
    m_frequency = std::isnan(frequency) ? 0.0f : std::clamp(frequency, -1.0f, 1.0f);
    m_params.frequency = parameterWord(m_frequency * 10000.0f);
    ApplyWaveParams();
}

void DCsqWaveTrack::SetActive(int active)
{
    DCsqTrack::SetActive(active);
    SetTrackGain(GetTrackGain());
}

void DCsqWaveTrack::ApplyWaveParams() const
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return;
    WG_WaveParams params;
    params.tag = GetSequence() ? GetSequence()->GetPerformTag() : 0;
    params.track = OwnerTrack();
    params.params = m_params;
    wavegate->SetWaveParams(&params);
}
