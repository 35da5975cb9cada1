#include "sequencer/events/CSeqEvent.h"

#include "sequencer/data/DCsqTrack.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CWavegate.h"

#include <algorithm>
#include <limits>
#include <new>
#include <utility>
#include <vector>

namespace {

// Record time in ms: the seconds truncated toward zero. The seconds are a float worked out
// through the tempo map, so a time meant to fall on a millisecond can come a unit of its last
// place short of it; that is let through to the millisecond instead of making the event 1 ms
// early. A time before the performance began is due at once, and one past the
// range of a record waits for good.
uint32_t recordTime(const MCTime& time)
{
    const double ms = static_cast<double>(time.GetSeconds()) * 1000.0;
    if (!(ms > 0.0))
        return 0;
    if (ms >= 4294967295.0)
        return 0xFFFFFFFFu;
    const double slack = ms * 2.0 * std::numeric_limits<float>::epsilon();
    return static_cast<uint32_t>(std::min(ms + slack, 4294967295.0));
}

FCMidi controller(uint8_t channel, unsigned number, unsigned long value)
{
    FCMidi message;
    message.SetStatusByte(static_cast<uint8_t>(0xB0 | (channel & 0x0F)));
    message.SetDataByte1(static_cast<uint8_t>(number));
    message.SetDataByte2(static_cast<uint8_t>(value));
    return message;
}

WG_WaveParams* copyBlock(uintptr_t value)
{
    const auto* block = reinterpret_cast<const WG_WaveParams*>(value);
    return block ? new WG_WaveParams(*block) : nullptr;
}

}  // namespace

CSeqEvent::CSeqEvent(const CSeqEvent& other)
    : m_dataWord(other.m_dataWord), m_timeStamp(other.m_timeStamp), m_duration(other.m_duration),
      m_baseEvent(other.m_baseEvent), m_track(other.m_track), m_voiceTrack(other.m_voiceTrack), m_midi(other.m_midi),
      m_sysEx(other.m_sysEx), m_value(other.m_value), m_subType(other.m_subType)
{
    if (OwnsBlock(GetDataType()))
        m_value = reinterpret_cast<uintptr_t>(copyBlock(other.m_value));
}

CSeqEvent& CSeqEvent::operator=(const CSeqEvent& other)
{
    if (this == &other)
        return *this;
    const uintptr_t value = OwnsBlock(other.GetDataType()) ? reinterpret_cast<uintptr_t>(copyBlock(other.m_value)) : other.m_value;
    ReleaseBlock();
    m_dataWord = other.m_dataWord;
    m_timeStamp = other.m_timeStamp;
    m_duration = other.m_duration;
    m_baseEvent = other.m_baseEvent;
    m_track = other.m_track;
    m_voiceTrack = other.m_voiceTrack;
    m_midi = other.m_midi;
    m_sysEx = other.m_sysEx;
    m_value = value;
    m_subType = other.m_subType;
    return *this;
}

CSeqEvent::~CSeqEvent()
{
    ReleaseBlock();
}

WG_WaveParams* CSeqEvent::GetWaveParams() const
{
    return OwnsBlock(GetDataType()) ? reinterpret_cast<WG_WaveParams*>(m_value) : nullptr;
}

void CSeqEvent::ReleaseBlock()
{
    if (OwnsBlock(GetDataType())) {
        delete reinterpret_cast<WG_WaveParams*>(m_value);
        m_value = 0;
    }
}

void CSeqEvent::SetType(uint32_t type)
{
    ReleaseBlock();
    m_dataWord = (m_dataWord & ~0xFFu) | (type & 0xFF);
}

void CSeqEvent::SetBlock(uint32_t type, WG_WaveParams* params)
{
    // The block the event holds already is kept, any other is freed.
    if (GetWaveParams() != params)
        ReleaseBlock();
    m_value = reinterpret_cast<uintptr_t>(params);
    m_dataWord = (m_dataWord & ~0xFFu) | type;
}

void CSeqEvent::SetSource(ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack)
{
    m_baseEvent = element;
    m_track = track;
    m_timeStamp = time;
    m_voiceTrack = voiceTrack;
}

void CSeqEvent::SetMidiEvent(const FCMidi& message, ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack)
{
    SetType(typeMidi);
    m_midi = message;
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetDoubleEvent(const FCMidi& message, unsigned long value, ECBase* element, DCsqTrack* track, const MCTime& time,
                               MCVoiceTrack voiceTrack)
{
    SetType(typeDouble);
    m_midi = message;
    m_value = value;
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetNoteEvent(const FCMidi& noteOn, unsigned long offVelocity, const MCTime& duration, ECBase* element,
                             DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack)
{
    SetType(typeNote);
    m_midi = noteOn;
    m_value = offVelocity;
    m_duration = duration;
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetNRPNEvent(unsigned long paramMSB, unsigned long paramLSB, unsigned long value, ECBase* element, DCsqTrack* track,
                             const MCTime& time, MCVoiceTrack voiceTrack)
{
    SetType(typeNRPN);
    m_subType = static_cast<uint32_t>((paramMSB & 0x7F) << 8 | (paramLSB & 0x7F));
    m_value = value;
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetRPNEvent(unsigned long paramMSB, unsigned long paramLSB, unsigned long value, ECBase* element, DCsqTrack* track,
                            const MCTime& time, MCVoiceTrack voiceTrack)
{
    SetNRPNEvent(paramMSB, paramLSB, value, element, track, time, voiceTrack);
    SetType(typeRPN);
}

void CSeqEvent::SetPatchEvent(const FCMidi& programChange, unsigned long bankMSB, unsigned long bankLSB, ECBase* element,
                              DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack)
{
    SetType(typePatch);
    m_midi = programChange;
    m_subType = static_cast<uint32_t>((bankMSB & 0x7F) << 8 | (bankLSB & 0x7F));
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetSysExEvent(const FCMidiSysEx& message, ECBase* element, DCsqTrack* track, const MCTime& time,
                              MCVoiceTrack voiceTrack)
{
    SetType(typeSysEx);
    m_sysEx = message;
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetMetaEvent(DCsqBase* data, const MCTime& time, DCsqTrack* track)
{
    SetType(typeMeta);
    m_value = reinterpret_cast<uintptr_t>(data);
    m_timeStamp = time;
    m_track = track;
}

void CSeqEvent::SetWaveParamEvent(WG_WaveParams* params, ECBase* element, DCsqTrack* track, const MCTime& time,
                                  MCVoiceTrack voiceTrack)
{
    SetBlock(typeWaveParams, params);
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetWaveStartEvent(WG_WaveParams* params, ECBase* element, DCsqTrack* track, const MCTime& time,
                                  MCVoiceTrack voiceTrack)
{
    SetBlock(typeWaveStart, params);
    SetSource(element, track, time, voiceTrack);
}

void CSeqEvent::SetTimingEvent(const FCMidi& message, const MCTime& time)
{
    SetType(typeTiming);
    m_midi = message;
    m_timeStamp = time;
}

void CSeqEvent::SetChannelModeEvent(const FCMidi& message, ECBase* element, unsigned int device, const MCTime& time)
{
    SetType(typeChannelMode);
    m_midi = message;
    m_baseEvent = element;
    m_value = device;
    m_timeStamp = time;
}

std::unique_ptr<CSeqEvent> CSeqEvent::SplitNoteOff()
{
    std::unique_ptr<CSeqEvent> off(new (std::nothrow) CSeqEvent);
    if (!off)
        return nullptr;
    SplitNoteOff(*off);
    return off;
}

void CSeqEvent::SplitNoteOff(CSeqEvent& off)
{
    if (&off == this)
        return;
    off = *this;
    SetType(typeMidi);
    off.SetType(typeMidi);
    off.m_timeStamp += m_duration;
    if (m_value != 0) {
        off.m_midi.SetStatusMSB(0x80);
        off.m_midi.SetDataByte2(static_cast<uint8_t>(m_value & 0x7F));
    } else {
        off.m_midi.SetDataByte2(0);
    }
}

const MCVoiceMap* CSeqEvent::VoiceMap() const
{
    if (!m_track)
        return nullptr;
    const int voice = m_voiceTrack.IsConverted() ? MCVoiceTrack::noVoice : (m_voiceTrack.GetValue() & 0x0F);
    return m_track->GetVoiceMap(voice);
}

CWGEventData& CSeqEvent::AddRecord(CWGEventList& list, CWGEventList* spare)
{
    if (spare && !spare->empty()) {
        list.splice(list.end(), *spare, spare->begin());
        return *list.back();
    }
    list.push_back(std::make_unique<CWGEventData>());
    return *list.back();
}

void CSeqEvent::WrapMidiData(CWGEventData& record, const MCVoiceMap* map, const FCMidi& message, int defaultDevice, uint32_t time)
{
    record.SetMidiData(message.GetValue());
    record.time = time;
    // A system common or real-time status has no channel: its low nibble is part of the status,
    // so the map chooses only the device.
    const bool system = message.GetStatusByte() >= 0xF0;
    if (map && !system)
        record.SetDevChan(static_cast<int>(map->GetDevice()), static_cast<int>(map->GetChannel()));
    else if (map)
        record.device = static_cast<int>(map->GetDevice());
    else
        record.device = defaultDevice;
}

void CSeqEvent::ConvertData(CWGEventList& out, int defaultDevice, CWGEventList* spare)
{
    if (IsMuted())
        return;
    const MCVoiceMap* map = VoiceMap();
    const uint32_t time = recordTime(m_timeStamp);
    const uint32_t type = GetDataType();
    try {
        switch (type) {
        case typeMidi:
            WrapMidiData(AddRecord(out, spare), map, m_midi, defaultDevice, time);
            break;
        case typeDouble:
        case typeNRPN:
        case typeRPN:
        case typePatch: {
            // Every message is made before any record goes out, so an event is whole or absent.
            std::vector<FCMidi> messages;
            if (type == typeDouble) {
                FCMidi high = m_midi;
                high.SetDataByte2(static_cast<uint8_t>(m_value >> 7));
                FCMidi low = m_midi;
                low.SetDataByte1(static_cast<uint8_t>(m_midi.GetDataByte1() + 32));
                low.SetDataByte2(static_cast<uint8_t>(m_value & 0x7F));
                messages = {high, low};
            } else if (type == typePatch) {
                // Without a voice map the bank goes to the program change's own channel.
                const uint8_t channel = m_midi.GetStatusLSB();
                messages = {controller(channel, 0, m_subType >> 8 & 0x7F), controller(channel, 32, m_subType & 0x7F), m_midi};
            } else {
                const unsigned msbController = type == typeNRPN ? 99 : 101;
                const unsigned lsbController = type == typeNRPN ? 98 : 100;
                messages = {controller(0, msbController, m_subType >> 8 & 0x7F), controller(0, lsbController, m_subType & 0x7F),
                            controller(0, 6, m_value >> 7 & 0x7F),          controller(0, 38, m_value & 0x7F),
                            controller(0, msbController, 127),               controller(0, lsbController, 127)};
            }
            CWGEventList made;
            for (const FCMidi& message : messages)
                WrapMidiData(AddRecord(made, spare), map, message, defaultDevice, time);
            out.splice(out.end(), made);
            break;
        }
        case typeSysEx: {
            if (!m_sysEx.HasData())
                break;
            auto record = std::make_unique<CWGEventData>();
            record->SetSysExData(m_sysEx.GetSysExBuf(), m_sysEx.GetSysExBufLength());
            if (record->type != CWGEventData::WG_EVENT_SYSEX)
                break;
            record->time = time;
            record->device = map ? static_cast<int>(map->GetDevice()) : defaultDevice;
            out.push_back(std::move(record));
            break;
        }
        case typeMeta: {
            auto record = std::make_unique<CWGEventData>();
            record->SetFileMeta(m_value);
            record->time = time;
            out.push_back(std::move(record));
            break;
        }
        case typeWaveParams: {
            if (!m_value)
                break;
            auto record = std::make_unique<CWGEventData>();
            record->SetWaveData(reinterpret_cast<WG_WaveParams*>(m_value));
            m_value = 0;  // the record owns the block now
            record->time = time;
            record->device = map ? static_cast<int>(map->GetDevice()) : defaultDevice;
            out.push_back(std::move(record));
            break;
        }
        case typeWaveStart: {
            if (!m_value)
                break;
            auto record = std::make_unique<CWGEventData>();
            record->SetWaveStart(reinterpret_cast<const WG_WaveParams*>(m_value));
            record->time = time;
            const CWavegate* wavegate = CWavegate::GetWavegate();
            record->device = wavegate ? wavegate->GetTimingDeviceNum() : 0;
            out.push_back(std::move(record));
            break;
        }
        case typeTiming: {
            const CWavegate* wavegate = CWavegate::GetWavegate();
            const int devices = wavegate ? wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT) : 0;
            for (int device = devices - 1; device >= 0; --device)
                WrapMidiData(AddRecord(out, spare), nullptr, m_midi, device, time);
            break;
        }
        case typeChannelMode:
            WrapMidiData(AddRecord(out, spare), nullptr, m_midi, static_cast<int>(m_value), time);
            break;
        default:
            break;
        }
    } catch (const std::bad_alloc&) {
        // An event whose records cannot be made yields what was appended before the failure.
    }
}
