#pragma once

#include "sequencer/SequencerExport.h"

#include <cstdint>

class CSequence;

// The MIDI recorder of a sequence: what MIDI input reaches the record callback is meant to
// become notes and controllers of the score. So far it keeps its sequence and records nothing;
// the transport's calls do nothing.
class SEQUENCER_API CMidiRecorder {
public:
    CMidiRecorder() = default;
    CMidiRecorder(const CMidiRecorder&) = delete;
    CMidiRecorder& operator=(const CMidiRecorder&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    void PrepareToRecord() {}
    void PrepareToStepRecord() {}
    void StepRecordRest() {}
    void Stop() {}
    void Pause() {}
    void RecordMidiChannelMessage(int /*device*/, uint32_t /*message*/, uint32_t /*timeMs*/) {}

    // The staff that recording goes to (record arm), 0 for none.
    void SelectBaseRecordingTrack(int track) { m_baseTrack = track; }
    int GetBaseRecordingTrack() const { return m_baseTrack; }

private:
    CSequence* m_sequence = nullptr;
    int m_baseTrack = 0;
};
