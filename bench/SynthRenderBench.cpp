// What it costs to render music through "Quavix Synth": one minute of a 16-channel piece,
// as a share of real time, beside FluidSynth's own command-line renderer on the same notes
// (from a Standard MIDI File this program writes), and the level the synthesizer's gain
// gives that piece.

#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/MidiOutPort.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/synth/SynthProvider.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using namespace plat::media;

constexpr uint32_t kPieceMs = 60'000;
constexpr uint32_t kRate = 48000;

struct Message {
    uint32_t ms;
    uint32_t packed;
};

// Sixteen channels of different instruments (channel 10 the drums), each with its own
// rhythm and line, every note 150 ms long.
std::vector<Message> piece()
{
    std::vector<Message> messages;
    const int scale[] = {0, 2, 4, 5, 7, 9, 11, 12, 11, 9, 7, 5, 4, 2};
    for (uint32_t channel = 0; channel < 16; ++channel) {
        if (channel != 9)
            messages.push_back({0, 0xC0 | channel | ((channel * 8 + 1) << 8)});
        const uint32_t every = 200 + 25 * channel;
        int step = 0;
        for (uint32_t at = 10 * channel; at + 150 < kPieceMs; at += every, ++step) {
            const uint32_t key = channel == 9 ? 35 + step % 12 : 36 + 4 * (channel % 8) + scale[step % 14];
            const uint32_t velocity = 80 + (step * 7 + channel) % 30;
            messages.push_back({at, 0x90 | channel | (key << 8) | (velocity << 16)});
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

// A format-0 Standard MIDI File of the messages, one tick a millisecond.
void writeMidiFile(const std::vector<Message>& messages, const std::string& path)
{
    std::vector<uint8_t> track;
    const auto variable = [&](uint32_t value) {
        uint8_t bytes[5];
        int n = 0;
        do {
            bytes[n++] = static_cast<uint8_t>(value & 0x7F);
            value >>= 7;
        } while (value);
        while (n-- > 0)
            track.push_back(static_cast<uint8_t>(bytes[n] | (n ? 0x80 : 0)));
    };
    // A quarter note of one second at 1000 ticks: a tick is a millisecond.
    track.insert(track.end(), {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40});
    uint32_t at = 0;
    for (const auto& m : messages) {
        variable(m.ms - at);
        at = m.ms;
        const auto status = static_cast<uint8_t>(m.packed);
        track.push_back(status);
        track.push_back(static_cast<uint8_t>(m.packed >> 8));
        if ((status & 0xF0) != 0xC0 && (status & 0xF0) != 0xD0)
            track.push_back(static_cast<uint8_t>(m.packed >> 16));
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    std::ofstream file(path, std::ios::binary);
    const uint8_t header[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0x03, 0xE8, 'M', 'T', 'r', 'k'};
    file.write(reinterpret_cast<const char*>(header), sizeof header);
    const auto size = static_cast<uint32_t>(track.size());
    const char length[] = {static_cast<char>(size >> 24), static_cast<char>(size >> 16), static_cast<char>(size >> 8),
                           static_cast<char>(size)};
    file.write(length, 4);
    file.write(reinterpret_cast<const char*>(track.data()), static_cast<std::streamsize>(track.size()));
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
        auto engine = std::make_shared<AudioEngine>(timers, std::move(owned), kRate);
        SynthProvider provider(engine, std::string(SynthProvider::kDefaultSoundFont));
        auto port = provider.createMidiOut(0);
        DoneCounter done;
        if (!port || port->open(&done) != kOk) {
            state.SkipWithError("Quavix Synth is not available");
            return;
        }
        // Fed as the device manager feeds it, a second ahead, in steps of 100 ms.
        size_t queued = 0;
        const auto feed = [&] {
            for (; queued < blocks.size() && queued < done.count.load() + 10; ++queued)
                port->queue({blocks[queued], queued});
        };
        feed();
        port->restart();
        const auto start = std::chrono::steady_clock::now();
        for (uint32_t at = 0; at < kPieceMs; at += 100) {
            timers.advance(100);
            engine->waitCaughtUp();
            feed();
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        port->close();
        state.SetIterationTime(took.count());
        state.counters["realtime_ratio"] = took.count() / (kPieceMs / 1000.0);
        state.counters["peak"] = sink->peak;
        state.counters["rms_dBFS"] = 10 * std::log10(sink->energy / static_cast<double>(sink->count));
    }
}
BENCHMARK(BM_QuavixSynthOneMinute)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_FluidSynthCommandLineOneMinute(benchmark::State& state)
{
    const auto folder = std::filesystem::temp_directory_path() / ("quavix-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string midi = (folder / "piece.mid").string();
    const std::string wav = (folder / "piece.wav").string();
    writeMidiFile(piece(), midi);
    const std::string command = "fluidsynth -q -n -i -r " + std::to_string(kRate) + " -g 0.5 -F " + wav + " " +
                                std::string(SynthProvider::kDefaultSoundFont) + " " + midi + " > /dev/null 2>&1";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            state.SkipWithError("the fluidsynth program did not run (Debian package fluidsynth)");
            break;
        }
        state.SetIterationTime(took.count());
        state.counters["realtime_ratio"] = took.count() / (kPieceMs / 1000.0);
    }
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_FluidSynthCommandLineOneMinute)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
