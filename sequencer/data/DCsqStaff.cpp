#include "sequencer/data/DCsqStaff.h"

#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

PLAT_IMPLEMENT_SERIAL(DCsqStaff, DCsqTrack, plat::kVersionableSchema | 2)

DCsqStaff::DCsqStaff() = default;

DCsqStaff::DCsqStaff(const DCsqStaff& other) : DCsqTrack(other), m_gainFactor(other.m_gainFactor.load()) {}

DCsqStaff& DCsqStaff::operator=(const DCsqStaff& other)
{
    DCsqTrack::operator=(other);
    m_gainFactor = other.m_gainFactor.load();
    return *this;
}

DCsqStaff::~DCsqStaff() = default;

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
    SendController(controllerVolume, 127.0f, m_gainFactor.load(), 0.0f);
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
        // The voice's envelope of the controller, where there is one, stands in for the
        // resting value.
        float resting = base;
        CMidiEnvelopeMgr* manager = m_envelopeMgrs[static_cast<size_t>(voice)].get();
        if (ECControllerEnv* envelope = manager ? manager->GetControllerEnv(controller, 0) : nullptr) {
            CSequence* sequence = GetSequence();
            envelope->GetValue(sequence ? sequence->GetLocation() : MCTime::TimeZero(), resting, 1);
        }
        float value = resting * scale + offset;
        value = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 127.0f);
        const auto level = static_cast<uint32_t>(std::lround(value));
        const uint32_t message = (0xB0u | map.GetChannel()) | static_cast<uint32_t>(controller) << 8 | level << 16;
        wavegate->SendMidiMsg(static_cast<int>(map.GetDevice()), message, 0);
    }
}

CMidiEnvelopeMgr* DCsqStaff::GetMidiEnvelopeMgr(int voice, int create)
{
    if (voice < 0 || voice >= voiceCount)
        return nullptr;
    auto& manager = m_envelopeMgrs[static_cast<size_t>(voice)];
    if (!manager && create == 1)
        manager.reset(new (std::nothrow) CMidiEnvelopeMgr(this, voice));
    return manager.get();
}

CMidiEnvelopeMgr* DCsqStaff::SharedEnvelopeMgr(int voice, int create)
{
    const MCVoiceMap* wanted = GetVoiceMap(voice);
    if (!wanted)
        return nullptr;
    for (int first = 0; first < voiceCount; ++first) {
        const MCVoiceMap& map = *GetVoiceMap(first);
        if (map.GetDevice() == wanted->GetDevice() && map.GetChannel() == wanted->GetChannel())
            return GetMidiEnvelopeMgr(first, create);
    }
    return nullptr;
}

// The envelope kinds a voice's MIDI envelope manager holds.
bool DCsqStaff::IsMidiEnvelopeType(int type)
{
    switch (type) {
    case envChanPressure:
    case envController:
    case envNRPN:
    case envPatch:
    case envPitchBend:
    case envPolyPressure:
    case envRPN:
        return true;
    default:
        return false;
    }
}

ECEnvelope* DCsqStaff::GetEnvelope(int type, unsigned long flags, int voice, int a, int b)
{
    const int create = (flags & envCreate) ? 1 : 0;
    if (!IsMidiEnvelopeType(type))
        return nullptr;
    CMidiEnvelopeMgr* manager = SharedEnvelopeMgr(voice, create);
    if (!manager)
        return nullptr;
    switch (type) {
    case envChanPressure:
        return manager->GetChanPressureEnv(create);
    case envController:
        return manager->GetControllerEnv(a, create);
    case envNRPN:
        return manager->GetNRPNEnv(a, b, create);
    case envPatch:
        return manager->GetPatchEnv(create);
    case envPitchBend:
        return manager->GetPitchBendEnv(create);
    case envPolyPressure:
        return manager->GetPolyPressureEnv(a, create);
    default:
        return manager->GetRPNEnv(a, b, create);
    }
}

int DCsqStaff::GetEnvelopes(MCEventList& list, int type, unsigned long /*flags*/, int voice)
{
    if (!IsMidiEnvelopeType(type))
        return 0;
    if (CMidiEnvelopeMgr* manager = SharedEnvelopeMgr(voice, 0)) {
        for (ECEnvelope* envelope : manager->GetEnvelopeList()) {
            if (envelope->GetEventId() == type)
                list.AddTail(envelope);
        }
    }
    return list.IsEmpty() ? 0 : 1;
}

void DCsqStaff::GetEnvelopeData(const MCTime& from, const MCTime& to, CSeqEventList& list)
{
    CSequence* sequence = GetSequence();
    if (sequence && sequence->IgnoreTrack(OwnerTrack()))
        return;
    if (sequence && sequence->AutoMuteEnabled()) {
        auto* staff = plat::dynamicDowncast<ECStaff>(GetOwner());
        if (staff && staff->IsStaffEmpty())
            return;
    }
    // Playing from the start brings the outputs to the envelopes' first state.
    if (from == MCTime(0.0f)) {
        for (auto& manager : m_envelopeMgrs) {
            if (manager)
                manager->GetMidiData(list, from);
        }
    }
    for (auto& manager : m_envelopeMgrs) {
        if (manager)
            manager->GetMidiData(list, from, to);
    }
}

void DCsqStaff::GetStateData(const MCTime& time, CSeqEventList& list)
{
    for (auto& manager : m_envelopeMgrs) {
        if (manager)
            manager->GetMidiData(list, time);
    }
}

void DCsqStaff::GetSustainPedalOffData(const MCTime& time, CSeqEventList& list)
{
    constexpr int sustain = 64;
    const MCVoiceTrack* owner = GetOwner() ? GetOwner()->GetVoiceTrack() : nullptr;
    for (int voice = 0; voice < voiceCount; ++voice) {
        CMidiEnvelopeMgr* manager = m_envelopeMgrs[static_cast<size_t>(voice)].get();
        if (!manager || !manager->GetControllerEnv(sustain, 0))
            continue;
        std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
        if (!event)
            return;
        MCVoiceTrack voiceTrack = owner ? *owner : MCVoiceTrack();
        voiceTrack.SetVoice(voice);
        // The channel comes from the voice's map when the event is converted.
        event->SetMidiEvent(FCMidi(0xB0u | static_cast<MIDIWORD>(sustain) << 8), nullptr, this, time, voiceTrack);
        list.push_back(std::move(event));
    }
}
