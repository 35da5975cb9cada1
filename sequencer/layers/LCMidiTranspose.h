#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCMidiFilter.h"

class FCMidi;

// The transposition layer of older documents: a number of semitones over the time of a
// transposition mark.
class SEQUENCER_API LCMidiTranspose : public LCMidiFilter {
    PLAT_DECLARE_SERIAL(LCMidiTranspose)
public:
    // Ends at the end of time.
    LCMidiTranspose();
    LCMidiTranspose(const LCMidiTranspose& other) = default;
    LCMidiTranspose& operator=(const LCMidiTranspose& other) = default;
    bool operator==(const LCMidiTranspose& other) const { return m_semitones == other.m_semitones; }
    bool operator!=(const LCMidiTranspose& other) const { return !(*this == other); }

    LCBase* Copy(plat::Object* other) override;
    // A transposition mark: +12 for type 0, -12 for 1, +24 for 2, else 0, over its time.
    void UpdateParametersFrom(ECBase* element) override;
    int GetSemitones() const { return m_semitones; }

protected:
    // The key moves by the semitones, held to 0..127.
    void ProcessMessage(FCMidi& message) const;

private:
    int m_semitones = 0;
};
