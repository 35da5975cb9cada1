#include "sequencer/data/DCsqStaff.h"

#include "wavegate/CWavegate.h"

#include <algorithm>
#include <array>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(DCsqStaff, DCsqTrack, plat::kVersionableSchema | 2)

int DCsqStaff::GetClassType() const
{
    return SeqClassType::Staff;
}

int DCsqStaff::GetTrackType() const
{
    return 1;
}

void DCsqStaff::SetTrackGain(float gain)
{
    DCsqTrack::SetTrackGain(gain);
    m_gainFactor = MasterGain() * GetTrackGain();
    SendController(controllerVolume, 127.0f, m_gainFactor, 0.0f);
}

void DCsqStaff::SetTrackPan(float pan)
{
    DCsqTrack::SetTrackPan(pan);
    SendController(controllerPan, 64.0f, 1.0f, GetTrackPan() * 64.0f);
}

void DCsqStaff::SetTrackChorus(float chorus)
{
    DCsqTrack::SetTrackChorus(chorus);
    SendController(controllerChorus, 0.0f, 1.0f, GetTrackChorus() * 127.0f);
}

void DCsqStaff::SetTrackReverb(float reverb)
{
    DCsqTrack::SetTrackReverb(reverb);
    SendController(controllerReverb, 0.0f, 1.0f, GetTrackReverb() * 127.0f);
}

void DCsqStaff::SetTrackModulation(float modulation)
{
    DCsqTrack::SetTrackModulation(modulation);
    SendController(controllerModulation, 0.0f, 1.0f, GetTrackModulation() * 127.0f);
}

void DCsqStaff::SetTrackExpression()
{
    SendController(controllerExpression, 127.0f, 1.0f, 0.0f);
}

void DCsqStaff::SendController(int controller, float base, float scale, float offset)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return;
    // Voices that share a device and channel share the controller: the lowest of them sends.
    std::array<int32_t, voiceCount> outputs{};
    outputs.fill(-1);
    for (int voice = 0; voice < voiceCount; ++voice) {
        const MCVoiceMap& map = *GetVoiceMap(voice);
        const int32_t output = static_cast<int32_t>(map.GetDevice() << 16 | map.GetChannel());
        const bool shared = std::find(outputs.begin(), outputs.begin() + voice, output) != outputs.begin() + voice;
        outputs[static_cast<size_t>(voice)] = output;
        if (shared)
            continue;
        float value = base * scale + offset;
        value = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 127.0f);
        const auto level = static_cast<uint32_t>(std::lround(value));
        const uint32_t message = (0xB0u | map.GetChannel()) | static_cast<uint32_t>(controller) << 8 | level << 16;
        wavegate->SendMidiMsg(static_cast<int>(map.GetDevice()), message, 0);
    }
}
