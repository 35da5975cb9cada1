// Edits of many tempo marks at once, each at three sizes so that the growth of the cost with
// the number of marks shows (fourfold marks should cost about fourfold): a run of marks added in
// one command, as a paste gives them, then undone and redone; and a selection of every mark but
// the first deleted, then undone and redone. Each mark changes the clock time of every mark after
// it. The marks are plain ones; or accel. and rit. spans, each a group of two marks; or plain
// marks among G.P. spans, whose marks take their tempos from the marks before them and their
// groups. A piece of 4 staves with a sequence over it, as in the program.

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

enum class Kind { plain, spans, pauses };

// A mark of a span lasting a quarter note, of the type.
ECTempo* NewSpan(int index, unsigned char type)
{
    const MCTime length(1.0f);
    auto* mark = new ECTempo(type, length);
    const MCTime at(static_cast<float>(index));
    mark->SetTime(&at);
    mark->SetDuration(&length);
    return mark;
}

// The mark a paste of the kind holds at quarter note index, of marks - 1 in all, or null where the
// end of the span before it falls, which the command makes. Spans: accel. and rit. in turn from
// quarter note 1 on. Pauses: in each four quarter notes a plain mark, a G.P. and its end, and a
// plain mark. A span that would end past the last mark is a plain mark.
ECTempo* PastedMark(Kind kind, int index, int marks)
{
    const bool last = index + 1 == marks;
    switch (kind) {
    case Kind::plain:
        break;
    case Kind::spans:
        if (index % 2 == 0)
            return nullptr;
        if (!last)
            return NewSpan(index, index % 4 == 1 ? ECTempo::typeAccelerando : ECTempo::typeRitardando);
        break;
    case Kind::pauses:
        if (index % 4 == 3)
            return nullptr;
        if (index % 4 == 2 && !last)
            return NewSpan(index, ECTempo::typePause + 1);
        break;
    }
    return NewMark(index);
}

class Piece : public BenchEditedPiece {
public:
    // A piece as long as marks quarter notes, with its first mark; with filled, the others too
    // (the plain ones put straight into the map, the others pasted).
    Piece(Kind kind, int marks, bool filled) : BenchEditedPiece(kStaves, static_cast<float>(marks)), m_kind(kind)
    {
        if (filled) {
            ECTempoEnv* map = tempoMap();
            if (kind == Kind::plain) {
                map->BeginBatch();
                for (int i = 1; i < marks; ++i)
                    map->AddChild(NewMark(i), 1);
                map->EndBatch();
            } else {
                addMarks(marks);
            }
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
        for (int i = 1; i < marks; ++i) {
            if (ECTempo* mark = PastedMark(m_kind, i, marks))
                add->Add(mark, tempoMap(), FCMidi::MidiNull());
        }
        MCCommandList commands;
        commands.AddTail(add);
        apply(commands, "Paste");
    }
    // What the program does at rest after a command.
    void idle() { MCCommandMgr::OnIdle(); }
    int count() { return tempoMap()->GetChildren()->GetCount(); }

private:
    Kind m_kind;
};

void count(benchmark::State& state)
{
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

// A run of marks added in one command, as a paste adds them; then Undo and Redo.
void BM_AddTempoMarksUndoRedo(benchmark::State& state, Kind kind)
{
    const int marks = static_cast<int>(state.range(0));
    Piece piece(kind, marks, false);
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
BENCHMARK_CAPTURE(BM_AddTempoMarksUndoRedo, plain, Kind::plain)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK_CAPTURE(BM_AddTempoMarksUndoRedo, spans, Kind::spans)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK_CAPTURE(BM_AddTempoMarksUndoRedo, pauses, Kind::pauses)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

// Delete of a selection of every mark but the first; then Undo and Redo.
void BM_DeleteTempoMarksUndoRedo(benchmark::State& state, Kind kind)
{
    const int marks = static_cast<int>(state.range(0));
    Piece piece(kind, marks, true);
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
BENCHMARK_CAPTURE(BM_DeleteTempoMarksUndoRedo, plain, Kind::plain)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK_CAPTURE(BM_DeleteTempoMarksUndoRedo, spans, Kind::spans)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK_CAPTURE(BM_DeleteTempoMarksUndoRedo, pauses, Kind::pauses)->Arg(2000)->Arg(8000)->Arg(32000)->Iterations(1)->Unit(benchmark::kMillisecond)->Complexity();

}  // namespace
