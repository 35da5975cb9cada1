#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCMidiFilter.h"

#include <cstdint>

class FCMidi;

// The accent layer of older documents: the accent filter's steps on a bare message or time.
class SEQUENCER_API LCMidiAccent : public LCMidiFilter {
    PLAT_DECLARE_SERIAL(LCMidiAccent)
public:
    LCMidiAccent() = default;
    LCMidiAccent(const LCMidiAccent& other) = default;
    LCMidiAccent& operator=(const LCMidiAccent& other) = default;
    bool operator==(const LCMidiAccent& other) const;
    bool operator!=(const LCMidiAccent& other) const { return !(*this == other); }

    // The LCBase bytes, then the note-off byte and the three factors (read from version 1 on).
    void Serialize(plat::Archive& archive) override;
    LCBase* Copy(plat::Object* other) override;

    float GetDurationChange() const { return m_durationChange; }
    void SetDurationChange(float factor) { m_durationChange = factor; }
    float GetVelocityOnChange() const { return m_velocityOnChange; }
    void SetVelocityOnChange(float factor) { m_velocityOnChange = factor; }
    float GetVelocityOffChange() const { return m_velocityOffChange; }
    void SetVelocityOffChange(float factor) { m_velocityOffChange = factor; }
    int ProcessesNotesOff() const { return m_processNotesOff; }
    void ProcessNotesOff(uint8_t on) { m_processNotesOff = on; }

protected:
    void ProcessNoteOn(FCMidi& message) const;
    // Only when note offs are processed.
    void ProcessNoteOff(FCMidi& message) const;
    void ProcessDuration(MCTime& duration) const;

private:
    uint8_t m_processNotesOff = 0;
    float m_durationChange = -1.0f;
    float m_velocityOnChange = -1.0f;
    float m_velocityOffChange = -1.0f;
};
