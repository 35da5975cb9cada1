// Edits that take in a whole large piece, each at three sizes so that the growth of the cost
// with the piece shows (a fourfold piece should cost about fourfold): a selection of every
// note deleted and the delete undone, every note moved a piece's length later (which appends
// as many bars) with its undo and redo, half the bars taken out of the middle, and the points
// of a controller curve and the marks of a tempo map deleted and put back, wholly or a run in
// the middle. Pieces of 4 staves of quarter notes with a sequence over them, as in the program.

#include "bench/BenchEditedPiece.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPitchBendEnv.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kStaves = 4;

// The notes, a quarter note each, round the staves; or a pitch bend curve of points a quarter
// note apart on staff 1; or a tempo map of a mark on every quarter note.
class Piece : public BenchEditedPiece {
public:
    enum class Content { notes, curve, tempos };

    Piece(Content content, int count)
        : BenchEditedPiece(kStaves, content == Content::tempos ? static_cast<float>(count) : count * 0.25f)
    {
        ECPerformance* performance = this->performance();
        performance->GetConductor()->GetConductorStaff()->GetMeterEnv()->AddChild(new ECMeter(4, 4, 0), 1);
        if (content == Content::notes) {
            for (ECNote* note : piece().AddNotes(0.0f, count * 0.25f, 0.25f, 0.25f, true))
                selection().AddTail(note);
        }
        if (content == Content::tempos) {
            for (int i = 1; i < count; ++i)
                piece().AddTempo(static_cast<float>(i));
            for (ECBase* mark : *performance->GetConductor()->GetConductorStaff()->GetTempoEnv()->GetChildren()) {
                if (*mark->GetTime() > MCTime::TimeZero())
                    selection().AddTail(mark);
            }
        }
        CSequence* sequence = attachSequence();
        if (content == Content::curve) {
            ECPitchBendEnv* curve = CMidiEnvelopeMgr::GetEnvMgr(sequence, MCVoiceTrack(0, 1), 1)->GetPitchBendEnv(1);
            for (int i = 0; i < count; ++i) {
                auto* point = new ECPitchBend;
                const MCTime time(static_cast<float>(i) * 0.25f);
                point->SetTime(&time);
                point->SetValue(static_cast<float>(i % 128));
                curve->AddChild(point, 1);
                selection().AddTail(point);
            }
        }
    }
    // The elements of the selection from the first to the last quarter of it.
    void keepMiddleHalf()
    {
        const int count = selection().GetCount();
        for (int i = 0; i < count / 4; ++i) {
            selection().RemoveHead();
            selection().RemoveTail();
        }
    }
};

// What the program does at rest after a command, outside the timing.
void idle(benchmark::State& state)
{
    state.PauseTiming();
    MCCommandMgr::OnIdle();
    state.ResumeTiming();
}

void count(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// Delete, then Undo, of the piece's selection.
void deleteAndUndo(benchmark::State& state, Piece& piece)
{
    for (auto _ : state) {
        piece.deleteSelection();
        piece.undo();
        idle(state);
    }
    count(state);
}

// Delete, then Undo, of a selection of every note.
void BM_DeleteAllNotesAndUndo(benchmark::State& state)
{
    Piece piece(Piece::Content::notes, static_cast<int>(state.range(0)));
    deleteAndUndo(state, piece);
}
BENCHMARK(BM_DeleteAllNotesAndUndo)->Arg(10000)->Arg(40000)->Arg(160000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

// Every note a piece's length later, which appends as many bars again; then Undo, Redo, Undo.
void BM_MoveAllNotesPastTheEnd(benchmark::State& state)
{
    Piece piece(Piece::Content::notes, static_cast<int>(state.range(0)));
    const MCTime shift(static_cast<float>(state.range(0)) / kStaves);
    for (auto _ : state) {
        auto* edit = new CCEditTime;
        for (ECBase* note : piece.selection()) {
            const MCTime later = *note->GetTime() + shift;
            edit->EditTime(note, &later);
        }
        MCCommandList commands;
        commands.AddTail(edit);
        piece.apply(commands, "Move");
        piece.undo();
        piece.redo();
        piece.undo();
        idle(state);
    }
    count(state);
}
BENCHMARK(BM_MoveAllNotesPastTheEnd)->Arg(10000)->Arg(40000)->Arg(160000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

// Remove Measures of the middle half of the bars, from a quarter of the way in.
void BM_RemoveHalfTheBars(benchmark::State& state)
{
    Piece piece(Piece::Content::notes, static_cast<int>(state.range(0)));
    const int bars = piece.performance()->GetConductor()->GetMaxMeasureNumber();
    for (auto _ : state) {
        MCCommandList commands;
        commands.AddTail(new CCRemoveMeasure(bars / 2, bars / 4));
        commands.SetSynchronous(1);
        commands.Apply(piece.performance());
        idle(state);
    }
    count(state);
}
BENCHMARK(BM_RemoveHalfTheBars)->Arg(10000)->Arg(40000)->Arg(160000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

// Delete, then Undo, of every point of a pitch bend curve, or of the run in its middle half.
void BM_DeleteCurveAndUndo(benchmark::State& state)
{
    Piece piece(Piece::Content::curve, static_cast<int>(state.range(0)));
    if (state.range(1))
        piece.keepMiddleHalf();
    deleteAndUndo(state, piece);
}
BENCHMARK(BM_DeleteCurveAndUndo)
    ->ArgsProduct({{5000, 20000, 80000}, {0, 1}})
    ->ArgNames({"points", "middle"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// Delete, then Undo, of every tempo mark but the first.
void BM_DeleteTempoMarksAndUndo(benchmark::State& state)
{
    Piece piece(Piece::Content::tempos, static_cast<int>(state.range(0)));
    deleteAndUndo(state, piece);
}
BENCHMARK(BM_DeleteTempoMarksAndUndo)->Arg(500)->Arg(1000)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
