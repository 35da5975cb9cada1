#include "sequencer/data/DCsqStaff.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/MCCommandHold.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Archive.h"
#include "sequencer/data/MCLoadClaims.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/layers/LCMidiTranspose.h"
#include "sequencer/layers/LCMidiVelocity.h"
#include "sequencer/layers/LCMidiVoiceMap.h"
#include "sequencer/layers/LCMidiVolume.h"
#include "sequencer/layers/LCsqTranspose.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

PLAT_IMPLEMENT_SERIAL(DCsqStaff, DCsqTrack, plat::kVersionableSchema | 2)

DCsqStaff::DCsqStaff()
{
    TransposeFilter();
}

DCsqStaff::DCsqStaff(const DCsqStaff& other) : DCsqTrack(other), m_gainFactor(other.m_gainFactor.load())
{
    TransposeFilter();
}

DCsqStaff& DCsqStaff::operator=(const DCsqStaff& other)
{
    DCsqTrack::operator=(other);
    m_gainFactor = other.m_gainFactor.load();
    return *this;
}

namespace {

// An envelope the data holds that stands under nothing is the data's alone, and its points
// hold it back through their parent links: it is taken apart as the data lets it go, unless a
// command may still put it back, which then takes it apart when it lets go in turn.
void letGo(plat::RefPtr<ECEnvelope>& held)
{
    ECEnvelope* envelope = held.get();
    if (envelope && envelope->GetParents()->IsEmpty()) {
        if (envelope->GetCommandHolds() > 0)
            envelope->SetTakeApartPending(true);
        else
            MCCommandHold::TakeApart(envelope);
    }
    held.reset();
}

}  // namespace

DCsqStaff::~DCsqStaff()
{
    for (const auto& manager : m_envelopeMgrs)
        MCLoadClaims::Forget(manager.get());
    for (auto& envelope : m_velocityEnvs)
        letGo(envelope);
    letGo(m_transpositionEnv);
}

LCsqTranspose* DCsqStaff::TransposeFilter()
{
    if (auto* filter = plat::dynamicDowncast<LCsqTranspose>(GetFilter(FilterTranspose, allVoices)))
        return filter;
    auto filter = std::make_unique<LCsqTranspose>();
    AddTrackFilter(filter.get());
    return filter.release();
}

ECEnvelope* DCsqStaff::GetTranspositionEnv(int create)
{
    if (m_transpositionEnv || create != 1)
        return m_transpositionEnv.get();
    ECBase* staff = GetOwner();
    auto* performance = staff ? plat::dynamicDowncast<ECPerformanceBase>(staff->GetAncestor(EventId::Performance, -1)) : nullptr;
    if (!performance)
        return nullptr;
    plat::RefPtr<ECEnvelope> envelope(new ECEnvelope);
    envelope->SetEnvelopeName("Transposition");
    envelope->SetDefaultValue(0.0f);
    envelope->SetVoiceTrack(static_cast<int>(allVoices), staff->GetTrack());
    auto* add = new CCAdd;
    add->SetSynchronous(1);
    add->Add(envelope.get(), staff, FCMidi::MidiNull());
    add->Apply(performance);
    m_transpositionEnv = envelope;
    TransposeFilter()->SetEnvelope(m_transpositionEnv.get());
    return m_transpositionEnv.get();
}

ECEnvelope* DCsqStaff::GetVelocityEnv(int voice, int /*create*/)
{
    if (voice < 0 || voice >= voiceCount)
        return nullptr;
    return m_velocityEnvs[static_cast<size_t>(voice)].get();
}

void DCsqStaff::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        DCsqTrack::Serialize(archive);
        for (int voice = 0; voice < voiceCount; ++voice) {
            archive.writeObject(m_envelopeMgrs[static_cast<size_t>(voice)].get());
            archive.writeObject(m_velocityEnvs[static_cast<size_t>(voice)].get());
        }
        archive.writeObject(m_transpositionEnv.get());
        archive.writeFloat(m_gainFactor);
        return;
    }
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    if (version < 3) {
        // Version 0 holds the filter record where later ones hold the track's.
        if (version <= 0)
            DCsqFilter::Serialize(archive);
        else
            DCsqTrack::Serialize(archive);
        LoadOldLayers(archive);
        return;
    }
    DCsqTrack::Serialize(archive);
    for (int voice = 0; voice < voiceCount; ++voice) {
        auto& manager = m_envelopeMgrs[static_cast<size_t>(voice)];
        MCLoadClaims::Forget(manager.get());
        manager.reset();
        auto* loaded = archive.readObjectAs<CMidiEnvelopeMgr>();
        if (loaded) {
            if (loaded->GetStaff() != this || loaded->GetVoice() != voice)
                throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "staff: an envelope manager of another voice");
            MCLoadClaims::Claim(loaded, "staff envelopes");
            manager.reset(loaded);
        }
        m_velocityEnvs[static_cast<size_t>(voice)].reset(archive.readObjectAs<ECEnvelope>());
    }
    m_transpositionEnv.reset(archive.readObjectAs<ECEnvelope>());
    const float factor = archive.readFloat();
    m_gainFactor = (factor >= 0.0f && std::isfinite(factor)) ? factor : 0.0f;
    TransposeFilter()->SetEnvelope(m_transpositionEnv.get());
}

void DCsqStaff::LoadOldLayers(plat::Archive& archive)
{
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    const int32_t transposition = archive.readI32();
    SetTrackTransposition(static_cast<float>(transposition));
    archive.readU16();
    archive.readU8();
    if (version <= 0) {
        DCsqTrack::SetTrackGain(archive.readFloat());
        HoldParameters();
    }
    auto* velocity = archive.readObjectAs<LCMidiVelocity>();
    Retire(velocity);
    auto* volume = archive.readObjectAs<LCMidiVolume>();
    Retire(volume);
    Retire(archive.readObjectAs<LCMidiTranspose>());
    auto* voiceMap = archive.readObjectAs<LCMidiVoiceMap>();
    Retire(voiceMap);
    // The layers name their staff: another one is a damaged record.
    if ((velocity && velocity->GetStaff() && velocity->GetStaff() != this) || (volume && volume->GetStaff() && volume->GetStaff() != this))
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "staff: an old layer of another staff");
    if (!voiceMap)
        return;
    for (int voice = 0; voice < voiceCount; ++voice) {
        MCVoiceMap* map = GetVoiceMap(voice);
        map->SetDevice(static_cast<unsigned int>(voiceMap->GetVoiceDevice(static_cast<unsigned int>(voice))));
        const int channel = voiceMap->GetVoiceChannel(static_cast<unsigned int>(voice));
        map->SetChannel(channel >= 0 && channel < 16 ? static_cast<unsigned int>(channel) : 0u);
    }
}

void DCsqStaff::unlinkAfterFailedLoad()
{
    for (auto& manager : m_envelopeMgrs) {
        MCLoadClaims::Forget(manager.get());
        (void)manager.release();
    }
    for (auto& envelope : m_velocityEnvs) {
        if (ECEnvelope* held = envelope.release())
            held->Unref(0);
    }
    if (ECEnvelope* held = m_transpositionEnv.release())
        held->Unref(0);
    DCsqTrack::unlinkAfterFailedLoad();
}

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
    if (type == envTransposition)
        return GetTranspositionEnv((flags & (envCreate | envFallBack)) ? 1 : 0);
    if (type == envVelocity) {
        ECEnvelope* envelope = GetVelocityEnv(voice, create);
        if (!envelope && (flags & envFallBack))
            envelope = GetVelocityEnv(0, 1);
        return envelope;
    }
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
    if (type == envTransposition) {
        if (!m_transpositionEnv)
            return 0;
        list.AddTail(m_transpositionEnv.get());
        return 1;
    }
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
