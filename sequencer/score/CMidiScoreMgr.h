#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;
class DCsqBase;

// The MIDI score manager of a sequence, which turns MIDI events into elements of the score and
// their sequencer data. So far it keeps its sequence and answers the precedence of data that
// share a time in the data list.
class SEQUENCER_API CMidiScoreMgr {
public:
    CMidiScoreMgr() = default;
    CMidiScoreMgr(const CMidiScoreMgr&) = delete;
    CMidiScoreMgr& operator=(const CMidiScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    // Of data at one time, the higher precedence stands first in the data list: tracks 2000,
    // flow control 900 (1000 for flow type 1, 950 for type 4), system messages 800,
    // channel modes 750, meters 700, keys 650, texts 600, MIDI 500, notes 400, waves 300,
    // lyrics 200, the rest 0.
    static int GetPrecedence(const DCsqBase* data);

private:
    CSequence* m_sequence = nullptr;
};
