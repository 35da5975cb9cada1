#pragma once

#include "sequencer/SequencerExport.h"

#include <algorithm>
#include <vector>

class CSequence;
class CWGEventData;
class DCsqTrack;

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

    // The wave tracks armed for recording: each once, in the order armed.
    void AddTrack(DCsqTrack* track)
    {
        if (track && std::find(m_tracks.begin(), m_tracks.end(), track) == m_tracks.end())
            m_tracks.push_back(track);
    }
    void RemoveTrack(DCsqTrack* track) { std::erase(m_tracks, track); }
    const std::vector<DCsqTrack*>& GetTracks() const { return m_tracks; }

private:
    CSequence* m_sequence = nullptr;
    std::vector<DCsqTrack*> m_tracks;
};
