#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;
class CWGEventData;

// The wave recorder of a sequence: the wave input that reaches the record callback is meant to
// be written to files per track. So far it keeps its sequence and records nothing; the
// transport's calls do nothing.
class SEQUENCER_API CWaveRecorder {
public:
    CWaveRecorder() = default;
    CWaveRecorder(const CWaveRecorder&) = delete;
    CWaveRecorder& operator=(const CWaveRecorder&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    void PrepareToRecord() {}
    void Stop() {}
    void Pause() {}
    void RecordWaveData(int /*device*/, CWGEventData* /*buffer*/) {}

private:
    CSequence* m_sequence = nullptr;
};
