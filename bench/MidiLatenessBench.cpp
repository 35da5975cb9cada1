#include "platform/media/Backend.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/ThreadPriority.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CWavegate.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <memory>
#include <thread>
#include <vector>

// How late MIDI events leave, on the real clock: a performance hands one event per
// millisecond to a memory MIDI output, which notes the monotonic clock as each one leaves;
// an event's lateness is that reading minus the instant of its play time on the play clock
// (the start of the play start's millisecond plus the event's play time). Beside it, a bare thread that sleeps to the same deadlines shows what this
// machine allows at best. Each benchmark plays once; the figures are counters in
// microseconds.

namespace {

using plat::media::Backend;
using Steady = std::chrono::steady_clock;

constexpr uint32_t kEvents = 3000;
constexpr uint32_t kFirstEventMs = 200;   // the slices queued before the start stay empty

int64_t steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Steady::now().time_since_epoch()).count();
}

struct Figures {
    double p50Us = 0;
    double p99Us = 0;
    double maxUs = 0;
};

Figures figuresOf(std::vector<int64_t> latenessNs)
{
    Figures f;
    if (latenessNs.empty())
        return f;
    std::sort(latenessNs.begin(), latenessNs.end());
    const auto at = [&](double q) {
        return static_cast<double>(latenessNs[static_cast<size_t>(q * static_cast<double>(latenessNs.size() - 1))]) / 1000.0;
    };
    f.p50Us = at(0.50);
    f.p99Us = at(0.99);
    f.maxUs = static_cast<double>(latenessNs.back()) / 1000.0;
    return f;
}

void report(benchmark::State& state, const Figures& f, size_t events)
{
    state.counters["p50_us"] = f.p50Us;
    state.counters["p99_us"] = f.p99Us;
    state.counters["max_us"] = f.maxUs;
    state.counters["events"] = static_cast<double>(events);
}

// One event per ms from kFirstEventMs on, note-ons and note-offs in turn. The slice that
// starts at stallAt (when set) takes stallMs to hand over.
struct Script {
    uint32_t stallAt = 0;
    uint32_t stallMs = 0;

    static int Proc(uintptr_t user, int tag, uint32_t from, uint32_t to)
    {
        if (tag < 0)
            return 1;
        const auto* self = reinterpret_cast<const Script*>(user);
        CWGEventList list;
        for (uint32_t t = std::max(from, kFirstEventMs); t < to && t < kFirstEventMs + kEvents; ++t) {
            auto event = std::make_unique<CWGEventData>();
            event->SetMidiData(t % 2 ? 0x00003C80u : 0x00403C90u);
            event->time = t;
            list.push_back(std::move(event));
        }
        CWavegate::GetWavegate()->PlayBuffer(list);
        if (self->stallMs && from == self->stallAt)
            std::this_thread::sleep_for(std::chrono::milliseconds(self->stallMs));
        return to < kFirstEventMs + kEvents ? 1 : 0;
    }
};

std::atomic<int> g_underruns{0};
void countUnderruns(uintptr_t, uint32_t code, uintptr_t, uintptr_t)
{
    if (code == 311)
        ++g_underruns;
}

// Plays the script on memory output 0 on the real clock; the lateness of every event that
// left, in the order they left, with its play time.
std::vector<std::pair<uint32_t, int64_t>> play(const Script& script)
{
    auto timers = std::make_unique<plat::media::RealTimerService>();
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    auto memory = std::make_unique<plat::media::MemoryProvider>(*timers, 1, 0);
    plat::media::MemoryMidiOut& out = memory->midiOut(0);
    providers.push_back(std::move(memory));
    auto previous = Backend::install(std::make_unique<Backend>(std::move(timers), std::move(providers)));

    auto wg = std::make_unique<CWavegate>();
    wg->Initialize(CWavegate::WG_INIT_MIDI);
    wg->SetNotificationCallback(&countUnderruns, 0);
    wg->StartPerformance(&Script::Proc, reinterpret_cast<uintptr_t>(&script), 1, 0);
    wg->OpenDevices();
    wg->StartDevices();
    const int64_t startNs = Backend::instance().clock().nsAt(plat::media::MediaTime(wg->GetPlayStartTime()));
    std::this_thread::sleep_until(Steady::time_point(std::chrono::nanoseconds(startNs)) +
                                  std::chrono::milliseconds(kFirstEventMs + kEvents + script.stallMs + 100));
    wg->StopDevices();
    // The script's events leave in the order of their play times, one per ms; the stream's
    // own timeline would hide a stream that slipped.
    std::vector<std::pair<uint32_t, int64_t>> lateness;
    uint32_t time = kFirstEventMs;
    for (const auto& played : out.played())
        if (!played.immediate) {
            lateness.emplace_back(time, played.clockNs - (startNs + int64_t{time} * 1'000'000));
            ++time;
        }
    wg.reset();
    Backend::install(std::move(previous));
    return lateness;
}

void BM_MidiEventLateness(benchmark::State& state)
{
    std::vector<std::pair<uint32_t, int64_t>> played;
    for (auto _ : state)
        played = play(Script{});
    std::vector<int64_t> lateness;
    for (const auto& [time, ns] : played)
        lateness.push_back(ns);
    report(state, figuresOf(lateness), lateness.size());
}
BENCHMARK(BM_MidiEventLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// One slice's callback stalls 150 ms, less than the latency: nothing should come late. The
// figures are those of the events from 500 ms after the stall on; beside them, how many
// events of the whole piece came more than 5 ms late, and the underruns reported.
void BM_MidiEventLatenessAfterAStall(benchmark::State& state)
{
    constexpr uint32_t kStallAt = 1000;
    std::vector<std::pair<uint32_t, int64_t>> played;
    g_underruns = 0;
    for (auto _ : state)
        played = play(Script{kStallAt, 150});
    std::vector<int64_t> after;
    int lateEvents = 0;
    for (const auto& [time, ns] : played) {
        if (time >= kStallAt + 500)
            after.push_back(ns);
        if (ns > 5'000'000)
            ++lateEvents;
    }
    report(state, figuresOf(after), after.size());
    state.counters["underruns"] = g_underruns.load();
    state.counters["over_5ms_late"] = lateEvents;
}
BENCHMARK(BM_MidiEventLatenessAfterAStall)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: a bare thread, at the priority the sending thread asks for, sleeping to each
// deadline of the same timeline.
void BM_SleepingThreadLateness(benchmark::State& state)
{
    std::vector<int64_t> lateness;
    for (auto _ : state) {
        lateness.clear();
        std::thread sleeper([&] {
            plat::media::ThreadPriority::set(plat::media::ThreadPriority::Level::sending);
            const int64_t startNs = steadyNs();
            for (uint32_t i = 0; i < kEvents; ++i) {
                const int64_t deadline = startNs + int64_t{kFirstEventMs + i} * 1'000'000;
                const timespec when{static_cast<time_t>(deadline / 1'000'000'000), static_cast<long>(deadline % 1'000'000'000)};
                while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &when, nullptr) != 0) {
                }
                lateness.push_back(steadyNs() - deadline);
            }
        });
        sleeper.join();
    }
    report(state, figuresOf(lateness), lateness.size());
}
BENCHMARK(BM_SleepingThreadLateness)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
