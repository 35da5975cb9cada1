// Undo and redo of one edit of 10,000 selected notes (a change of voice, and a move in time)
// on a staff of 2,500 bars.

#include "bench/BenchNotePiece.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/MCCommandMgr.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kNotes = 10000;

// The notes a quarter of a beat off the beat.
class Piece {
public:
    void act(CCBase* command)
    {
        MCCommandMgr::BeginUndo(performance(), "Edit");
        command->SetSynchronous(1);
        command->Apply(performance());
        MCCommandMgr::EndUndo(performance());
    }
    ECPerformance* performance() const { return m_piece.performance(); }
    const std::vector<ECNote*>& notes() const { return m_piece.notes(); }

private:
    BenchNotePiece m_piece{kNotes, 0.25f};
};

void undoAndRedo(benchmark::State& state, Piece& piece)
{
    for (auto _ : state) {
        piece.performance()->Undo(1);
        piece.performance()->Redo(1);
    }
    state.SetItemsProcessed(state.iterations() * kNotes);
}

void BM_UndoRedoVoiceEdit(benchmark::State& state)
{
    Piece piece;
    auto* edit = new CCEdit;
    for (ECNote* note : piece.notes())
        edit->EditEvent(note)->GetNewEvent()->SetVoice(3);
    piece.act(edit);
    undoAndRedo(state, piece);
}
BENCHMARK(BM_UndoRedoVoiceEdit)->Unit(benchmark::kMillisecond);

void BM_UndoRedoTimeEdit(benchmark::State& state)
{
    Piece piece;
    auto* edit = new CCEditTime;
    for (ECNote* note : piece.notes()) {
        const MCTime later(note->GetTime()->GetSeconds() + 0.5f);
        edit->EditTime(note, &later);
    }
    piece.act(edit);
    undoAndRedo(state, piece);
}
BENCHMARK(BM_UndoRedoTimeEdit)->Unit(benchmark::kMillisecond);

}  // namespace
