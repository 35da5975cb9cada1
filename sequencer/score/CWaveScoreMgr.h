#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;
class DCsqBase;
class ECBase;

// The wave score manager of a sequence, which turns recorded or imported wave files into wave
// clips of the score. So far it keeps its sequence and builds the sequencer data of the wave
// clips and wave tracks that edits add.
class SEQUENCER_API CWaveScoreMgr {
public:
    CWaveScoreMgr() = default;
    CWaveScoreMgr(const CWaveScoreMgr&) = delete;
    CWaveScoreMgr& operator=(const CWaveScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    // The data of an added wave clip, made when missing and linked into the sequence's data
    // list, or of an added wave track, made when missing; null for anything else.
    DCsqBase* AddEventData(ECBase* element);

private:
    CSequence* m_sequence = nullptr;
};
