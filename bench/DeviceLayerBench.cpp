// The device layer on the real clock: how late MIDI events take effect in "Quavix Synth" and
// reach an ALSA sequencer port against their scheduled time, where the synthesizer's notes
// start in the rendered sound, and what the layer costs while nothing plays.

#include "platform/media/MediaError.h"
#include "platform/media/MidiOutPort.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/RealClock.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/alsa/AlsaMidiInPort.h"
#include "platform/media/alsa/AlsaMidiOutPort.h"
#include "platform/media/alsa/AlsaSequencer.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/synth/SynthProvider.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <ctime>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using namespace plat::media;
using Clock = std::chrono::steady_clock;

constexpr uint32_t kRate = 48000;

struct Stats {
    double p50;
    double p99;
    double max;
};

Stats stats(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const auto at = [&](double q) { return values[static_cast<size_t>(q * static_cast<double>(values.size() - 1))]; };
    return {at(0.5), at(0.99), values.back()};
}

uint32_t packed(int status, int data1, int data2)
{
    return static_cast<uint32_t>(status) | static_cast<uint32_t>(data1 << 8) | static_cast<uint32_t>(data2 << 16);
}

// Blocks of 100 ms of dry organ notes, 30 ms each and cut off, every 50 ms at uneven times.
std::vector<std::vector<uint32_t>> notePattern(uint32_t lengthMs, std::vector<uint32_t>& noteTimes)
{
    std::vector<std::vector<uint32_t>> blocks;
    for (uint32_t start = 0; start < lengthMs; start += 100) {
        std::vector<uint32_t> words;
        uint32_t at = start;
        const auto add = [&](uint32_t ms, uint32_t message) {
            words.insert(words.end(), {ms - at, 0, message});
            at = ms;
        };
        if (start == 0) {
            add(0, packed(0xC0, 16, 0));
            add(0, packed(0xB0, 91, 0));
            add(0, packed(0xB0, 93, 0));
        }
        for (uint32_t k = 0; k < 2; ++k) {
            const uint32_t note = start + 10 + 50 * k + (start / 100 * 7 + k * 3) % 11;
            if (start == 0 && k == 0)
                continue;
            noteTimes.push_back(note);
            add(note, packed(0x90, 72, 110));
            add(note + 30, packed(0xB0, 120, 0));
        }
        words.insert(words.end(), {start + 100 - at, 0, kStreamNop});
        blocks.push_back(std::move(words));
    }
    return blocks;
}

class DoneFeeder final : public MidiOutPort::Events {
public:
    void done(uintptr_t) override
    {
        std::lock_guard lock(mutex);
        ++count;
        changed.notify_all();
    }
    void marker(uintptr_t, size_t) override {}
    std::mutex mutex;
    std::condition_variable changed;
    size_t count = 0;
};

// Where each note starts against its scheduled frame, in frames. The onset is the first frame
// far louder than the reverberation of the notes before: a measure with a bias of its own,
// which cancels out between two renderings of the same notes.
std::vector<int64_t> onsetOffsets(const AudioEngine& engine, const MemoryAudioSink& sink, uint32_t restartMs,
                                  const std::vector<uint32_t>& noteTimes)
{
    std::vector<int64_t> offsets;
    for (uint32_t ms : noteTimes) {
        const auto expected = static_cast<int64_t>(engine.frameAt(restartMs + ms));
        float before = 0;
        for (auto f = static_cast<size_t>(expected - 400); f < static_cast<size_t>(expected - 200); ++f)
            before = std::max(before, std::fabs(sink.left(f)));
        auto frame = static_cast<size_t>(expected - 200);
        while (frame < sink.frameCount() && std::fabs(sink.left(frame)) < std::max(4 * before, 1e-4f))
            ++frame;
        offsets.push_back(static_cast<int64_t>(frame) - expected);
    }
    return offsets;
}

struct Rendering {
    std::shared_ptr<AudioEngine> engine;
    MemoryAudioSink* sink = nullptr;
    std::unique_ptr<SynthProvider> provider;
    std::unique_ptr<MidiOutPort> port;
    DoneFeeder feeder;

    Rendering(TimerService& timers, uint32_t lengthMs)
    {
        auto owned = std::make_unique<MemoryAudioSink>(static_cast<size_t>(lengthMs + 1000) * kRate / 1000);
        sink = owned.get();
        engine = std::make_shared<AudioEngine>(timers, std::move(owned), kRate);
        provider = std::make_unique<SynthProvider>(engine, std::string(SynthProvider::kDefaultSoundFont));
        port = provider->createMidiOut(0);
        if (port && port->open(&feeder) != kOk)
            port.reset();
    }
};

void BM_SynthLatenessAndOnsetsOnTheRealClock(benchmark::State& state)
{
    constexpr uint32_t kLengthMs = 6000;
    std::vector<uint32_t> noteTimes;
    const auto blocks = notePattern(kLengthMs, noteTimes);
    for (auto _ : state) {
        // The notes on the real clock, two blocks ahead, the next block queued as each comes
        // back, as the device manager does.
        RealTimerService realTimers;
        Rendering real(realTimers, kLengthMs);
        if (!real.port) {
            state.SkipWithError("Quavix Synth is not available");
            return;
        }
        size_t queued = 0;
        for (; queued < 2; ++queued)
            real.port->queue({blocks[queued], queued});
        uint32_t restartMs = 0;
        for (;;) {
            restartMs = realTimers.clock().nowMs();
            real.port->restart();
            if (realTimers.clock().nowMs() == restartMs)
                break;
            real.port->pause();
        }
        while (queued < blocks.size()) {
            std::unique_lock lock(real.feeder.mutex);
            real.feeder.changed.wait(lock, [&] { return real.feeder.count + 2 > queued; });
            lock.unlock();
            real.port->queue({blocks[queued], queued});
            ++queued;
        }
        {
            std::unique_lock lock(real.feeder.mutex);
            real.feeder.changed.wait(lock, [&] { return real.feeder.count == blocks.size(); });
        }
        real.port->close();

        // The same notes on a manual clock, every block queued in time: the reference.
        ManualTimerService manualTimers;
        Rendering reference(manualTimers, kLengthMs);
        for (size_t i = 0; i < blocks.size(); ++i)
            reference.port->queue({blocks[i], i});
        reference.port->restart();
        manualTimers.advance(kLengthMs);
        reference.engine->waitCaughtUp();
        reference.port->close();

        const auto measured = onsetOffsets(*real.engine, *real.sink, restartMs, noteTimes);
        const auto expected = onsetOffsets(*reference.engine, *reference.sink, 0, noteTimes);
        std::vector<double> lateMs;
        for (size_t i = 0; i < measured.size(); ++i)
            lateMs.push_back(static_cast<double>(measured[i] - expected[i]) * 1000.0 / kRate);
        const Stats late = stats(lateMs);
        state.counters["late_p50_ms"] = late.p50;
        state.counters["late_p99_ms"] = late.p99;
        state.counters["late_max_ms"] = late.max;
        state.counters["notes"] = static_cast<double>(noteTimes.size());
    }
}
BENCHMARK(BM_SynthLatenessAndOnsetsOnTheRealClock)->Iterations(1)->Unit(benchmark::kMillisecond);

// Where notes start in the rendered sound against their frames: dry notes far apart, so the
// first frame that sounds at all is the onset.
void BM_SynthOnsetError(benchmark::State& state)
{
    constexpr uint32_t kSpacingMs = 2500;
    constexpr uint32_t kNotes = 24;
    for (auto _ : state) {
        ManualTimerService timers;
        Rendering rendering(timers, kSpacingMs * kNotes + 500);
        if (!rendering.port) {
            state.SkipWithError("Quavix Synth is not available");
            return;
        }
        std::vector<uint32_t> noteTimes;
        for (uint32_t i = 0; i < kNotes; ++i)
            noteTimes.push_back(100 + kSpacingMs * i + i * 7 % 13);
        for (uint32_t start = 0; start < kSpacingMs * kNotes; start += 100) {
            std::vector<uint32_t> words;
            uint32_t at = start;
            if (start == 0)
                words.insert(words.end(), {0, 0, packed(0xB0, 91, 0), 0, 0, packed(0xB0, 93, 0)});
            for (uint32_t note : noteTimes) {
                if (note >= start && note < start + 100) {
                    words.insert(words.end(), {note - at, 0, packed(0x90, 64, 110)});
                    at = note;
                }
                if (note + 150 >= start && note + 150 < start + 100) {
                    words.insert(words.end(), {note + 150 - at, 0, packed(0xB0, 120, 0)});
                    at = note + 150;
                }
            }
            words.insert(words.end(), {start + 100 - at, 0, kStreamNop});
            rendering.port->queue({words, start});
            if (start == 0)
                rendering.port->restart();
            timers.advance(100);
            rendering.engine->waitCaughtUp();
        }
        rendering.port->close();
        double worst = 0;
        double sum = 0;
        for (uint32_t ms : noteTimes) {
            const auto expected = static_cast<int64_t>(rendering.engine->frameAt(ms));
            auto frame = static_cast<size_t>(expected - 100);
            while (frame < rendering.sink->frameCount() && std::fabs(rendering.sink->left(frame)) < 3e-5f)
                ++frame;
            const auto error = static_cast<double>(static_cast<int64_t>(frame) - expected);
            worst = std::max(worst, std::fabs(error));
            sum += error;
        }
        state.counters["onset_error_max_frames"] = worst;
        state.counters["onset_error_mean_frames"] = sum / kNotes;
    }
}
BENCHMARK(BM_SynthOnsetError)->Iterations(1)->Unit(benchmark::kMillisecond);


class Arrivals final : public MidiInPort::Events {
public:
    void data(uint32_t, uint32_t) override
    {
        std::lock_guard lock(mutex);
        times.push_back(Clock::now());
        changed.notify_all();
    }
    void longData(std::span<const uint8_t>, uint32_t) override {}
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Clock::time_point> times;
};

void BM_AlsaPortLatenessOnTheRealClock(benchmark::State& state)
{
    auto sequencer = AlsaSequencer::open();
    AlsaSequencer::Address through;
    if (sequencer)
        for (const auto& d : sequencer->destinations())
            if (d.name.find("Through") != std::string::npos)
                through = d;
    if (through.name.empty()) {
        state.SkipWithError("no ALSA sequencer with a Midi Through port on this machine");
        return;
    }
    for (auto _ : state) {
        const RealClock clock;
        AlsaMidiOutPort out(*sequencer, through, clock);
        AlsaMidiInPort in(*sequencer, through);
        Arrivals arrivals;
        in.open(&arrivals);
        in.start();
        out.open(nullptr);
        // 2000 notes, one every 2 ms and a bit, in blocks of 100 ms.
        std::vector<std::vector<uint32_t>> blocks;
        std::vector<uint32_t> times;
        for (uint32_t start = 0; start < 5000; start += 100) {
            std::vector<uint32_t> words;
            uint32_t at = start;
            for (uint32_t t = start; t < start + 100; t += 2 + t % 3) {
                words.insert(words.end(), {t - at, 0, packed(0x90, 60, 1)});
                times.push_back(t);
                at = t;
            }
            words.insert(words.end(), {start + 100 - at, 0, kStreamNop});
            blocks.push_back(std::move(words));
        }
        for (size_t i = 0; i < blocks.size(); ++i)
            out.queue({blocks[i], i});
        const auto origin = Clock::now();
        out.restart();
        {
            std::unique_lock lock(arrivals.mutex);
            arrivals.changed.wait_for(lock, std::chrono::seconds(10), [&] { return arrivals.times.size() >= times.size(); });
        }
        out.close();
        in.close();
        std::vector<double> lateMs;
        for (size_t i = 0; i < std::min(times.size(), arrivals.times.size()); ++i)
            lateMs.push_back(std::chrono::duration<double, std::milli>(arrivals.times[i] - origin).count() - times[i]);
        if (lateMs.empty()) {
            state.SkipWithError("nothing came back through Midi Through");
            return;
        }
        const Stats late = stats(lateMs);
        state.counters["late_p50_ms"] = late.p50;
        state.counters["late_p99_ms"] = late.p99;
        state.counters["late_max_ms"] = late.max;
    }
}
BENCHMARK(BM_AlsaPortLatenessOnTheRealClock)->Iterations(1)->Unit(benchmark::kMillisecond);

// Takes what the engine renders and drops it, at the pace of the media clock.
class NullSink final : public AudioSink {
public:
    std::string name() const override { return "nowhere"; }
    int open(uint32_t, uint32_t) override { return kOk; }
    int waitWritable() override { return kOk; }
    int write(std::span<const float>) override { return kOk; }
    void close() override {}
    void interrupt() override {}
    uint32_t leadFrames() const override { return 0; }
};

double processCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The program keeps its devices open and cycles empty 100 ms blocks through the synthesizer
// while nothing plays: what that costs, as a share of one core.
void BM_IdleDeviceLayerCpu(benchmark::State& state)
{
    for (auto _ : state) {
        RealTimerService timers;
        auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<NullSink>(), kRate);
        SynthProvider provider(engine, std::string(SynthProvider::kDefaultSoundFont));
        auto port = provider.createMidiOut(0);
        DoneFeeder feeder;
        if (!port || port->open(&feeder) != kOk) {
            state.SkipWithError("Quavix Synth is not available");
            return;
        }
        std::vector<uint32_t> empty{100, 0, kStreamNop};
        port->queue({empty, 0});
        port->queue({empty, 1});
        port->restart();
        std::atomic<bool> quit{false};
        std::thread manager([&] {
            size_t queued = 2;
            while (!quit.load()) {
                std::unique_lock lock(feeder.mutex);
                if (!feeder.changed.wait_for(lock, std::chrono::milliseconds(200), [&] { return feeder.count + 2 > queued; }))
                    continue;
                lock.unlock();
                port->queue({empty, queued++});
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // settle
        const double cpuBefore = processCpuSeconds();
        const auto wallBefore = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double cpu = processCpuSeconds() - cpuBefore;
        const std::chrono::duration<double> wall = Clock::now() - wallBefore;
        quit.store(true);
        manager.join();
        port->close();
        state.counters["cpu_percent_of_a_core"] = 100.0 * cpu / wall.count();
    }
}
BENCHMARK(BM_IdleDeviceLayerCpu)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
