#pragma once

#include "sequencer/SequencerExport.h"

class CSequence;
class DCsqBase;
class ECBase;
class FCMidi;

// The MIDI score manager of a sequence, which turns MIDI events into elements of the score and
// their sequencer data. So far it keeps its sequence, builds the sequencer data of elements
// that edits add, and answers the precedence of data that share a time in the data list.
class SEQUENCER_API CMidiScoreMgr {
public:
    CMidiScoreMgr() = default;
    CMidiScoreMgr(const CMidiScoreMgr&) = delete;
    CMidiScoreMgr& operator=(const CMidiScoreMgr&) = delete;

    void Attach(CSequence* sequence) { m_sequence = sequence; }
    void Detach() { m_sequence = nullptr; }
    CSequence* GetSequence() const { return m_sequence; }

    // The sequencer data of an element an edit added, made when missing: linked into the
    // sequence's data list for the kinds that play from there, unlinked for accents and staves,
    // none (null) for other kinds. A message with data fills the data of a note (a note on, or
    // a note off) or a system message; data an element kept (an undone removal) stays as it is
    // under a null message. Null too for a note given a message that is no note.
    DCsqBase* AddEventData(ECBase* element, const FCMidi& message);

    // Of data at one time, the higher precedence stands first in the data list: tracks 2000,
    // flow control 900 (1000 for flow type 1, 950 for type 4), system messages 800,
    // channel modes 750, meters 700, keys 650, texts 600, MIDI 500, notes 400, waves 300,
    // lyrics 200, the rest 0.
    static int GetPrecedence(const DCsqBase* data);

private:
    CSequence* m_sequence = nullptr;
};
