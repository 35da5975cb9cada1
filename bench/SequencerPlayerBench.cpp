#include "bench/BenchManualOutput.h"
#include "bench/BenchPlayerPiece.h"
#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

// The sequence's player: how many events it delivers to a MIDI output per second of
// processor time on a dense piece, and how late the events of a piece leave a memory MIDI
// output on the real clock.

namespace {

using plat::media::Backend;
using Steady = std::chrono::steady_clock;

// The player at work as it plays: the driver polls the sequence for one 100 ms slice an
// iteration, the player gathers, filters, splits and converts the slice's events and the
// device manager hands them to a memory MIDI output, which plays them. The figure is the
// messages that output played, per second of the process's processor time (every thread of
// the road). The argument is the notes per second; when the piece has played through it is
// located back to its start, untimed.
void BM_PlayerEventsPerSecond(benchmark::State& state)
{
    const auto notesPerSecond = static_cast<float>(state.range(0));
    constexpr float kQuarters = 64.0f;
    BenchManualOutput output;
    BenchPlayerPiece piece(kQuarters, 2.0f / notesPerSecond);
    std::unique_ptr<CSequence> sequence = piece.NewSequence();
    output.PlayCounted(state, *sequence);
}
BENCHMARK(BM_PlayerEventsPerSecond)->Arg(1600)->Arg(16000)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

// A piece of an event every 5 ms for 3 seconds played by the sequence on the real clock into
// a memory MIDI output: the lateness of each event as it leaves, in microseconds. An event's
// lateness is its moment on the monotonic clock against the instant of its play time on the
// play clock (the play start plus the millisecond the sequence gave the event). Beside it,
// how far the sequence put the events from the score's own times (the piece's times along
// its tempo from where the play put quarter note 0), in microseconds: a millisecond the
// sequence rounds away shows there, not as lateness.
void BM_PlayedEventLateness(benchmark::State& state)
{
    constexpr float kQuarters = 7.0f;
    constexpr float kSpacing = 0.02f;   // 10 ms at 120 beats per minute
    std::vector<int64_t> lateness;
    std::vector<int64_t> placing;
    size_t expectedEvents = 0;
    for (auto _ : state) {
        lateness.clear();
        placing.clear();
        auto timers = std::make_unique<plat::media::RealTimerService>();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers, 1, 0);
        plat::media::MemoryMidiOut& out = memory->midiOut(0);
        providers.push_back(std::move(memory));
        auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        {
            auto wavegate = std::make_unique<CWavegate>();
            wavegate->Initialize(CWavegate::WG_INIT_MIDI);
            BenchPlayerPiece piece(kQuarters, kSpacing);
            std::unique_ptr<CSequence> sequence = piece.NewSequence();
            sequence->EnableAutoStop(1);
            wavegate->OpenDevices();
            wavegate->StartDevices();
            const int64_t startNs = Backend::instance().clock().nsAt(plat::media::MediaTime(wavegate->GetPlayStartTime()));
            sequence->Play();
            std::this_thread::sleep_for(std::chrono::milliseconds(4500));
            // Where the sequence put quarter note 0 on the play clock; the tempo stands.
            MCTime zero(0.0f);
            sequence->AbsoluteTime(zero);
            const double zeroMs = static_cast<double>(zero.GetSeconds()) * 1000.0;
            sequence->Stop(1);
            wavegate->StopDevices();
            // Each note's on and, half the spacing later, its off, as the piece lays them.
            std::vector<double> scoreMs;
            for (float time = 1.0f; time < kQuarters; time += kSpacing) {
                scoreMs.push_back(zeroMs + static_cast<double>(time) * 500.0);
                scoreMs.push_back(zeroMs + static_cast<double>(time + kSpacing * 0.5f) * 500.0);
            }
            expectedEvents = scoreMs.size();
            size_t index = 0;
            for (const auto& played : out.played()) {
                if (played.immediate)
                    continue;
                lateness.push_back(played.clockNs - (startNs + int64_t{played.streamMs} * 1'000'000));
                if (index < scoreMs.size())
                    placing.push_back(static_cast<int64_t>((played.streamMs - scoreMs[index++]) * 1000.0));
            }
            sequence.reset();
            wavegate.reset();
        }
        Backend::install(std::move(previous));
    }
    const auto at = [](std::vector<int64_t>& values, double q, double unit) {
        if (values.empty())
            return 0.0;
        std::sort(values.begin(), values.end());
        return static_cast<double>(values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]) / unit;
    };
    state.counters["p50_us"] = at(lateness, 0.50, 1000.0);
    state.counters["p99_us"] = at(lateness, 0.99, 1000.0);
    state.counters["max_us"] = at(lateness, 1.0, 1000.0);
    state.counters["events"] = static_cast<double>(lateness.size());
    state.counters["events_expected"] = static_cast<double>(expectedEvents);
    state.counters["placed_p50_us"] = at(placing, 0.50, 1.0);
    state.counters["placed_min_us"] = at(placing, 0.0, 1.0);
    state.counters["placed_max_us"] = at(placing, 1.0, 1.0);
}

BENCHMARK(BM_PlayedEventLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
