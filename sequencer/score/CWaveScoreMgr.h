#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;

// The wave score manager of a sequence, which turns recorded or imported wave files into wave
// clips of the score. So far it keeps its sequence and nothing else.
class SEQUENCER_API CWaveScoreMgr {
public:
    CWaveScoreMgr() = default;
    CWaveScoreMgr(const CWaveScoreMgr&) = delete;
    CWaveScoreMgr& operator=(const CWaveScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

private:
    CSequence* m_sequence = nullptr;
};
