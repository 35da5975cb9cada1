#pragma once

// A piece of MIDI staves in a scratch profile, with a selection and, once the piece holds what
// an edit starts from, a sequence over it, as in the program: the edit benchmarks apply their
// commands to it one undo step at a time.

#include "bench/BenchProfile.h"
#include "bench/BenchSequence.h"
#include "notabase/commands/ConfigureRemove.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/MCEventList.h"

#include <memory>

class BenchEditedPiece {
public:
    BenchEditedPiece(int staves, float quarters) : m_piece(staves, quarters) {}
    ~BenchEditedPiece()
    {
        m_selection.RemoveAll();
        m_sequence.reset();
    }
    BenchEditedPiece(const BenchEditedPiece&) = delete;
    BenchEditedPiece& operator=(const BenchEditedPiece&) = delete;

    ECPerformance* performance() { return m_piece.Performance(); }
    BenchSequence& piece() { return m_piece; }
    MCEventList& selection() { return m_selection; }
    // The sequence follows the edits from here on.
    CSequence* attachSequence()
    {
        m_sequence = m_piece.NewSequence();
        return m_sequence.get();
    }

    void deleteSelection()
    {
        MCCommandList commands;
        ConfigureRemove(&m_selection, commands);
        apply(commands, "Delete");
    }
    void apply(MCCommandList& commands, const char* name)
    {
        MCCommandMgr::BeginUndo(performance(), name);
        commands.SetSynchronous(1);
        commands.Apply(performance());
        MCCommandMgr::EndUndo(performance());
    }
    void undo() { performance()->Undo(1); }
    void redo() { performance()->Redo(1); }

private:
    BenchProfile m_profile;
    BenchSequence m_piece;
    MCEventList m_selection;
    std::unique_ptr<CSequence> m_sequence;
};
