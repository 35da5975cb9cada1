// Edits of many tempo marks at once, each at three sizes so that the growth of the cost with
// the number of marks shows (fourfold marks should cost about fourfold): a run of marks added in
// one command, as a paste gives them, then undone and redone; and a selection of every mark but
// the first deleted, then undone and redone. Each mark changes the clock time of every mark after
// it. A piece of 4 staves with a sequence over it, as in the program.

#include "bench/BenchEditedPiece.h"
#include "notabase/commands/CCAddTempo.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kStaves = 4;

// Metronome marks a quarter note apart at tempos that vary, alternately steps and ramps (an
// added mark becomes a step).
ECTempo* NewMark(int index)
{
    auto* mark = new ECTempo;
    const MCTime at(static_cast<float>(index));
    mark->SetTime(&at);
    mark->SetTempo(static_cast<float>(60 + index % 120), 1.0f);
    mark->SetTempoType(ECTempo::typeMetronome, MCTime::TimeZero());
    mark->SetStyle(index % 2 ? ECEnvPoint::styleLinear : ECEnvPoint::styleStep);
    return mark;
}

class Piece : public BenchEditedPiece {
public:
    // A piece as long as marks quarter notes, with its first mark; with filled, the others too.
    Piece(int marks, bool filled) : BenchEditedPiece(kStaves, static_cast<float>(marks))
    {
        if (filled) {
            ECTempoEnv* map = tempoMap();
            map->BeginBatch();
            for (int i = 1; i < marks; ++i)
                map->AddChild(NewMark(i), 1);
            map->EndBatch();
            for (ECBase* mark : *map->GetChildren()) {
                if (*mark->GetTime() > MCTime::TimeZero())
                    selection().AddTail(mark);
            }
        }
        attachSequence();
    }

    ECTempoEnv* tempoMap() { return performance()->GetConductor()->GetConductorStaff()->GetTempoEnv(); }

    // One CCAddTempo of the marks from 1 to marks - 1, as a paste applies them.
    void addMarks(int marks)
    {
        auto* add = new CCAddTempo;
        for (int i = 1; i < marks; ++i)
            add->Add(NewMark(i), tempoMap(), FCMidi::MidiNull());
        MCCommandList commands;
        commands.AddTail(add);
        apply(commands, "Paste");
    }
    // What the program does at rest after a command.
    void idle() { MCCommandMgr::OnIdle(); }
    int count() { return tempoMap()->GetChildren()->GetCount(); }
};

void count(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// A run of marks added in one command, as a paste adds them; then Undo and Redo.
void BM_AddTempoMarksUndoRedo(benchmark::State& state)
{
    const int marks = static_cast<int>(state.range(0));
    Piece piece(marks, false);
    for (auto _ : state) {
        piece.addMarks(marks);
        piece.undo();
        piece.redo();
        state.PauseTiming();
        if (piece.count() != marks)
            state.SkipWithError("the marks are not all in the tempo map");
        piece.undo();
        piece.idle();
        state.ResumeTiming();
    }
    count(state);
}
BENCHMARK(BM_AddTempoMarksUndoRedo)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

// Delete of a selection of every mark but the first; then Undo and Redo.
void BM_DeleteTempoMarksUndoRedo(benchmark::State& state)
{
    const int marks = static_cast<int>(state.range(0));
    Piece piece(marks, true);
    for (auto _ : state) {
        piece.deleteSelection();
        piece.undo();
        piece.redo();
        state.PauseTiming();
        if (piece.count() != 1)
            state.SkipWithError("the marks are not all deleted");
        piece.undo();
        piece.idle();
        state.ResumeTiming();
    }
    count(state);
}
BENCHMARK(BM_DeleteTempoMarksUndoRedo)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
