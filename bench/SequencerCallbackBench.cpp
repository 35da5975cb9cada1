#include "bench/BenchMidiBackend.h"
#include "bench/BenchProfile.h"
#include "bench/BenchSequence.h"
#include "bench/BenchSliceShare.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

constexpr int kChannels = 16;
constexpr float kQuarters = 64.0f;  // 32 seconds at 120 beats per minute

// A device manager over 16 memory outputs and a piece of 16 staves at 120 beats per minute
// holding the given number of notes per second spread over the 16 channels, with its sequence.
class DensePiece {
public:
    explicit DensePiece(int notesPerSecond) : m_backend(kChannels), m_piece(kChannels, kQuarters)
    {
        // Beside the one at the start, a tempo mark every four bars keeps the tempo map busy
        // without changing the density.
        for (float time = 16.0f; time < kQuarters; time += 16.0f)
            m_piece.AddTempo(time);
        const float spacing = 2.0f / static_cast<float>(notesPerSecond);  // quarter notes
        m_piece.AddNotes(0.0f, kQuarters, spacing, 0.5f, true);
        // Staff n plays on channel n - 1.
        m_piece.MapVoices(1);
        m_sequence = m_piece.NewSequence();
        m_sequence->EnableAutoStop(0);
        m_sequence->EnableLoopRegion(1);
    }

    CSequence& Sequence() { return *m_sequence; }
    CWavegate& Wavegate() { return m_backend.Wavegate(); }

private:
    BenchProfile m_profile;
    BenchMidiBackend m_backend;
    BenchSequence m_piece;
    std::unique_ptr<CSequence> m_sequence;
};

// The performance callback answering one slice after another of the piece: timing, tempo and
// whatever the sequence's player and metronome hand over for the slice. Only slices inside
// the piece are timed: when it has played to its end it starts again from the top, the stop
// and the start untimed. What a slice handed over goes to the devices untimed as well, as the
// device manager's write after each poll does, so the output lists do not grow.
void BM_PerformSlice(benchmark::State& state)
{
    constexpr uint32_t kSlicesInPiece = static_cast<uint32_t>(kQuarters * 0.5f * 10.0f);   // 0.5 s a quarter
    DensePiece piece(static_cast<int>(state.range(0)));
    CSequence& sequence = piece.Sequence();
    CWavegate& wavegate = piece.Wavegate();
    const auto user = reinterpret_cast<uintptr_t>(&sequence);
    const auto write = [&] {
        std::lock_guard lock(wavegate.GetMainLock());
        wavegate.WriteBuffers();
    };
    int tag = 0;
    uint32_t begin = 0;
    uint32_t slice = kSlicesInPiece;
    double timed = 0;
    double sliceCpu = 0;
    for (auto _ : state) {
        if (slice == kSlicesInPiece) {
            state.PauseTiming();
            if (tag) {
                // Nothing else polls: the next slice completes the stop.
                sequence.Stop(0);
                CSequence::PerformProc(user, tag, begin, begin + 100);
                write();
            }
            sequence.SetLocation(MCTime(0.0f));
            sequence.Play();
            tag = sequence.GetPerformTag();
            begin = wavegate.GetBufferTime();
            slice = 0;
            state.ResumeTiming();
        }
        const double before = BenchSliceShare::ThreadCpuSeconds();
        benchmark::DoNotOptimize(CSequence::PerformProc(user, tag, begin, begin + 100));
        sliceCpu += BenchSliceShare::ThreadCpuSeconds() - before;
        state.PauseTiming();
        write();
        begin += 100;
        ++slice;
        ++timed;
        state.ResumeTiming();
    }
    state.counters["percent_of_slice"] = 100.0 * sliceCpu / std::max(timed, 1.0) / 0.1;
    sequence.Stop(0);
    CSequence::PerformProc(user, tag, begin, begin + 100);
}
BENCHMARK(BM_PerformSlice)->Arg(100)->Arg(1600)->Unit(benchmark::kMicrosecond);

// What reaches the device manager in one slice of the dense piece: the events of the window's
// notes from their data, split into their halves, timed in performance time, converted through
// the voice maps, merged into the output lists and written to the devices.
void BM_DenseSliceConversion(benchmark::State& state)
{
    DensePiece piece(static_cast<int>(state.range(0)));
    CSequence& sequence = piece.Sequence();
    sequence.SetLocation(MCTime(0.0f));
    DCsqBase* cursor = sequence.GetHead();
    float windowBegin = 0.0f;
    const BenchSliceShare share;
    for (auto _ : state) {
        const float windowEnd = windowBegin + 0.2f;
        CSeqEventList events;
        for (; cursor && cursor->GetOwner()->GetTime()->GetSeconds() < windowEnd; cursor = cursor->GetNext())
            cursor->GetEventData(events, &sequence);
        CWGEventList records;
        for (auto& event : events) {
            std::unique_ptr<CSeqEvent> off = event->SplitNoteOff();
            sequence.AbsoluteTime(event->GetTimeStamp());
            event->ConvertData(records, 0);
            if (off) {
                sequence.AbsoluteTime(off->GetTimeStamp());
                off->ConvertData(records, 0);
            }
        }
        piece.Wavegate().PlayBuffer(records);
        piece.Wavegate().PollPerformances();
        windowBegin = windowEnd;
        if (!cursor) {
            cursor = sequence.GetHead();
            windowBegin = 0.0f;
        }
    }
    share.Report(state);
}
BENCHMARK(BM_DenseSliceConversion)->Arg(100)->Arg(1600)->Unit(benchmark::kMicrosecond);

}  // namespace
