#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/data/DCsqMidi.h"

// The sequencer data of a note or a grace note: its note-on message (the inherited message)
// and its note-off message. It plays as one note event with the note's duration, which the
// filters of the note's marks may change.
class SEQUENCER_API DCsqNote : public DCsqMidi {
    PLAT_DECLARE_SERIAL(DCsqNote)
public:
    DCsqNote() = default;
    DCsqNote(const DCsqNote& other) : DCsqMidi(other), m_noteOff(other.m_noteOff) {}
    DCsqNote& operator=(const DCsqNote& other);
    // Equal note-on and note-off messages.
    bool operator==(const DCsqNote& other) const
    {
        return DCsqMidi::operator==(other) && m_noteOff.GetValue() == other.m_noteOff.GetValue();
    }
    bool operator!=(const DCsqNote& other) const { return !(*this == other); }

    // The message record, then the 4 bytes of the note-off word.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;

    FCMidi& GetNoteOnData() { return GetMidiData(); }
    void SetNoteOnData(const FCMidi& message) { SetMidiData(message); }
    FCMidi& GetNoteOffData() { return m_noteOff; }
    // Sets the key of both messages.
    void ChangeMidiPitch(int key);
    void SetNoteOffData(const FCMidi& message) { m_noteOff = message; }

private:
    FCMidi m_noteOff;
};
