#pragma once

#include "sequencer/SequencerExport.h"

#include "sequencer/layers/LCsqQuantize.h"

#include <cstdint>

class CSequence;
class FCMidi;

// The MIDI recorder of a sequence: what MIDI input reaches the record callback is meant to
// become notes and controllers of the score. So far it keeps its sequence and records nothing;
// the transport's calls do nothing. It keeps the record settings the preferences give it and
// its quantizer, and answers which input messages the sequence's input filter drops.
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
    void SetRecordConfig(int config) { m_recordConfig = config; }
    int GetRecordConfig() const { return m_recordConfig; }
    void SetSplitPitch(int pitch) { m_splitPitch = pitch; }
    int GetSplitPitch() const { return m_splitPitch; }
    void SetIgnoresDevice(int ignores) { m_ignoresDevice = ignores; }
    int IgnoresDevice() const { return m_ignoresDevice; }
    LCsqQuantize& GetQuantizer() { return m_quantizer; }
    // Nonzero when the sequence's input filter blocks the message's kind.
    int FilterInput(const FCMidi& message) const;

private:
    CSequence* m_sequence = nullptr;
    int m_baseTrack = 0;
    int m_recordConfig = 0;
    int m_splitPitch = 60;
    int m_ignoresDevice = 1;
    LCsqQuantize m_quantizer;
};
