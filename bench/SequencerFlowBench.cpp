// The sequence's flow and export roads: a 100 ms slice while the loop goes round and while edits
// arrive (processor time as a share of the slice), and the MIDI-file events of a long piece.

#include "bench/BenchMidiBackend.h"
#include "bench/BenchProfile.h"
#include "bench/BenchSequence.h"
#include "bench/BenchSliceShare.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/model/ECNote.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

namespace {

constexpr int kStaves = 8;

// A piece of 8 staves at 120 beats per minute with notes every `spacing` quarter notes up to
// `quarters`, on memory outputs, with its sequence.
class Piece {
public:
    Piece(float quarters, float spacing) : m_backend(1), m_piece(kStaves, quarters)
    {
        m_notes = m_piece.AddNotes(0.0f, quarters, spacing, spacing, true);
        m_sequence = m_piece.NewSequence();
        m_sequence->EnableAutoStop(0);
    }

    CSequence& Sequence() { return *m_sequence; }
    CWavegate& Wavegate() { return m_backend.Wavegate(); }
    ECPerformance* Performance() { return m_piece.Performance(); }
    const std::vector<ECNote*>& Notes() const { return m_notes; }

private:
    BenchProfile m_profile;
    BenchMidiBackend m_backend;
    BenchSequence m_piece;
    std::vector<ECNote*> m_notes;
    std::unique_ptr<CSequence> m_sequence;
};

// Slices of a loop region of 0.2 quarter notes (100 ms): every slice reaches the loop's end
// and goes round, moving the timing back to the loop's start.
void BM_SliceWhileTheLoopWraps(benchmark::State& state)
{
    Piece piece(64.0f, 0.05f);
    CSequence& sequence = piece.Sequence();
    sequence.SetLoopRegion(MCTime(8.0f), MCTime(8.2f));
    sequence.EnableLoopRegion(1);
    sequence.SetLocation(MCTime(8.0f));
    sequence.Play();
    const int tag = sequence.GetPerformTag();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    uint32_t begin = piece.Wavegate().GetBufferTime();
    const BenchSliceShare share;
    for (auto _ : state) {
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        begin += 100;
    }
    share.Report(state);
    state.counters["unwrapped_quarters"] = sequence.GetUnwrappedTimeOffset().GetSeconds();
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
BENCHMARK(BM_SliceWhileTheLoopWraps)->Unit(benchmark::kMicrosecond);

// A note moved ahead of the play by a command, then the slice: the edit goes through the
// command manager and the sequence's data list under the locks the slice takes too.
void BM_SliceWhileAnEditArrives(benchmark::State& state)
{
    Piece piece(2048.0f, 0.25f);
    CSequence& sequence = piece.Sequence();
    sequence.SetLocation(MCTime(0.0f));
    sequence.Play();
    const int tag = sequence.GetPerformTag();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    uint32_t begin = piece.Wavegate().GetBufferTime();
    size_t next = piece.Notes().size() / 2;
    const BenchSliceShare share;
    for (auto _ : state) {
        ECNote* note = piece.Notes()[next];
        const MCTime moved(note->GetTime()->GetSeconds() + 0.125f);
        auto* edit = new CCEditTime(note, &moved);
        edit->SetCanUndo(0);
        edit->SetSynchronous(1);
        edit->Apply(piece.Performance());
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        begin += 100;
        next = next + 1 < piece.Notes().size() ? next + 1 : piece.Notes().size() / 2;
    }
    share.Report(state);
    state.counters["playing"] = sequence.TestState(CSequence::statePlaying);
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
// 5000 slices stay inside the piece's 2048 quarter notes.
BENCHMARK(BM_SliceWhileAnEditArrives)->Unit(benchmark::kMicrosecond)->Iterations(5000);

// The MIDI-file events of a piece of 50,000 notes (100,000 events), window after window of a
// bar, merged in time order.
void BM_MidiFileEventsOfALongPiece(benchmark::State& state)
{
    Piece piece(6250.0f, 0.125f);
    CSequence& sequence = piece.Sequence();
    size_t events = 0;
    for (auto _ : state) {
        sequence.SetMidiWriting(1);
        CWGEventList out;
        int done = 0;
        for (int bar = 0; !done && bar < 100000; ++bar) {
            MCTime from(4.0f * static_cast<float>(bar));
            MCTime to(4.0f * static_cast<float>(bar + 1));
            done = sequence.GetMidiFileEvents(from, to, CSequence::kEveryTrack, out);
        }
        sequence.SetMidiWriting(0);
        events += out.size();
        benchmark::DoNotOptimize(out);
    }
    state.counters["events"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["events_per_piece"] = static_cast<double>(events) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_MidiFileEventsOfALongPiece)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
