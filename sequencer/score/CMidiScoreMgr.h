#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/MCTime.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/core/RefPtr.h"

#include <cstdint>
#include <unordered_map>
#include <vector>

class CSequence;
class DCsqBase;
class ECBase;
class FCMidi;

// The MIDI score manager of a sequence: turns MIDI messages (recorded, or read from a MIDI
// file) into elements of the score, finds each element's parent and adds it through the add
// commands, so the sequence learns of it the ordinary way; and builds the sequencer data of
// every element an edit adds, from the message that rode with the add command.
//
// It takes no lock of its own: the file reader holds the performance lock for the whole load,
// and the elements reach the piece only through the performance's command manager.
class SEQUENCER_API CMidiScoreMgr {
public:
    CMidiScoreMgr();
    ~CMidiScoreMgr();
    CMidiScoreMgr(const CMidiScoreMgr&) = delete;
    CMidiScoreMgr& operator=(const CMidiScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    // Forgets the sequence and the pending notes and pedals.
    void Detach();
    CSequence* GetSequence() const { return m_sequence; }

    // The element of one message, added under its parent: a note (added at its note on; the
    // note off sets its duration and answers null), a channel mode, a system message or an
    // envelope point. Null when nothing was added.
    ECBase* AddMidiEvent(const MCTime& time, MCVoiceTrack voiceTrack, const FCMidi& message, int device,
                         const MCTime& duration);
    // A copy of the entry tuplet at the message's time whose notes last the duration; a plain
    // note when the tuplet does not fit its bar.
    ECBase* AddTupletEvent(const MCTime& time, MCVoiceTrack voiceTrack, const FCMidi& message, int device,
                           const MCTime& duration);
    // A text of the type that the MIDI file's meta type names.
    ECBase* AddTextEvent(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* text, long length,
                         int metaType);
    ECBase* AddLyricEvent(const MCTime& time, MCVoiceTrack voiceTrack, const unsigned char* text, long length);
    ECBase* AddTempoEvent(const MCTime& time, MCVoiceTrack voiceTrack, float tempo, float second);
    // Refused (null) off a bar line of the meter in force.
    ECBase* AddMeterEvent(const MCTime& time, MCVoiceTrack voiceTrack, int numerator, int denominator);
    // On the track's staff; refused without a staff or when a key stands at that time.
    ECBase* AddKeySignature(const MCTime& time, MCVoiceTrack voiceTrack, unsigned char sharps,
                            unsigned char flats, unsigned char mode);
    // Flow marks stand in voice 14 of the conductor track whatever the voice/track.
    ECBase* AddSequenceNumber(const MCTime& time, MCVoiceTrack voiceTrack, int number);
    ECBase* AddTrackEnd(const MCTime& time, MCVoiceTrack voiceTrack);
    ECBase* AddSMPTEOffset(const MCTime& time, MCVoiceTrack voiceTrack, int hours, int minutes, int seconds,
                           int frames, int subFrames);
    // Makes the conductor hold bars up to the end time.
    void CapMeasures(const MCTime& end);

    // Set while a MIDI file is read; setting it resets the omni and poly masks.
    void SetFileLoading(int loading);
    int GetFileLoading() const { return m_fileLoading; }
    // Forgets every pending note: the notes already added keep the duration they have.
    void ClearPendingEvents();
    // The match keys (see GetMatchKey) of the notes still waiting for their note off.
    std::vector<uint32_t> GetPendingNoteKeys() const;

    // The element for a message, built but not added; null for a note off (which ends its
    // pending note) and for what makes no element.
    ECBase* GetEventForData(const FCMidi& message, int device, const MCTime& time, MCVoiceTrack voiceTrack,
                            const MCTime& duration);
    // The element the element is to be added under, or null.
    ECBase* GetParent(ECBase* element);

    // The sequencer data of an element an edit added, made when missing: linked into the
    // sequence's data list for the kinds that play from there, unlinked for accents and staves,
    // none (null) for other kinds. A message with data fills the data of a note (a note on, or
    // a note off), a channel mode or a system message; data an element kept (an undone
    // removal) stays as it is under a null message. Null too for a note given a message that
    // is no note.
    DCsqBase* AddEventData(ECBase* element, const FCMidi& message);

    // Of data at one time, the higher precedence stands first in the data list: tracks 2000,
    // flow control 900 (1000 for flow type 1, 950 for type 4), system messages 800,
    // channel modes 750, meters 700, keys 650, texts 600, MIDI 500, notes 400, waves 300,
    // lyrics 200, the rest 0.
    static int GetPrecedence(const DCsqBase* data);

    // The omni and poly masks, one bit per channel.
    uint16_t GetOmniMask() const { return m_omniMask; }
    uint16_t GetPolyMask() const { return m_polyMask; }

protected:
    // Adds the element under its parent through the matching add command; 0 (and the element
    // released) when it has no parent.
    int DoAdd(ECBase* element, const FCMidi* message);
    static uint32_t GetMatchKey(int device, int channel, int data);
    void SetPendingNote(uint32_t key, ECBase* note);
    // Takes the note out of the map; null when none waits under the key.
    plat::RefPtr<ECBase> GetPendingNote(uint32_t key);
    void SetPendingPedal(uint32_t key, ECBase* pedal);
    plat::RefPtr<ECBase> GetPendingPedal(uint32_t key);

private:
    int Recording(uint32_t mask) const;
    int RecordConfig() const;
    // Bars are appended ten at a time while recording, else one at a time.
    int MeasureBatch() const;
    void MakeMeasureAt(const MCTime& time);
    ECBase* AddFlowControl(const MCTime& time, unsigned char type, int number);
    // The mode type of a channel-mode message, following the omni and poly masks.
    unsigned char ChannelModeType(const FCMidi& message);
    DCsqBase* AddChannelModeData(ECBase* element, const FCMidi& message);
    void AddStaffData(ECBase* element);
    DCsqBase* AddTupletData(ECBase* element, const FCMidi& message);

    CSequence* m_sequence = nullptr;
    int m_fileLoading = 0;
    std::unordered_map<uint32_t, plat::RefPtr<ECBase>> m_pendingNotes;
    std::unordered_map<uint32_t, plat::RefPtr<ECBase>> m_pendingPedals;
    uint16_t m_omniMask = 0xFFFF;
    uint16_t m_polyMask = 0xFFFF;
};
