#pragma once

#include "sequencer/SequencerExport.h"

#include "notabase/values/FCMidi.h"
#include "sequencer/data/DCsqBase.h"

// The sequencer data of an element that plays as one MIDI short message (a controller, a
// pedal, pressure, pitch bend, a program or bank change).
class SEQUENCER_API DCsqMidi : public DCsqBase {
    PLAT_DECLARE_SERIAL(DCsqMidi)
public:
    DCsqMidi() = default;
    DCsqMidi(const DCsqMidi& other) : DCsqBase(other), m_message(other.m_message) {}
    DCsqMidi& operator=(const DCsqMidi& other);
    // Equal messages.
    bool operator==(const DCsqMidi& other) const { return m_message.GetValue() == other.m_message.GetValue(); }
    bool operator!=(const DCsqMidi& other) const { return !(*this == other); }

    // The base record, then the 4 bytes of the message word, status first.
    void Serialize(plat::Archive& archive) override;
    DCBase* Copy(plat::Object* other) override;
    int GetClassType() const override;
    // One MIDI event of the message, on the staff of the owner's track.
    void GetEventData(CSeqEventList& list, CSequence* sequence) override;

    FCMidi& GetMidiData() { return m_message; }
    const FCMidi& GetMidiData() const { return m_message; }
    void SetMidiData(const FCMidi& message) { m_message = message; }

    // A message word read from a file, each data byte held to 0..127 and the unused top byte
    // cleared: a damaged word cannot give a key or a velocity no message holds.
    static FCMidi LoadedMessage(uint32_t word);

    int PlayedTrack() const override;

protected:
    // Whether the owner's events are played: it has an owner and the sequence does not leave
    // out its track.
    bool Plays(CSequence* sequence) const;

private:
    FCMidi m_message;
};
