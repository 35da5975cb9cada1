#include "sequencer/score/CMidiScoreMgr.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddDynamic.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddSysEx.h"
#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCAddTuplet.h"
#include "notabase/commands/CCCopy.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECNRPNPoint.h"
#include "notabase/model/ECRPNPoint.h"
#include "notabase/model/ECChanPressureEnv.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "notabase/model/ECPolyPressureEnv.h"
#include "notabase/model/ECNRPNEnv.h"
#include "notabase/model/ECRPNEnv.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/states/SCMode.h"
#include "notabase/values/FCMidiSysEx.h"
#include "platform/core/Strings.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/score/MCConflictMgr.h"
#include "sequencer/states/SCTrack.h"
#include "sequencer/transport/CSequence.h"

#include <cctype>
#include <cmath>
#include <new>
#include <string>

namespace {

constexpr int kNoTrack = 0x7FF;
constexpr int kFlowVoice = 14;

// A short message whose status is a system-exclusive one: only a FCMidiSysEx carries bytes.
const FCMidiSysEx* AsSysEx(const FCMidi& message)
{
    return message.IsSysExMsg() ? dynamic_cast<const FCMidiSysEx*>(&message) : nullptr;
}

}  // namespace

CMidiScoreMgr::CMidiScoreMgr() = default;

CMidiScoreMgr::~CMidiScoreMgr()
{
    Detach();
}

void CMidiScoreMgr::Detach()
{
    m_sequence = nullptr;
    m_pendingNotes.clear();
    m_pendingPedals.clear();
}

int CMidiScoreMgr::Recording(uint32_t mask) const
{
    return m_sequence ? m_sequence->TestState(mask) : 0;
}

int CMidiScoreMgr::RecordConfig() const
{
    return m_sequence ? m_sequence->GetMidiRecorder().GetRecordConfig() : 0;
}

int CMidiScoreMgr::MeasureBatch() const
{
    return Recording(CSequence::stateRecording | CSequence::stateStepRecording) ? 10 : 1;
}

void CMidiScoreMgr::MakeMeasureAt(const MCTime& time)
{
    if (ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr)
        conductor->GetMeasure(0, time, 1, 1);
}

void CMidiScoreMgr::SetFileLoading(int loading)
{
    m_fileLoading = loading;
    m_omniMask = 0xFFFF;
    m_polyMask = 0xFFFF;
}

void CMidiScoreMgr::ClearPendingEvents()
{
    m_pendingNotes.clear();
}

std::vector<uint32_t> CMidiScoreMgr::GetPendingNoteKeys() const
{
    std::vector<uint32_t> keys;
    keys.reserve(m_pendingNotes.size());
    for (const auto& entry : m_pendingNotes)
        keys.push_back(entry.first);
    return keys;
}

uint32_t CMidiScoreMgr::GetMatchKey(int device, int channel, int data)
{
    return (static_cast<uint32_t>(device) << 16) + (static_cast<uint32_t>(channel) << 8) + static_cast<uint32_t>(data);
}

void CMidiScoreMgr::SetPendingNote(uint32_t key, ECBase* note)
{
    m_pendingNotes[key] = plat::RefPtr<ECBase>(note);
}

plat::RefPtr<ECBase> CMidiScoreMgr::GetPendingNote(uint32_t key)
{
    auto found = m_pendingNotes.find(key);
    if (found == m_pendingNotes.end())
        return {};
    plat::RefPtr<ECBase> note = std::move(found->second);
    m_pendingNotes.erase(found);
    return note;
}

void CMidiScoreMgr::SetPendingPedal(uint32_t key, ECBase* pedal)
{
    m_pendingPedals[key] = plat::RefPtr<ECBase>(pedal);
}

plat::RefPtr<ECBase> CMidiScoreMgr::GetPendingPedal(uint32_t key)
{
    auto found = m_pendingPedals.find(key);
    if (found == m_pendingPedals.end())
        return {};
    plat::RefPtr<ECBase> pedal = std::move(found->second);
    m_pendingPedals.erase(found);
    return pedal;
}

ECBase* CMidiScoreMgr::AddMidiEvent(const MCTime& time, MCVoiceTrack voiceTrack, const FCMidi& message, int device,
                                    const MCTime& duration)
{
    if (!m_sequence)
        return nullptr;
    ECConductor* conductor = m_sequence->GetConductor();
    // A recording that makes a track for each newly played channel names the staff it made.
    const bool watchNewTrack = conductor && Recording(CSequence::stateRecording | CSequence::stateRecordLeadIn) &&
                               RecordConfig() == 1;
    const int track = voiceTrack.GetTrack();
    const bool staffMissing = watchNewTrack && !conductor->GetTrack(1, track, 0);

    ECBase* element = GetEventForData(message, device, time, voiceTrack, duration);
    if (!element)
        return nullptr;
    // The element may be released on failure; the pending map may still hold a reference.
    plat::RefPtr<ECBase> hold(element);
    if (!DoAdd(element, &message))
        return nullptr;

    if (staffMissing) {
        if (ECTrack* staff = conductor->GetTrack(1, track, 0)) {
            if (DCsqTrack* data = DCsqTrack::GetTrackData(static_cast<unsigned>(track), 1, m_sequence)) {
                for (int voice = 0; voice < 8; ++voice) {
                    if (MCVoiceMap* map = data->GetVoiceMap(voice)) {
                        map->SetDevice(static_cast<unsigned>(device));
                        map->SetChannel(message.GetStatusLSB());
                    }
                }
            }
            auto* name = new ECText(3, plat::format("Track %d", track));
            name->SetTime(&MCTime::TimeZero());
            name->SetVoiceTrack(0, track);
            auto* add = new CCAdd;
            add->Add(name, staff, FCMidi::MidiNull());
            add->Apply(m_sequence->GetPerformance());
        }
    }
    return element;
}

ECBase* CMidiScoreMgr::GetEventForData(const FCMidi& message, int device, const MCTime& time,
                                       MCVoiceTrack voiceTrack, const MCTime& duration)
{
    if (!m_sequence)
        return nullptr;
    ECBase* element = nullptr;
    if (message.IsNoteOn()) {
        auto* note = new (std::nothrow) ECNote;
        if (!note)
            return nullptr;
        if (duration == MCTime::TimeNull()) {
            // A note still sounding on the key ends where the new one begins, rather than
            // keeping no length of its own.
            const uint32_t key = GetMatchKey(device, message.GetStatusLSB(), message.GetDataByte1());
            if (plat::RefPtr<ECBase> earlier = GetPendingNote(key); earlier && earlier->GetTime()) {
                MCTime length(time.GetSeconds() - earlier->GetTime()->GetSeconds());
                if (!(length > MCTime::TimeZero()))
                    length = 0.1f;
                earlier->SetDuration(&length);
            }
            SetPendingNote(key, note);
        }
        else
            note->SetDuration(&duration);
        element = note;
    } else if (message.IsNoteOff()) {
        plat::RefPtr<ECBase> note = GetPendingNote(GetMatchKey(device, message.GetStatusLSB(), message.GetDataByte1()));
        if (!note)
            return nullptr;
        MCTime start = note->GetTime() ? *note->GetTime() : MCTime::TimeZero();
        MCTime length(time.GetSeconds() - start.GetSeconds());
        if (!(length > MCTime::TimeZero()))
            length = 0.1f;
        note->SetDuration(&length);
        LCsqQuantize& quantizer = m_sequence->GetMidiRecorder().GetQuantizer();
        if (Recording(CSequence::stateRecording) && quantizer.IsEnabled()) {
            MCTime newStart;
            MCTime newLength;
            quantizer.QuantizeEvent(note.get(), newStart, newLength);
            if (newStart != MCTime::TimeNull()) {
                note->SetTime(&newStart);
                m_sequence->CheckEventOrder(note.get());
            }
            if (newLength != MCTime::TimeNull())
                note->SetDuration(&newLength);
        }
        MakeMeasureAt(time);
        return nullptr;
    } else if (message.IsChannelModeMsg()) {
        element = new (std::nothrow) ECChannelMode;
    } else if (message.IsSysMsg()) {
        auto* system = new (std::nothrow) ECSystemMessage;
        if (system) {
            system->SetTime(&time);
            system->SetVoiceTrack(&voiceTrack);
        }
        return system;
    } else {
        CMidiEnvelopeMgr* manager = CMidiEnvelopeMgr::GetEnvMgr(m_sequence, voiceTrack, 1);
        element = manager ? manager->GetEnvPoint(message) : nullptr;
    }
    if (!element)
        return nullptr;
    element->SetTime(&time);
    element->SetVoiceTrack(&voiceTrack);
    MakeMeasureAt(time);
    return element;
}

ECBase* CMidiScoreMgr::GetParent(ECBase* element)
{
    if (!element || !m_sequence)
        return nullptr;
    const MCVoiceTrack* voiceTrack = element->GetVoiceTrack();
    ECPerformance* performance = m_sequence->GetPerformance();
    ECConductor* conductor = m_sequence->GetConductor();
    if (!voiceTrack || !performance || !conductor)
        return nullptr;
    const int track = voiceTrack->GetTrack();
    if (track == kNoTrack)
        return nullptr;
    const int recording = Recording(CSequence::stateRecording | CSequence::stateStepRecording);
    if (recording && track > 0 && !conductor->GetTrack(1, track, 0)) {
        MCCommandMgr::BeginNotify(performance);
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, 1);
        add->SetSynchronous(1);
        add->Apply(performance);
        MCCommandMgr::EndNotify(performance);
        auto* state = new SCTrack(SCTrack::codeRecordArm);
        state->SetTrackType(1);
        state->SetValue(1);
        state->Apply(performance);
    }
    const MCTime time = element->GetTime() ? *element->GetTime() : MCTime::TimeZero();
    switch (element->GetEventId()) {
    case EventId::Key:
    case EventId::Lyric:
    case EventId::Note:
    case EventId::Tuplet:
        return conductor->GetMeasure(track, time, 1, MeasureBatch());
    case EventId::Meter:
        return conductor->GetConductorStaff() ? conductor->GetConductorStaff()->GetMeterEnv() : nullptr;
    case EventId::Tempo:
        return conductor->GetConductorStaff() ? conductor->GetConductorStaff()->GetTempoEnv() : nullptr;
    case EventId::ControlChange:
    case EventId::Dynamic:
    case EventId::Pan:
    case EventId::Pedal: {
        CMidiEnvelopeMgr* manager = CMidiEnvelopeMgr::GetEnvMgr(m_sequence, *voiceTrack, 1);
        return manager ? manager->GetControllerEnv(static_cast<ECControlChange*>(element)->GetControllerNum(), 1)
                       : nullptr;
    }
    case EventId::ChannelPressure:
    case EventId::PitchBend:
    case EventId::PolyPressure:
    case EventId::ProgramChange:
    case EventId::NRPNPoint:
    case EventId::RPNPoint: {
        CMidiEnvelopeMgr* manager = CMidiEnvelopeMgr::GetEnvMgr(m_sequence, *voiceTrack, 1);
        if (!manager)
            return nullptr;
        unsigned char msb = 0;
        unsigned char lsb = 0;
        switch (element->GetEventId()) {
        case EventId::ChannelPressure:
            return manager->GetChanPressureEnv(1);
        case EventId::PitchBend:
            return manager->GetPitchBendEnv(1);
        case EventId::PolyPressure:
            return manager->GetPolyPressureEnv(static_cast<ECPolyPressure*>(element)->GetKey(), 1);
        case EventId::ProgramChange:
            return manager->GetPatchEnv(1);
        case EventId::NRPNPoint:
            static_cast<ECNRPNPoint*>(element)->GetNRPNValue(msb, lsb);
            return manager->GetNRPNEnv(msb, lsb, 1);
        default:
            static_cast<ECRPNPoint*>(element)->GetRPNValue(msb, lsb);
            return manager->GetRPNEnv(msb, lsb, 1);
        }
    }
    default:
        return conductor->GetTrack(1, track, 1);
    }
}

int CMidiScoreMgr::DoAdd(ECBase* element, const FCMidi* message)
{
    if (!element || !m_sequence)
        return 0;
    ECBase* parent = GetParent(element);
    if (!parent) {
        // A note that cannot be added waits for no note off. The element is released: freed
        // unless the caller still holds it.
        for (auto* pending : {&m_pendingNotes, &m_pendingPedals})
            std::erase_if(*pending, [element](const auto& entry) { return entry.second.get() == element; });
        plat::RefPtr<ECBase> release(element);
        return 0;
    }
    CCAdd* command = nullptr;
    bool plain = false;
    const int id = element->GetEventId();
    switch (id) {
    case EventId::Key:
        command = new CCAddKey;
        break;
    case EventId::Meter:
        command = new CCAddMeter;
        break;
    case EventId::Tempo:
        command = new CCAddTempo;
        break;
    case EventId::Dynamic:
        command = new CCAddDynamic;
        break;
    case EventId::Tuplet:
        command = new CCAddTuplet;
        plain = true;
        break;
    case EventId::SystemMessage:
        command = message && message->IsSysExMsg() ? new CCAddSysEx : new CCAdd;
        plain = true;
        break;
    default:
        command = new CCAdd;
        plain = true;
        break;
    }
    if (m_fileLoading || Recording(CSequence::stateStepRecording))
        command->SetSynchronous(1);
    command->Add(element, parent, plain && message ? *message : FCMidi::MidiNull());
    if (m_fileLoading && (id == EventId::Tempo || id == EventId::Dynamic)) {
        // The first point of an envelope read from a file anchors it.
        auto* point = static_cast<ECEnvPoint*>(element);
        auto* envelope = plat::dynamicDowncast<ECEnvelope>(parent);
        const int first = envelope && envelope->GetPointCount() == 0;
        point->SetAnchor(first);
        point->SetAnchorHead(first);
    }
    command->Apply(m_sequence->GetPerformance());
    return 1;
}

ECBase* CMidiScoreMgr::AddTupletEvent(const MCTime& time, MCVoiceTrack voiceTrack, const FCMidi& message, int device,
                                      const MCTime& duration)
{
    if (!m_sequence || !m_sequence->GetConductor())
        return nullptr;
    // A copy of the entry template: the template itself stays the input mode's.
    ECBase* entry = SCMode::GetEvent();
    ECBase* tuplet = entry ? CCCopy::DoCopyEvent(entry, nullptr) : nullptr;
    if (!tuplet)
        return nullptr;
    plat::RefPtr<ECBase> hold(tuplet);
    tuplet->SetTime(&time);
    ACSetVoiceTrack setter(voiceTrack.GetTrack(), voiceTrack.GetVoice());
    setter.Apply(tuplet);
    ECConductor* conductor = m_sequence->GetConductor();
    ECMeasure* measure = conductor->GetMeasure(0, time, 1, 1);
    auto* asTuplet = plat::dynamicDowncast<ECTuplet>(tuplet);
    // Without a meter in force the piece runs in 4/4.
    ECMeter common(4, 4, 0);
    ECMeter* meter = conductor->GetMeterAtTime(time);
    if (!measure || !asTuplet || asTuplet->IsValid(measure, meter ? meter : &common) != 0)
        return AddMidiEvent(time, voiceTrack, message, device, duration);
    ACFindEvents find;
    if (MCEventList* children = tuplet->GetChildren())
        find.Apply(children, 1);
    MCEventList& found = find.GetEvents();
    found.RemoveDuplicates();
    for (ECBase* child : found) {
        child->SetTime(&time);
        child->SetDuration(&duration);
    }
    return DoAdd(tuplet, &message) ? tuplet : nullptr;
}

ECBase* CMidiScoreMgr::AddTextEvent(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* text,
                                    long length, int metaType)
{
    if (!m_sequence)
        return nullptr;
    const std::string bytes = text && length > 0 ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length))
                                                 : std::string();
    unsigned char type = 0;
    switch (metaType) {
    case 2:
        type = 1;
        break;
    case 3:
        type = voiceTrack.GetTrack() == 0 ? 8 : 3;
        break;
    case 4:
        type = 4;
        break;
    case 6: {
        bool digit = false;
        for (unsigned char c : bytes)
            digit = digit || std::isdigit(c);
        type = digit ? 14 : 15;
        break;
    }
    case 7:
        type = 6;
        break;
    default:
        type = 0;
        break;
    }
    auto* element = new (std::nothrow) ECText(type, bytes);
    if (!element)
        return nullptr;
    element->SetTime(&time);
    element->SetVoiceTrack(&voiceTrack);
    return DoAdd(element, nullptr) ? element : nullptr;
}

ECBase* CMidiScoreMgr::AddLyricEvent(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* text,
                                     long length)
{
    if (!m_sequence)
        return nullptr;
    const std::string bytes = text && length > 0 ? std::string(reinterpret_cast<const char*>(text), static_cast<size_t>(length))
                                                 : std::string();
    auto* element = new (std::nothrow) ECLyric(bytes);
    if (!element)
        return nullptr;
    element->SetTime(&time);
    element->SetVoiceTrack(&voiceTrack);
    return DoAdd(element, nullptr) ? element : nullptr;
}

ECBase* CMidiScoreMgr::AddTempoEvent(const MCTime& time, MCVoiceTrack voiceTrack, float tempo, float second)
{
    if (!m_sequence)
        return nullptr;
    auto* element = new (std::nothrow) ECTempo;
    if (!element)
        return nullptr;
    element->SetTempo(tempo, second);
    element->SetTime(&time);
    element->SetVoiceTrack(&voiceTrack);
    return DoAdd(element, nullptr) ? element : nullptr;
}

ECBase* CMidiScoreMgr::AddMeterEvent(const MCTime& time, MCVoiceTrack voiceTrack, int numerator, int denominator)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor)
        return nullptr;
    // A meter the model cannot hold (no beats, a denominator that is no power of two) is not
    // added: a bar of no length would leave the conductor making bars for ever.
    plat::RefPtr<ECMeter> element(new (std::nothrow) ECMeter);
    if (!element || !element->SetMeter(static_cast<unsigned char>(numerator), static_cast<unsigned char>(denominator), 255))
        return nullptr;
    ECMeter* current = conductor->GetMeterAtTime(time);
    if (!current && conductor->GetMaxMeasureEndTime() > MCTime::TimeZero()) {
        // Bars made before any meter (for a message at the same time as the file's first
        // time signature, say) stand in 4/4: that meter is made explicit at the start, so
        // the new one re-bars them rather than leaving them 4/4 under a meter of its own.
        auto* common = new (std::nothrow) ECMeter;
        if (!common)
            return nullptr;
        common->SetTime(&MCTime::TimeZero());
        common->SetVoiceTrack(&voiceTrack);
        if (!DoAdd(common, nullptr))
            return nullptr;
        current = conductor->GetMeterAtTime(time);
    }
    if (current) {
        const float length = current->GetMeasureLength();
        const MCTime* at = current->GetTime();
        if (length > 0.0f && at && std::fmod(time.GetSeconds() - at->GetSeconds(), length) != 0.0f)
            return nullptr;
    }
    element->SetTime(&time);
    element->SetVoiceTrack(&voiceTrack);
    return DoAdd(element.get(), nullptr) ? element.get() : nullptr;
}

ECBase* CMidiScoreMgr::AddKeySignature(const MCTime& time, MCVoiceTrack voiceTrack, unsigned char sharps,
                                       unsigned char flats, unsigned char mode)
{
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    if (!conductor)
        return nullptr;
    auto* staff = plat::dynamicDowncast<ECStaff>(conductor->GetTrack(1, voiceTrack.GetTrack(), 0));
    if (!staff)
        return nullptr;
    if (ECKey* present = staff->GetKeyAtTime(time, 0); present && present->GetTime() && *present->GetTime() == time)
        return nullptr;
    auto* key = new (std::nothrow) ECKey;
    if (!key)
        return nullptr;
    key->SetNumSharps(sharps);
    key->SetNumFlats(flats);
    key->SetMode(mode);
    key->SetTime(&time);
    key->SetVoiceTrack(&voiceTrack);
    return DoAdd(key, nullptr) ? key : nullptr;
}

ECBase* CMidiScoreMgr::AddFlowControl(const MCTime& time, unsigned char type, int number)
{
    if (!m_sequence)
        return nullptr;
    auto* flow = new (std::nothrow) ECFlowControl(type);
    if (!flow)
        return nullptr;
    if (type == 14)
        flow->SetSequenceNumber(number);
    flow->SetTime(&time);
    flow->SetVoiceTrack(kFlowVoice, 0);
    return DoAdd(flow, nullptr) ? flow : nullptr;
}

ECBase* CMidiScoreMgr::AddSequenceNumber(const MCTime& time, MCVoiceTrack, int number)
{
    return AddFlowControl(time, 14, number);
}

ECBase* CMidiScoreMgr::AddTrackEnd(const MCTime& time, MCVoiceTrack)
{
    return AddFlowControl(time, 15, 0);
}

ECBase* CMidiScoreMgr::AddSMPTEOffset(const MCTime& time, MCVoiceTrack, int, int, int, int, int)
{
    return AddFlowControl(time, 13, 0);
}

void CMidiScoreMgr::CapMeasures(const MCTime& end)
{
    if (ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr)
        conductor->GetMeasure(0, end, 1, MeasureBatch());
}

unsigned char CMidiScoreMgr::ChannelModeType(const FCMidi& message)
{
    const uint16_t bit = static_cast<uint16_t>(1u << message.GetStatusLSB());
    const bool poly = (m_polyMask & bit) != 0;
    const bool omni = (m_omniMask & bit) != 0;
    switch (message.GetDataByte1()) {
    case 120:
        return 0;
    case 121:
        return 1;
    case 122:
        return message.GetDataByte2() ? 2 : 3;
    case 123:
        return 4;
    case 124:
        m_omniMask = static_cast<uint16_t>(m_omniMask & ~bit);
        return poly ? 7 : 8;
    case 125:
        m_omniMask = static_cast<uint16_t>(m_omniMask | bit);
        return poly ? 5 : 6;
    case 126:
        m_polyMask = static_cast<uint16_t>(m_polyMask & ~bit);
        return omni ? 6 : 8;
    default:
        m_polyMask = static_cast<uint16_t>(m_polyMask | bit);
        return omni ? 5 : 7;
    }
}

DCsqBase* CMidiScoreMgr::AddChannelModeData(ECBase* element, const FCMidi& message)
{
    auto* data = plat::dynamicDowncast<DCsqChannelMode>(element->GetData(0, 1));
    if (!data)
        return nullptr;
    auto* mode = static_cast<ECChannelMode*>(element);
    if (message.HasData()) {
        mode->SetChannelModeType(ChannelModeType(message));
        data->SetMidiData(message);
        data->SetBasicChannel(message.GetStatusLSB());
        if (message.GetDataByte1() == 126)
            data->SetMode4Channels(message.GetDataByte2());
    }
    m_sequence->InsertData(data);
    const unsigned char type = mode->GetChannelModeType();
    if (type < 5 || type > 8)
        return data;
    // One MIDI mode stands on a basic channel at a time.
    ECConductor* conductor = m_sequence->GetConductor();
    ECTrack* conductorStaff = conductor ? conductor->GetTrack(0, 0, 0) : nullptr;
    MCEventList* children = conductorStaff ? conductorStaff->GetChildren() : nullptr;
    if (!children)
        return data;
    auto* remove = new CCRemove;
    int count = 0;
    for (ECBase* other : *children) {
        if (other == element || other->GetEventId() != EventId::ChannelMode || !other->GetTime() ||
            !element->GetTime() || !(*other->GetTime() == *element->GetTime()))
            continue;
        const unsigned char otherType = static_cast<ECChannelMode*>(other)->GetChannelModeType();
        const auto* otherData = plat::dynamicDowncast<DCsqChannelMode>(other->GetData(0, 0));
        if (otherType >= 5 && otherType <= 8 && otherData && otherData->GetBasicChannel() == data->GetBasicChannel()) {
            remove->Remove(other);
            ++count;
        }
    }
    if (count)
        remove->Apply(m_sequence->GetPerformance());
    else
        remove->Unref(1);
    return data;
}

void CMidiScoreMgr::AddStaffData(ECBase* element)
{
    if (element->GetEventId() != EventId::Staff)
        return;
    if (Recording(CSequence::stateRecording) && RecordConfig() == 1)
        return;
    auto* data = plat::dynamicDowncast<DCsqTrack>(element->GetData(0, 0));
    if (!data)
        return;
    int device = 0;
    int channel = 0;
    MCConflictMgr conflicts(m_sequence);
    conflicts.GetNextAvailable(device, channel, MCConflictMgr::skipDrumChannel | MCConflictMgr::preferredDevice);
    for (int voice = 0; voice < 8; ++voice) {
        if (MCVoiceMap* map = data->GetVoiceMap(voice)) {
            map->SetDevice(static_cast<unsigned>(device));
            map->SetChannel(static_cast<unsigned>(channel));
        }
    }
    data->SetTrackGain(data->GetTrackGain());
}

DCsqBase* CMidiScoreMgr::AddTupletData(ECBase* element, const FCMidi& message)
{
    ACFindEvents find;
    find.ClipEvtType(EventId::Note);
    if (MCEventList* children = element->GetChildren())
        find.Apply(children, 1);
    MCEventList& notes = find.GetEvents();
    notes.RemoveDuplicates();
    int firstKey = -1;
    for (ECBase* note : notes) {
        if (note->GetEventId() != EventId::Note)
            continue;
        const auto* own = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0));
        if (!own || !own->GetMidiData().HasData()) {
            AddEventData(note, message);
            continue;
        }
        // The template's intervals stand above the played key.
        const int stored = own->GetMidiData().GetDataByte1();
        if (firstKey < 0)
            firstKey = stored;
        FCMidi played = message;
        const int key = message.GetDataByte1() + stored - firstKey;
        played.SetDataByte1(static_cast<uint8_t>(key < 0 ? 0 : key > 127 ? 127 : key));
        AddEventData(note, played);
    }
    return nullptr;
}

int CMidiScoreMgr::GetPrecedence(const DCsqBase* data)
{
    if (!data)
        return 0;
    switch (data->GetClassType()) {
    case SeqClassType::ConductorStaff:
    case SeqClassType::Staff:
    case SeqClassType::WaveTrack:
        return 2000;
    case SeqClassType::FlowControl: {
        const auto* flow = plat::dynamicDowncast<ECFlowControl>(data->GetOwner());
        if (!data->GetOwner())
            return 0;
        const int type = flow ? flow->GetFlowControlType() : 0;
        return type == 1 ? 1000 : type == 4 ? 950 : 900;
    }
    case SeqClassType::SysMsg:
        return 800;
    case SeqClassType::ChannelMode:
        return 750;
    case SeqClassType::Meter:
        return 700;
    case SeqClassType::Key:
        return 650;
    case SeqClassType::Text:
        return 600;
    case SeqClassType::Midi:
        return 500;
    case SeqClassType::Note:
        return 400;
    case SeqClassType::Wave:
        return 300;
    case SeqClassType::Lyric:
        return 200;
    default:
        return 0;
    }
}

DCsqBase* CMidiScoreMgr::AddEventData(ECBase* element, const FCMidi& message)
{
    if (!element || !m_sequence)
        return nullptr;
    const int id = element->GetEventId();
    switch (id) {
    case EventId::Accent:
        return plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
    case EventId::ConductorStaff:
    case EventId::Staff: {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        if (auto* track = plat::dynamicDowncast<DCsqTrack>(data))
            track->SetSequence(m_sequence);
        if (data)
            AddStaffData(element);
        return data;
    }
    case EventId::Note:
    case EventId::GraceNote: {
        auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 1));
        if (!data)
            return nullptr;
        if (message.HasData()) {
            if (message.IsNoteOn()) {
                data->SetNoteOnData(message);
                FCMidi off = message;
                off.SetDataByte2(0);
                data->SetNoteOffData(off);
            } else if (message.IsNoteOff()) {
                data->SetNoteOffData(message);
            } else {
                return nullptr;
            }
        }
        m_sequence->InsertData(data);
        if (id == EventId::Note) {
            // Grace notes hang under their note and play from their own note on when they
            // have one.
            if (MCEventList* children = element->GetChildren()) {
                for (ECBase* child : *children) {
                    if (child->GetEventId() != EventId::GraceNote)
                        continue;
                    const auto* own = plat::dynamicDowncast<DCsqNote>(child->GetData(0, 0));
                    const FCMidi graceOn = own && own->GetMidiData().HasData() ? own->GetMidiData() : message;
                    AddEventData(child, graceOn);
                }
            }
        }
        return data;
    }
    case EventId::SystemMessage: {
        auto* data = plat::dynamicDowncast<DCsqSysMsg>(element->GetData(0, 1));
        if (!data)
            return nullptr;
        if (message.HasData()) {
            if (const FCMidiSysEx* sysEx = AsSysEx(message))
                data->SetSysExData(*sysEx);
            else if (!message.IsSysExMsg())
                data->SetMidiData(message);
        }
        m_sequence->InsertData(data);
        return data;
    }
    case EventId::ChannelMode:
        return AddChannelModeData(element, message);
    case EventId::FlowControl:
    case EventId::Key:
    case EventId::Lyric:
    case EventId::Meter:
    case EventId::Text: {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 1));
        if (data)
            m_sequence->InsertData(data);
        return data;
    }
    case EventId::ChanPressureEnv:
    case EventId::ControllerEnv:
    case EventId::NRPNEnv:
    case EventId::PatchEnv:
    case EventId::PitchBendEnv:
    case EventId::PolyPressureEnv:
    case EventId::RPNEnv: {
        // An envelope put (back) into the score plays through its staff voice's manager.
        const MCVoiceTrack* voiceTrack = element->GetVoiceTrack();
        auto* staff = plat::dynamicDowncast<DCsqStaff>(DCsqTrack::GetTrackData(element, 1, m_sequence));
        CMidiEnvelopeMgr* manager = staff && voiceTrack ? staff->GetMidiEnvelopeMgr(voiceTrack->GetVoice(), 1) : nullptr;
        if (manager)
            manager->AddEnvelope(static_cast<ECEnvelope*>(element));
        return nullptr;
    }
    case EventId::Tuplet:
        return AddTupletData(element, message);
    default:
        return nullptr;
    }
}
