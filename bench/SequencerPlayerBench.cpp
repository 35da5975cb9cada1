#include "bench/BenchMidiBackend.h"
#include "bench/BenchPlayerPiece.h"
#include "bench/BenchSequence.h"
#include "platform/media/Backend.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/memory/MemoryProvider.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>
#include <vector>

// The sequence's player: how many events it produces per second of processor time on a dense
// piece, and how late the events of a piece leave a memory MIDI output on the real clock.

namespace {

using plat::media::Backend;
using Steady = std::chrono::steady_clock;

// The player gathering, filtering, splitting and converting the events of one slice after
// another through the sequence's callback, with no output to hand the records to (they are
// let go at once). The argument is the notes per second; the piece is played through, then
// located back to its start with the clock paused.
void BM_PlayerEventsPerSecond(benchmark::State& state)
{
    const auto notesPerSecond = static_cast<float>(state.range(0));
    constexpr float kQuarters = 64.0f;
    BenchMidiBackend backend(0);
    BenchPlayerPiece piece(kQuarters, 2.0f / notesPerSecond);
    std::unique_ptr<CSequence> sequence = piece.NewSequence();
    BenchSequence::MeasurePlayerEvents(state, backend.Wavegate(), *sequence, piece.Notes(), kQuarters);
}
BENCHMARK(BM_PlayerEventsPerSecond)->Arg(1600)->Arg(16000)->Unit(benchmark::kMicrosecond);

// A piece of an event every 5 ms for 3 seconds played by the sequence on the real clock into
// a memory MIDI output: the lateness of each event as it leaves (its moment on the monotonic
// clock against the moment playing started plus its time), in microseconds.
void BM_PlayedEventLateness(benchmark::State& state)
{
    std::vector<int64_t> lateness;
    for (auto _ : state) {
        lateness.clear();
        auto timers = std::make_unique<plat::media::RealTimerService>();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        auto memory = std::make_unique<plat::media::MemoryProvider>(*timers, 1, 0);
        plat::media::MemoryMidiOut& out = memory->midiOut(0);
        providers.push_back(std::move(memory));
        auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));
        {
            auto wavegate = std::make_unique<CWavegate>();
            wavegate->Initialize(CWavegate::WG_INIT_MIDI);
            // 0.02 quarter notes are 10 ms at 120 beats per minute.
            BenchPlayerPiece piece(7.0f, 0.02f);
            std::unique_ptr<CSequence> sequence = piece.NewSequence();
            sequence->EnableAutoStop(1);
            wavegate->OpenDevices();
            const int64_t startNs = std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count();
            wavegate->StartDevices();
            sequence->Play();
            std::this_thread::sleep_for(std::chrono::milliseconds(4500));
            sequence->Stop(1);
            wavegate->StopDevices();
            for (const auto& played : out.played()) {
                if (!played.immediate)
                    lateness.push_back(played.clockNs - (startNs + int64_t{played.streamMs} * 1'000'000));
            }
            sequence.reset();
            wavegate.reset();
        }
        Backend::install(std::move(previous));
    }
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness.empty() ? 0.0 : static_cast<double>(lateness[static_cast<size_t>(q * static_cast<double>(lateness.size() - 1))]) / 1000.0;
    };
    state.counters["p50_us"] = at(0.50);
    state.counters["p99_us"] = at(0.99);
    state.counters["max_us"] = lateness.empty() ? 0.0 : static_cast<double>(lateness.back()) / 1000.0;
    state.counters["events"] = static_cast<double>(lateness.size());
}
BENCHMARK(BM_PlayedEventLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
