#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/FCMidi.h"
#include "notabase/values/FCMidiSysEx.h"
#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "wavegate/CWGEventData.h"

#include <cstdint>
#include <list>
#include <memory>

class DCsqBase;
class DCsqTrack;
class ECBase;
class MCVoiceMap;
struct WG_WaveParams;

// One performance event on its way from the data that makes it to the media records it becomes:
// a kind (the data type), a muted bit, a time stamp and a duration, the element and track it
// comes from, the voice that picks its output address, and the values of its kind. A note
// travels as one event with a duration and is split into its on and off halves before it is
// converted.
//
// Wave events own their parameter block: a wave-start event keeps it, a wave-parameter event
// hands it to the media record it is converted into. A copy gets a block of its own, so two
// events never free the same block.
class SEQUENCER_API CSeqEvent {
public:
    enum DataType : uint32_t {
        typeNone = 0,
        typeMidi = 1,
        typeDouble = 2,
        typeNote = 3,
        typeNRPN = 4,
        typeRPN = 5,
        typePatch = 6,
        typeSysEx = 7,
        typeMeta = 8,
        typeWaveParams = 9,
        typeWaveStart = 10,
        typeTiming = 13,
        typeChannelMode = 14,
    };

    CSeqEvent() = default;
    CSeqEvent(const CSeqEvent& other);
    CSeqEvent& operator=(const CSeqEvent& other);
    ~CSeqEvent();

    uint32_t GetDataType() const { return m_dataWord & 0xFF; }
    int IsMuted() const { return (m_dataWord >> 8) & 1; }
    void SetMuted(int muted) { m_dataWord = (m_dataWord & ~0x100u) | (static_cast<uint32_t>(muted & 1) << 8); }
    MCTime& GetTimeStamp() { return m_timeStamp; }
    void SetTimeStamp(const MCTime& time) { m_timeStamp = time; }
    MCTime& GetDuration() { return m_duration; }
    void SetDuration(const MCTime& duration) { m_duration = duration; }
    MCVoiceTrack& GetVoiceTrack() { return m_voiceTrack; }
    void SetVoiceTrack(const MCVoiceTrack& voiceTrack) { m_voiceTrack = voiceTrack; }
    FCMidi& GetMidiData() { return m_midi; }
    FCMidiSysEx& GetSysExData() { return m_sysEx; }
    // The kind's value: a 14-bit value, a note-off velocity, a device, or a pointer (a
    // parameter block of the wave kinds, the data of a meta event).
    uintptr_t& GetValue() { return m_value; }
    // The parameter number of NRPN and RPN events and the bank of a patch: (MSB << 8) | LSB.
    uint32_t& GetPNSubType() { return m_subType; }
    // The parameter block of a wave event, else null.
    WG_WaveParams* GetWaveParams() const;
    ECBase* GetBaseEvent() const { return m_baseEvent; }
    void SetBaseEvent(ECBase* element) { m_baseEvent = element; }
    DCsqTrack* GetTrack() const { return m_track; }

    // Each setter sets the kind (the muted bit stays) and the fields it names.
    void SetMidiEvent(const FCMidi& message, ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack);
    // A 14-bit value on a controller pair: the message's controller carries the high 7 bits,
    // the controller 32 above it the low 7 bits.
    void SetDoubleEvent(const FCMidi& message, unsigned long value, ECBase* element, DCsqTrack* track, const MCTime& time,
                        MCVoiceTrack voiceTrack);
    void SetNoteEvent(const FCMidi& noteOn, unsigned long offVelocity, const MCTime& duration, ECBase* element, DCsqTrack* track,
                      const MCTime& time, MCVoiceTrack voiceTrack);
    void SetNRPNEvent(unsigned long paramMSB, unsigned long paramLSB, unsigned long value, ECBase* element, DCsqTrack* track,
                      const MCTime& time, MCVoiceTrack voiceTrack);
    void SetRPNEvent(unsigned long paramMSB, unsigned long paramLSB, unsigned long value, ECBase* element, DCsqTrack* track,
                     const MCTime& time, MCVoiceTrack voiceTrack);
    void SetPatchEvent(const FCMidi& programChange, unsigned long bankMSB, unsigned long bankLSB, ECBase* element, DCsqTrack* track,
                       const MCTime& time, MCVoiceTrack voiceTrack);
    void SetSysExEvent(const FCMidiSysEx& message, ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack);
    // Sets the track but not the element.
    void SetMetaEvent(DCsqBase* data, const MCTime& time, DCsqTrack* track);
    // Takes the block, which must come from new.
    void SetWaveParamEvent(WG_WaveParams* params, ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack);
    // Takes the block, which must come from new.
    void SetWaveStartEvent(WG_WaveParams* params, ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack);
    // The message for every MIDI output; leaves track and voice as they are.
    void SetTimingEvent(const FCMidi& message, const MCTime& time);
    // The message for one device; leaves track and voice as they are.
    void SetChannelModeEvent(const FCMidi& message, ECBase* element, unsigned int device, const MCTime& time);

    // The off half of a note event, owned by the caller; both events become MIDI events. Null
    // when it cannot be made, and then nothing changes.
    std::unique_ptr<CSeqEvent> SplitNoteOff();
    // The same into an event the caller has (one taken from a pool): off becomes the off half.
    void SplitNoteOff(CSeqEvent& off);

    // Appends the media records of the event, timed in milliseconds from the time stamp read
    // as performance seconds, and addressed through the voice map of the event's track (the
    // default device and the message's own channel when there is none). A muted event, a note
    // that was not split and the kinds that make nothing yield no record, and so does an event
    // whose records cannot all be made. A wave-parameter event hands its block to its record.
    // The records are taken, in their list nodes, from spare (empty records, none null) while
    // it has any.
    void ConvertData(CWGEventList& out, int defaultDevice, CWGEventList* spare = nullptr);

private:
    // Appends an empty record to list, the first of spare when there is one.
    static CWGEventData& AddRecord(CWGEventList& list, CWGEventList* spare);
    // Fills one short-message record.
    static void WrapMidiData(CWGEventData& record, const MCVoiceMap* map, const FCMidi& message, int defaultDevice, uint32_t time);
    static bool OwnsBlock(uint32_t type) { return type == typeWaveParams || type == typeWaveStart; }
    // Frees the block of a wave event and forgets it.
    void ReleaseBlock();
    // Sets the kind, first freeing the block of a wave event that leaves its kind.
    void SetType(uint32_t type);
    // Makes the event a wave event of the kind holding the block.
    void SetBlock(uint32_t type, WG_WaveParams* params);
    void SetSource(ECBase* element, DCsqTrack* track, const MCTime& time, MCVoiceTrack voiceTrack);
    const MCVoiceMap* VoiceMap() const;

    uint32_t m_dataWord = 0;
    MCTime m_timeStamp;
    MCTime m_duration;
    ECBase* m_baseEvent = nullptr;
    DCsqTrack* m_track = nullptr;
    MCVoiceTrack m_voiceTrack;
    FCMidi m_midi;
    FCMidiSysEx m_sysEx;
    uintptr_t m_value = 0;
    uint32_t m_subType = 0;
};

// A list of events that owns them.
using CSeqEventList = std::list<std::unique_ptr<CSeqEvent>>;
