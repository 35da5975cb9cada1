#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECRPNPoint.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECTrack.h"
#include "notabase/values/FCMidi.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/Archive.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/transport/CSequence.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

PLAT_IMPLEMENT_SERIAL(CMidiEnvelopeMgr, plat::Object, plat::kVersionableSchema | 2)

namespace {

// The controllers the staff's mixer settings fold into, as bits of a mask.
enum : unsigned {
    foldModulation = 0x1,
    foldVolume = 0x2,
    foldPan = 0x4,
    foldReverb = 0x8,
    foldChorus = 0x10,
};

float clampControllerValue(float value, float top = 127.0f)
{
    return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, top);
}

// A 14-bit controller travels on its pair, the high half on the controller and the low half
// on the one 32 above it.
bool sentAsPair(const ECControllerEnv& controller)
{
    return controller.Is14Bit() && controller.GetControllerType() < 32;
}

template <class Env>
Env* makeEnvelope(float lower, float upper, const std::string& name)
{
    auto* envelope = new (std::nothrow) Env;
    if (!envelope)
        return nullptr;
    envelope->SetLimits(lower, upper);
    envelope->SetEnvelopeName(name);
    return envelope;
}

}  // namespace

CMidiEnvelopeMgr::CMidiEnvelopeMgr(DCsqStaff* staff, int voice) : m_staff(staff), m_voice(voice) {}

CMidiEnvelopeMgr::~CMidiEnvelopeMgr() = default;

CMidiEnvelopeMgr* CMidiEnvelopeMgr::GetEnvMgr(CSequence* sequence, const MCVoiceTrack& voiceTrack, int create)
{
    ECConductor* conductor = sequence ? sequence->GetConductor() : nullptr;
    // A word holding an output address names no staff.
    if (!conductor || voiceTrack.IsConverted())
        return nullptr;
    ECTrack* track = conductor->GetTrack(1, voiceTrack.GetTrack(), create);
    auto* staff = track ? plat::dynamicDowncast<DCsqStaff>(track->GetData(0, create)) : nullptr;
    return staff ? staff->GetMidiEnvelopeMgr(voiceTrack.GetVoice(), create) : nullptr;
}

CSequence* CMidiEnvelopeMgr::Sequence() const
{
    return m_staff ? m_staff->GetSequence() : nullptr;
}

ECChanPressureEnv* CMidiEnvelopeMgr::GetChanPressureEnv(int create)
{
    if (!m_chanPressure && create == 1) {
        if (auto* envelope = makeEnvelope<ECChanPressureEnv>(0.0f, 127.0f, GetChanPressureString()))
            Register(envelope);
    }
    return m_chanPressure;
}

ECControllerEnv* CMidiEnvelopeMgr::GetControllerEnv(int controller, int create)
{
    if (controller < 0 || controller >= controllerCount)
        return nullptr;
    ECControllerEnv* found = m_controllers ? (*m_controllers)[static_cast<size_t>(controller)] : nullptr;
    if (!found && create == 1) {
        auto* envelope = makeEnvelope<ECControllerEnv>(0.0f, 127.0f, GetControllerString(static_cast<unsigned char>(controller), 2));
        if (envelope) {
            envelope->SetControllerType(controller);
            Register(envelope);
            found = m_controllers ? (*m_controllers)[static_cast<size_t>(controller)] : nullptr;
        }
    }
    return found;
}

ECNRPNEnv* CMidiEnvelopeMgr::GetNRPNEnv(int msb, int lsb, int create)
{
    for (ECNRPNEnv* envelope : m_nrpn) {
        int m = 0;
        int l = 0;
        envelope->GetNRPNType(m, l);
        if (m == msb && l == lsb)
            return envelope;
    }
    if (create != 1 || msb < 0 || msb > 127 || lsb < 0 || lsb > 127)
        return nullptr;
    auto* envelope = makeEnvelope<ECNRPNEnv>(0.0f, 16383.0f, GetNRPNString(msb, lsb, 0));
    if (!envelope)
        return nullptr;
    envelope->SetNRPNType(msb, lsb);
    Register(envelope);
    return GetNRPNEnv(msb, lsb, 0);
}

ECRPNEnv* CMidiEnvelopeMgr::GetRPNEnv(int msb, int lsb, int create)
{
    for (ECRPNEnv* envelope : m_rpn) {
        int m = 0;
        int l = 0;
        envelope->GetRPNType(m, l);
        if (m == msb && l == lsb)
            return envelope;
    }
    if (create != 1 || msb < 0 || msb > 127 || lsb < 0 || lsb > 127)
        return nullptr;
    auto* envelope = makeEnvelope<ECRPNEnv>(0.0f, 16383.0f, GetRPNString(msb, lsb, 0));
    if (!envelope)
        return nullptr;
    envelope->SetRPNType(msb, lsb);
    Register(envelope);
    return GetRPNEnv(msb, lsb, 0);
}

ECPatchEnv* CMidiEnvelopeMgr::GetPatchEnv(int create)
{
    if (!m_patch && create == 1) {
        if (auto* envelope = makeEnvelope<ECPatchEnv>(0.0f, 2097151.0f, GetPatchString()))
            Register(envelope);
    }
    return m_patch;
}

ECPitchBendEnv* CMidiEnvelopeMgr::GetPitchBendEnv(int create)
{
    if (!m_pitchBend && create == 1) {
        if (auto* envelope = makeEnvelope<ECPitchBendEnv>(0.0f, 16383.0f, GetPitchBendString()))
            Register(envelope);
    }
    return m_pitchBend;
}

ECPolyPressureEnv* CMidiEnvelopeMgr::GetPolyPressureEnv(int key, int create)
{
    if (key < 0 || key >= keyCount)
        return nullptr;
    ECPolyPressureEnv* found = m_polyPressure ? (*m_polyPressure)[static_cast<size_t>(key)] : nullptr;
    if (!found && create == 1) {
        // Pressure is a 7-bit value like the other channel messages.
        auto* envelope = makeEnvelope<ECPolyPressureEnv>(0.0f, 127.0f, GetPolyPressureString(static_cast<unsigned char>(key)));
        if (envelope) {
            envelope->SetKey(key);
            Register(envelope);
            found = m_polyPressure ? (*m_polyPressure)[static_cast<size_t>(key)] : nullptr;
        }
    }
    return found;
}

void CMidiEnvelopeMgr::Register(ECEnvelope* envelope)
{
    // Held from here on, so an envelope that could not be stored is freed with the holder.
    const plat::RefPtr<ECEnvelope> holder(envelope);
    AddEnvelope(envelope);
    if (std::any_of(m_all.begin(), m_all.end(), [envelope](const auto& held) { return held.get() == envelope; }))
        NotifyCreate(envelope);
}

void CMidiEnvelopeMgr::NotifyCreate(ECEnvelope* envelope)
{
    ECBase* staff = m_staff ? m_staff->GetOwner() : nullptr;
    if (!staff)
        return;
    envelope->SetVoiceTrack(m_voice, staff->GetTrack());
    auto* performance = plat::dynamicDowncast<ECPerformanceBase>(staff->GetAncestor(EventId::Performance, -1));
    if (!performance)
        return;
    auto* add = new CCAdd;
    add->SetSynchronous(1);
    add->Add(envelope, staff, FCMidi::MidiNull());
    add->Apply(performance);
}

ECEnvelope* CMidiEnvelopeMgr::AddEnvelope(ECEnvelope* envelope)
{
    if (!envelope)
        return nullptr;
    ECEnvelope* replaced = nullptr;
    switch (envelope->GetEventId()) {
    case EventId::ChanPressureEnv:
        replaced = m_chanPressure;
        break;
    case EventId::ControllerEnv: {
        // A stored envelope may carry any number in its flags.
        const int controller = static_cast<ECControllerEnv*>(envelope)->GetControllerType();
        if (controller >= controllerCount)
            return nullptr;
        if (!m_controllers) {
            m_controllers.reset(new (std::nothrow) std::array<ECControllerEnv*, controllerCount>{});
            if (!m_controllers)
                return nullptr;
        }
        replaced = (*m_controllers)[static_cast<size_t>(controller)];
        break;
    }
    case EventId::NRPNEnv: {
        int msb = 0;
        int lsb = 0;
        static_cast<ECNRPNEnv*>(envelope)->GetNRPNType(msb, lsb);
        replaced = GetNRPNEnv(msb, lsb, 0);
        break;
    }
    case EventId::PatchEnv:
        replaced = m_patch;
        break;
    case EventId::PitchBendEnv:
        replaced = m_pitchBend;
        break;
    case EventId::PolyPressureEnv: {
        const int key = static_cast<ECPolyPressureEnv*>(envelope)->GetKey();
        if (key >= keyCount)
            return nullptr;
        if (!m_polyPressure) {
            m_polyPressure.reset(new (std::nothrow) std::array<ECPolyPressureEnv*, keyCount>{});
            if (!m_polyPressure)
                return nullptr;
        }
        replaced = (*m_polyPressure)[static_cast<size_t>(key)];
        break;
    }
    case EventId::RPNEnv: {
        int msb = 0;
        int lsb = 0;
        static_cast<ECRPNEnv*>(envelope)->GetRPNType(msb, lsb);
        replaced = GetRPNEnv(msb, lsb, 0);
        break;
    }
    default:
        return nullptr;
    }
    if (replaced == envelope)
        return nullptr;
    // Kept alive until it is answered: the manager may hold the last reference.
    const plat::RefPtr<ECEnvelope> keep(replaced);
    if (replaced)
        RemoveEnvelope(replaced);
    switch (envelope->GetEventId()) {
    case EventId::ChanPressureEnv:
        m_chanPressure = static_cast<ECChanPressureEnv*>(envelope);
        break;
    case EventId::ControllerEnv: {
        auto* controller = static_cast<ECControllerEnv*>(envelope);
        (*m_controllers)[static_cast<size_t>(controller->GetControllerType())] = controller;
        break;
    }
    case EventId::NRPNEnv:
        m_nrpn.push_back(static_cast<ECNRPNEnv*>(envelope));
        break;
    case EventId::PatchEnv:
        m_patch = static_cast<ECPatchEnv*>(envelope);
        break;
    case EventId::PitchBendEnv:
        m_pitchBend = static_cast<ECPitchBendEnv*>(envelope);
        break;
    case EventId::PolyPressureEnv: {
        auto* pressure = static_cast<ECPolyPressureEnv*>(envelope);
        (*m_polyPressure)[static_cast<size_t>(pressure->GetKey())] = pressure;
        break;
    }
    case EventId::RPNEnv:
        m_rpn.push_back(static_cast<ECRPNEnv*>(envelope));
        break;
    default:
        break;
    }
    m_all.emplace_back(envelope);
    return replaced;
}

int CMidiEnvelopeMgr::RemoveEnvelope(ECEnvelope* envelope)
{
    auto held = std::find_if(m_all.begin(), m_all.end(), [envelope](const auto& entry) { return entry.get() == envelope; });
    if (!envelope || held == m_all.end())
        return 0;
    ClearSlot(envelope);
    m_all.erase(held);
    return 1;
}

void CMidiEnvelopeMgr::ClearSlot(ECEnvelope* envelope)
{
    if (m_chanPressure == envelope)
        m_chanPressure = nullptr;
    if (m_patch == envelope)
        m_patch = nullptr;
    if (m_pitchBend == envelope)
        m_pitchBend = nullptr;
    if (m_controllers)
        std::replace(m_controllers->begin(), m_controllers->end(), static_cast<ECControllerEnv*>(envelope), static_cast<ECControllerEnv*>(nullptr));
    if (m_polyPressure)
        std::replace(m_polyPressure->begin(), m_polyPressure->end(), static_cast<ECPolyPressureEnv*>(envelope),
                     static_cast<ECPolyPressureEnv*>(nullptr));
    std::erase(m_nrpn, envelope);
    std::erase(m_rpn, envelope);
}

std::vector<ECEnvelope*> CMidiEnvelopeMgr::GetEnvelopeList() const
{
    std::vector<ECEnvelope*> list;
    list.reserve(m_all.size());
    for (const auto& envelope : m_all)
        list.push_back(envelope.get());
    return list;
}

float CMidiEnvelopeMgr::Fold(ECEnvelope* envelope, float value, unsigned& folded) const
{
    if (!m_staff || envelope->GetEventId() != EventId::ControllerEnv)
        return value;
    const auto& controller = *static_cast<ECControllerEnv*>(envelope);
    // The settings count in the controller's own steps: 128 to a 7-bit step when it is sent
    // as a pair of 14 bits, and the value keeps its whole range until it is split.
    const float step = sentAsPair(controller) ? 128.0f : 1.0f;
    const float top = 128.0f * step - 1.0f;
    switch (controller.GetControllerType()) {
    case DCsqStaff::controllerModulation:
        folded |= foldModulation;
        return clampControllerValue(value + m_staff->GetTrackModulation() * 127.0f * step, top);
    case DCsqStaff::controllerVolume:
        folded |= foldVolume;
        return clampControllerValue(value * m_staff->GetTrackGainFactor(), top);
    case DCsqStaff::controllerPan:
        folded |= foldPan;
        return clampControllerValue(value + m_staff->GetTrackPan() * 64.0f * step, top);
    case DCsqStaff::controllerReverb:
        folded |= foldReverb;
        return clampControllerValue(value + m_staff->GetTrackReverb() * 127.0f * step, top);
    case DCsqStaff::controllerChorus:
        folded |= foldChorus;
        return clampControllerValue(value + m_staff->GetTrackChorus() * 127.0f * step, top);
    default:
        return value;
    }
}

void CMidiEnvelopeMgr::MakeEventData(ECEnvelope* envelope, const MCTime& time, float value, CSeqEventList& list) const
{
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!event)
        return;
    const auto v = static_cast<long>(value);
    const MCVoiceTrack* word = envelope->GetVoiceTrack();
    const MCVoiceTrack voiceTrack = word ? *word : MCVoiceTrack(m_voice, MCVoiceTrack::noTrack);
    auto shortMessage = [](uint32_t status, long data1, long data2) {
        return FCMidi(static_cast<MIDIWORD>(status | static_cast<uint32_t>(data1 & 0x7F) << 8 | static_cast<uint32_t>(data2 & 0x7F) << 16));
    };
    switch (envelope->GetEventId()) {
    case EventId::ControllerEnv: {
        auto* controller = static_cast<ECControllerEnv*>(envelope);
        const int number = controller->GetControllerType();
        if (sentAsPair(*controller))
            event->SetDoubleEvent(shortMessage(0xB0, number, 0), static_cast<unsigned long>(std::clamp(v, 0L, 16383L)), nullptr, m_staff,
                                  time, voiceTrack);
        else
            event->SetMidiEvent(shortMessage(0xB0, number, std::clamp(v, 0L, 127L)), nullptr, m_staff, time, voiceTrack);
        break;
    }
    case EventId::ChanPressureEnv:
        event->SetMidiEvent(shortMessage(0xD0, std::clamp(v, 0L, 127L), 0), nullptr, m_staff, time, voiceTrack);
        break;
    case EventId::PitchBendEnv:
        event->SetMidiEvent(shortMessage(0xE0, v & 0x7F, v >> 7), nullptr, m_staff, time, voiceTrack);
        break;
    case EventId::PolyPressureEnv:
        event->SetMidiEvent(shortMessage(0xA0, static_cast<ECPolyPressureEnv*>(envelope)->GetKey(), std::clamp(v, 0L, 127L)), nullptr,
                            m_staff, time, voiceTrack);
        break;
    case EventId::PatchEnv:
        event->SetPatchEvent(shortMessage(0xC0, ECPatchEnv::GetProgram(value), 0), static_cast<unsigned long>(ECPatchEnv::GetBankMSB(value)),
                             static_cast<unsigned long>(ECPatchEnv::GetBankLSB(value)), nullptr, m_staff, time, voiceTrack);
        break;
    case EventId::NRPNEnv: {
        int msb = 0;
        int lsb = 0;
        static_cast<ECNRPNEnv*>(envelope)->GetNRPNType(msb, lsb);
        event->SetNRPNEvent(static_cast<unsigned long>(msb), static_cast<unsigned long>(lsb), static_cast<unsigned long>(std::max(v, 0L)),
                            nullptr, m_staff, time, voiceTrack);
        break;
    }
    case EventId::RPNEnv: {
        int msb = 0;
        int lsb = 0;
        static_cast<ECRPNEnv*>(envelope)->GetRPNType(msb, lsb);
        event->SetRPNEvent(static_cast<unsigned long>(msb), static_cast<unsigned long>(lsb), static_cast<unsigned long>(std::max(v, 0L)),
                           nullptr, m_staff, time, voiceTrack);
        break;
    }
    default:
        return;
    }
    list.push_back(std::move(event));
}

void CMidiEnvelopeMgr::GetMidiData(CSeqEventList& list, const MCTime& time)
{
    unsigned folded = 0;
    for (const auto& envelope : m_all) {
        if (!envelope->IsEnabled())
            continue;
        float value = 0.0f;
        envelope->GetValue(time, value, 1);
        value = Fold(envelope.get(), value, folded);
        MakeEventData(envelope.get(), time, value, list);
    }
    if (!m_staff)
        return;
    CSequence* sequence = Sequence();
    // While a MIDI file is written the settings go into the file, not to the outputs.
    const bool writing = sequence && sequence->TestState(CSequence::stateMidiWriting);
    ECBase* owner = m_staff->GetOwner();
    const MCVoiceTrack voiceTrack(m_voice, owner ? owner->GetTrack() : MCVoiceTrack::noTrack);
    struct Setting {
        unsigned bit;
        int controller;
    };
    static constexpr Setting settings[] = {
        {foldModulation, DCsqStaff::controllerModulation}, {foldVolume, DCsqStaff::controllerVolume},
        {foldPan, DCsqStaff::controllerPan},               {foldReverb, DCsqStaff::controllerReverb},
        {foldChorus, DCsqStaff::controllerChorus},
    };
    for (const Setting& setting : settings) {
        if (folded & setting.bit)
            continue;
        float value = 0.0f;
        switch (setting.controller) {
        case DCsqStaff::controllerModulation:
            value = m_staff->GetTrackModulation() * 127.0f;
            if (!writing)
                m_staff->SetTrackModulation(m_staff->GetTrackModulation());
            break;
        case DCsqStaff::controllerVolume:
            if (!writing)
                m_staff->SetTrackGain(m_staff->GetTrackGain());
            value = m_staff->GetTrackGainFactor() * 127.0f;
            break;
        case DCsqStaff::controllerPan:
            value = m_staff->GetTrackPan() * 64.0f + 64.0f;
            if (!writing)
                m_staff->SetTrackPan(m_staff->GetTrackPan());
            break;
        case DCsqStaff::controllerReverb:
            value = m_staff->GetTrackReverb() * 127.0f;
            if (!writing)
                m_staff->SetTrackReverb(m_staff->GetTrackReverb());
            break;
        default:
            value = m_staff->GetTrackChorus() * 127.0f;
            if (!writing)
                m_staff->SetTrackChorus(m_staff->GetTrackChorus());
            break;
        }
        if (!writing)
            continue;
        std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
        if (!event)
            continue;
        const auto level = static_cast<uint32_t>(clampControllerValue(value));
        event->SetMidiEvent(FCMidi(static_cast<MIDIWORD>(0xB0u | static_cast<uint32_t>(setting.controller) << 8 | level << 16)), nullptr,
                            m_staff, time, voiceTrack);
        list.push_back(std::move(event));
    }
}

void CMidiEnvelopeMgr::GetMidiData(CSeqEventList& list, const MCTime& from, const MCTime& to)
{
    CSequence* sequence = Sequence();
    const float speed = sequence ? sequence->GetActualSpeed() : 1.0f;
    unsigned folded = 0;
    std::vector<EVALUE> values;
    for (const auto& envelope : m_all) {
        if (!envelope->IsEnabled())
            continue;
        values.clear();
        if (!envelope->GetValues(from, to, speed, values, 1))
            continue;
        for (const EVALUE& entry : values)
            MakeEventData(envelope.get(), entry.time, Fold(envelope.get(), entry.value, folded), list);
    }
}

void CMidiEnvelopeMgr::ClearState()
{
    m_rpnMSB = m_rpnLSB = -1;
    m_nrpnMSB = m_nrpnLSB = -1;
    m_dataEntryMSB = 0;
    m_bankMSB = 0;
    m_bankLSB = 0;
}

bool CMidiEnvelopeMgr::ControllerSpecialCase(int controller, const FCMidi& message)
{
    const int value = message.GetDataByte2();
    // 127 in a parameter number selects nothing.
    const int number = value == 127 ? -1 : value;
    switch (controller) {
    case 0:
        m_bankMSB = value;
        return true;
    case 32:
        m_bankLSB = value;
        return true;
    case 99:
    case 98:
        (controller == 99 ? m_nrpnMSB : m_nrpnLSB) = number;
        m_rpnMSB = m_rpnLSB = -1;
        m_dataEntryMSB = 0;
        return true;
    case 101:
    case 100:
        (controller == 101 ? m_rpnMSB : m_rpnLSB) = number;
        m_nrpnMSB = m_nrpnLSB = -1;
        m_dataEntryMSB = 0;
        return true;
    default:
        return false;
    }
}

ECEnvPoint* CMidiEnvelopeMgr::ControllerParameterData(int controller, const FCMidi& message, bool registered, bool& handled)
{
    const int msb = registered ? m_rpnMSB : m_nrpnMSB;
    const int lsb = registered ? m_rpnLSB : m_nrpnLSB;
    handled = msb >= 0 && lsb >= 0 && (controller == 6 || controller == 38 || controller == 96 || controller == 97);
    if (!handled || controller == 96 || controller == 97)
        return nullptr;
    int value = 0;
    if (controller == 6) {
        m_dataEntryMSB = message.GetDataByte2() << 7;
        value = m_dataEntryMSB;
    } else {
        value = m_dataEntryMSB + message.GetDataByte2();
    }
    ECEnvPoint* point = nullptr;
    if (registered)
        point = new (std::nothrow) ECRPNPoint(static_cast<unsigned char>(msb), static_cast<unsigned char>(lsb));
    else
        point = new (std::nothrow) ECNRPNPoint(static_cast<unsigned char>(msb), static_cast<unsigned char>(lsb));
    if (point)
        point->SetValue(static_cast<float>(value));
    return point;
}

ECEnvPoint* CMidiEnvelopeMgr::GetEnvPoint(const FCMidi& message)
{
    ECEnvPoint* point = nullptr;
    float value = 0.0f;
    switch (message.GetStatusMSB()) {
    case 0xA0:
        point = new (std::nothrow) ECPolyPressure(message.GetDataByte1());
        value = message.GetDataByte2();
        break;
    case 0xB0: {
        const int controller = message.GetDataByte1();
        if (controller >= controllerCount || ControllerSpecialCase(controller, message))
            return nullptr;
        bool handled = false;
        if (ECEnvPoint* parameter = ControllerParameterData(controller, message, false, handled); handled)
            return parameter;
        if (ECEnvPoint* parameter = ControllerParameterData(controller, message, true, handled); handled)
            return parameter;
        if (controller == 7) {
            auto* dynamic = new (std::nothrow) ECDynamic(16, MCTime(0.0f));
            if (dynamic)
                dynamic->SetControllerNum(7);
            point = dynamic;
        } else if (controller == 64) {
            auto* pedal = new (std::nothrow) ECPedal;
            if (pedal)
                pedal->SetControllerNum(64);
            point = pedal;
        } else {
            point = new (std::nothrow) ECControlChange(static_cast<unsigned char>(controller));
        }
        value = message.GetDataByte2();
        break;
    }
    case 0xC0:
        point = new (std::nothrow) ECProgramChange;
        value = ECPatchEnv::MakePatchValue(static_cast<unsigned char>(m_bankMSB), static_cast<unsigned char>(m_bankLSB), message.GetDataByte1());
        break;
    case 0xD0:
        point = new (std::nothrow) ECChannelPressure;
        value = message.GetDataByte1();
        break;
    case 0xE0:
        point = new (std::nothrow) ECPitchBend;
        value = static_cast<float>(message.GetDataByte2() * 128 + message.GetDataByte1());
        break;
    default:
        return nullptr;
    }
    if (point)
        point->SetValue(value);
    return point;
}

void CMidiEnvelopeMgr::RemoveAllEnvelopes()
{
    m_controllers.reset();
    m_polyPressure.reset();
    m_rpn.clear();
    m_nrpn.clear();
    m_patch = nullptr;
    m_pitchBend = nullptr;
    m_chanPressure = nullptr;
    m_all.clear();
}

void CMidiEnvelopeMgr::unlinkAfterFailedLoad()
{
    for (auto& held : m_all) {
        if (ECEnvelope* envelope = held.release())
            envelope->Unref(0);
    }
    RemoveAllEnvelopes();
    m_staff = nullptr;
}

void CMidiEnvelopeMgr::TakeLoaded(ECEnvelope* envelope)
{
    if (!envelope)
        return;
    const bool known = std::any_of(m_all.begin(), m_all.end(), [envelope](const auto& held) { return held.get() == envelope; });
    if (known || AddEnvelope(envelope) != nullptr || m_all.empty() || m_all.back().get() != envelope)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "controller envelopes: an envelope out of place");
}

void CMidiEnvelopeMgr::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeU32(m_controllers ? 1 : 0);
        if (m_controllers) {
            for (int controller = controllerCount - 1; controller >= 0; --controller)
                archive.writeObject((*m_controllers)[static_cast<size_t>(controller)]);
        }
        archive.writeU32(m_polyPressure ? 1 : 0);
        if (m_polyPressure) {
            for (int key = keyCount - 1; key >= 0; --key)
                archive.writeObject((*m_polyPressure)[static_cast<size_t>(key)]);
        }
        archive.writeObject(m_patch);
        archive.writeObject(m_pitchBend);
        archive.writeObject(m_chanPressure);
        archive.writeObject(m_staff);
        archive.writeI32(m_voice);
        archive.writeCount(static_cast<uint32_t>(m_rpn.size()));
        for (ECRPNEnv* envelope : m_rpn)
            archive.writeObject(envelope);
        archive.writeCount(static_cast<uint32_t>(m_nrpn.size()));
        for (ECNRPNEnv* envelope : m_nrpn)
            archive.writeObject(envelope);
        return;
    }

    RemoveAllEnvelopes();
    if (archive.readU32()) {
        for (int controller = controllerCount - 1; controller >= 0; --controller) {
            auto* envelope = archive.readObjectAs<ECControllerEnv>();
            if (envelope && envelope->GetControllerType() != controller)
                throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "controller envelopes: a controller in the wrong slot");
            TakeLoaded(envelope);
        }
    }
    if (archive.readU32()) {
        for (int key = keyCount - 1; key >= 0; --key) {
            auto* envelope = archive.readObjectAs<ECPolyPressureEnv>();
            if (envelope && envelope->GetKey() != key)
                throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "controller envelopes: a key in the wrong slot");
            TakeLoaded(envelope);
        }
    }
    TakeLoaded(archive.readObjectAs<ECPatchEnv>());
    TakeLoaded(archive.readObjectAs<ECPitchBendEnv>());
    TakeLoaded(archive.readObjectAs<ECChanPressureEnv>());
    m_staff = archive.readObjectAs<DCsqStaff>();
    const int32_t voice = archive.readI32();
    if (voice < 0 || voice >= DCsqStaff::voiceCount)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "controller envelopes: voice " + std::to_string(voice));
    m_voice = voice;
    const uint32_t rpnCount = archive.readCount();
    for (uint32_t i = 0; i < rpnCount; ++i)
        TakeLoaded(archive.readObjectAs<ECRPNEnv>());
    const uint32_t nrpnCount = archive.readCount();
    for (uint32_t i = 0; i < nrpnCount; ++i)
        TakeLoaded(archive.readObjectAs<ECNRPNEnv>());
}
