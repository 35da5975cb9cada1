#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;

// The level meters of a sequence's tracks. So far it keeps its sequence and measures nothing;
// resetting the levels and recounting the tracks do nothing.
class SEQUENCER_API CMeterLevelMgr {
public:
    CMeterLevelMgr() = default;
    CMeterLevelMgr(const CMeterLevelMgr&) = delete;
    CMeterLevelMgr& operator=(const CMeterLevelMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    void ResetLevels() {}
    void UpdateTrackCount() {}

private:
    CSequence* m_sequence = nullptr;
};
