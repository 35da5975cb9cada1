// What it costs to render music through "Quavix Synth": one minute of a dense 16-channel
// piece (128 notes a second), as a share of real time, beside the same minute rendered by
// FluidSynth itself, called directly with the same settings and the same events at the same
// frames; both render exactly the minute, no start-up and no tails. The level each rendering
// has shows that both played the same notes. Times are the process's processor time (every
// thread's), which a busy machine disturbs less than the time on the wall.

#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/MidiOutPort.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/synth/SynthProvider.h"

#include <benchmark/benchmark.h>
#include <fluidsynth.h>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace plat::media;

constexpr uint32_t kPieceMs = 60'000;   // one musical minute
constexpr uint32_t kRate = 48000;
constexpr uint32_t kNoteEveryMs = 125;
constexpr uint32_t kFeedAheadMs = 1000;

struct Message {
    uint32_t ms;
    uint32_t packed;
};

// Sixteen channels of different instruments (channel 10 the drums), each with its own line,
// a note every 125 ms on each: 128 notes a second, every note 150 ms long.
std::vector<Message> piece()
{
    std::vector<Message> messages;
    const int scale[] = {0, 2, 4, 5, 7, 9, 11, 12, 11, 9, 7, 5, 4, 2};
    for (uint32_t channel = 0; channel < 16; ++channel) {
        if (channel != 9)
            messages.push_back({0, 0xC0 | channel | ((channel * 8 + 1) << 8)});
        int step = 0;
        for (uint32_t at = 7 * channel; at < kPieceMs; at += kNoteEveryMs, ++step) {
            const uint32_t key = channel == 9 ? 35 + step % 12 : 36 + 4 * (channel % 8) + scale[step % 14];
            const uint32_t velocity = 80 + (step * 7 + channel) % 30;
            messages.push_back({at, 0x90 | channel | (key << 8) | (velocity << 16)});
            if (at + 150 < kPieceMs)
                messages.push_back({at + 150, 0x80 | channel | (key << 8)});
        }
    }
    std::stable_sort(messages.begin(), messages.end(), [](const Message& a, const Message& b) { return a.ms < b.ms; });
    return messages;
}

// The stream words of [start, start + 100 ms).
std::vector<uint32_t> block(const std::vector<Message>& messages, uint32_t start)
{
    std::vector<uint32_t> words;
    uint32_t at = start;
    for (const auto& m : messages) {
        if (m.ms < start || m.ms >= start + 100)
            continue;
        words.insert(words.end(), {m.ms - at, 0, m.packed});
        at = m.ms;
    }
    words.insert(words.end(), {start + 100 - at, 0, kStreamNop});
    return words;
}

// Takes what is rendered and keeps only its peak and energy.
class LevelSink final : public AudioSink {
public:
    std::string name() const override { return "level meter"; }
    int open(uint32_t, uint32_t) override { return kOk; }
    int waitWritable() override { return kOk; }
    int write(std::span<const float> samples) override
    {
        for (float s : samples) {
            peak = std::max(peak, std::fabs(s));
            energy += static_cast<double>(s) * s;
        }
        count += samples.size();
        return kOk;
    }
    void close() override {}
    void interrupt() override {}
    uint32_t leadFrames() const override { return 0; }

    float peak = 0;
    double energy = 0;
    size_t count = 0;
};

void reportLevel(benchmark::State& state, float peak, double energy, size_t count)
{
    state.counters["peak"] = peak;
    state.counters["rms_dBFS"] = 10 * std::log10(energy / static_cast<double>(std::max<size_t>(count, 1)));
}

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void reportTime(benchmark::State& state, double seconds)
{
    state.SetIterationTime(seconds);
    state.counters["s_per_music_minute"] = seconds * 60'000.0 / kPieceMs;
    state.counters["realtime_ratio"] = seconds / (kPieceMs / 1000.0);
}

class DoneCounter final : public MidiOutPort::Events {
public:
    void done(uintptr_t) override { count.fetch_add(1); }
    void marker(uintptr_t, size_t) override {}
    std::atomic<size_t> count{0};
};

void BM_QuavixSynthOneMinute(benchmark::State& state)
{
    const auto messages = piece();
    std::vector<std::vector<uint32_t>> blocks;
    for (uint32_t at = 0; at < kPieceMs; at += 100)
        blocks.push_back(block(messages, at));
    for (auto _ : state) {
        ManualTimerService timers;
        auto owned = std::make_unique<LevelSink>();
        LevelSink* sink = owned.get();
        auto engine = std::make_shared<AudioEngine>(timers, std::move(owned), kRate, static_cast<uint32_t>(state.range(0)),
                                                    static_cast<uint32_t>(state.range(1)));
        SynthProvider provider(engine, std::string(SynthProvider::kDefaultSoundFont));
        auto port = provider.createMidiOut(0);
        DoneCounter done;
        if (!port || port->open(&done) != kOk) {
            state.SkipWithError("Quavix Synth is not available");
            return;
        }
        // Fed a second ahead of the clock, in step with it as the device manager's slices
        // are, never waiting on the port's callbacks: every block is there before its time
        // however busy the machine is, so each run renders the same piece.
        size_t queued = 0;
        bool refused = false;
        const auto feedUntil = [&](uint32_t ms) {
            for (; queued < blocks.size() && queued * 100 < ms; ++queued)
                refused = refused || port->queue({blocks[queued], queued}) != kOk;
        };
        feedUntil(kFeedAheadMs);
        port->restart();
        const double start = processCpuSeconds();
        for (uint32_t at = 0; at < kPieceMs; at += 100) {
            timers.advance(100);
            engine->waitCaughtUp();
            feedUntil(at + 100 + kFeedAheadMs);
        }
        const double took = processCpuSeconds() - start;
        port->close();
        if (refused) {
            state.SkipWithError("the port refused a block");
            return;
        }
        reportTime(state, took);
        reportLevel(state, sink->peak, sink->energy, sink->count);
    }
}
// Arguments: the engine's block in frames, and its batch in milliseconds (the playback file's,
// or none as for a sound device).
BENCHMARK(BM_QuavixSynthOneMinute)
    ->Args({AudioEngine::kDefaultBlockFrames, 0})
    ->Args({1024, 0})
    ->Args({AudioEngine::kDefaultBlockFrames, AudioEngine::kFileBatchMs})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The same minute through FluidSynth alone: the synthesizer "Quavix Synth" is made of, with
// its settings, each event given to it before the 64-frame block nearest the event's frame
// (where the port puts it), rendered in the engine's blocks.
void BM_FluidSynthOneMinute(benchmark::State& state)
{
    const auto messages = piece();
    for (auto _ : state) {
        fluid_settings_t* settings = new_fluid_settings();
        fluid_settings_setnum(settings, "synth.sample-rate", kRate);
        fluid_settings_setnum(settings, "synth.gain", 0.5);
        fluid_settings_setint(settings, "synth.threadsafe-api", 0);
        fluid_synth_t* synth = new_fluid_synth(settings);
        if (!synth || fluid_synth_sfload(synth, std::string(SynthProvider::kDefaultSoundFont).c_str(), 1) == FLUID_FAILED) {
            if (synth)
                delete_fluid_synth(synth);
            delete_fluid_settings(settings);
            state.SkipWithError("FluidSynth or its sound font is not available");
            return;
        }
        constexpr uint32_t kBlock = AudioEngine::kDefaultBlockFrames;
        constexpr uint64_t kFrames = uint64_t{kPieceMs} * kRate / 1000;
        std::vector<float> left(kBlock), right(kBlock);
        float peak = 0;
        double energy = 0;
        size_t next = 0;
        const double start = processCpuSeconds();
        for (uint64_t frame = 0; frame < kFrames; frame += kBlock) {
            for (uint64_t sub = frame; sub < frame + kBlock; sub += 64) {
                // Events whose frame lies nearer this 64-frame boundary than the next.
                for (; next < messages.size() && (uint64_t{messages[next].ms} * kRate + 500) / 1000 < sub + 32; ++next) {
                    const uint32_t m = messages[next].packed;
                    const int channel = static_cast<int>(m & 0x0F);
                    const int data1 = static_cast<int>((m >> 8) & 0x7F);
                    switch (m & 0xF0) {
                    case 0x80: fluid_synth_noteoff(synth, channel, data1); break;
                    case 0x90: fluid_synth_noteon(synth, channel, data1, static_cast<int>((m >> 16) & 0x7F)); break;
                    case 0xC0: fluid_synth_program_change(synth, channel, data1); break;
                    default: break;
                    }
                }
                fluid_synth_write_float(synth, 64, left.data(), static_cast<int>(sub - frame), 1, right.data(),
                                        static_cast<int>(sub - frame), 1);
            }
            for (uint32_t i = 0; i < kBlock; ++i) {
                peak = std::max({peak, std::fabs(left[i]), std::fabs(right[i])});
                energy += static_cast<double>(left[i]) * left[i] + static_cast<double>(right[i]) * right[i];
            }
        }
        const double took = processCpuSeconds() - start;
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
        reportTime(state, took);
        reportLevel(state, peak, energy, static_cast<size_t>(kFrames) * 2);
    }
}
BENCHMARK(BM_FluidSynthOneMinute)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
