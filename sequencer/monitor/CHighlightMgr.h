#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;

// The highlighting of the notes a sequence sounds. So far it keeps its sequence and nothing
// else.
class SEQUENCER_API CHighlightMgr {
public:
    CHighlightMgr() = default;
    CHighlightMgr(const CHighlightMgr&) = delete;
    CHighlightMgr& operator=(const CHighlightMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

private:
    CSequence* m_sequence = nullptr;
};
