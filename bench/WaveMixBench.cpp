#include "platform/media/ManualTimerService.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/audio/SoundBuffer.h"
#include "platform/media/audio/SoundDevice.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace plat::media;

// Mixing wave tracks as the wave players do: each a looping 64 KB ring of 16-bit stereo, at
// 22050 Hz (resampled to the engine's 48000 Hz) or at the engine's own rate, with its own
// volume and pan. The counter "cost" is the time mixing takes for each second of sound: 0.01
// means a hundredth of a core.
void mix(benchmark::State& state, uint32_t rate)
{
    const int tracks = static_cast<int>(state.range(0));
    ManualTimerService timers(0);
    AudioEngine engine(timers, std::make_unique<MemoryAudioSink>(1));
    SoundDevice device(engine);
    std::vector<uint8_t> ring(65536);
    for (size_t i = 0; i < ring.size(); i += 2) {
        const auto v = static_cast<int16_t>(8000 * std::sin(static_cast<double>(i) * 0.01));
        ring[i] = static_cast<uint8_t>(v);
        ring[i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8);
    }
    std::vector<std::unique_ptr<SoundBuffer>> buffers;
    for (int t = 0; t < tracks; ++t) {
        auto buffer = device.createBuffer(PcmFormat{2, rate, 16}, static_cast<uint32_t>(ring.size()));
        buffer->write(0, ring);
        buffer->setVolume(-100 * (t % 10));
        buffer->setPan(-5000 + 300 * t);
        buffer->play(true);
        buffers.push_back(std::move(buffer));
    }
    const uint32_t frames = engine.blockFrames();
    std::vector<float> left(frames), right(frames);
    uint64_t frame = 0;
    for (auto _ : state) {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        device.render(left.data(), right.data(), frames, frame);
        frame += frames;
        benchmark::DoNotOptimize(left.data());
    }
    const double seconds = static_cast<double>(frame) / engine.sampleRate();
    state.counters["cost"] = benchmark::Counter(seconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_MixResampledTracks(benchmark::State& state) { mix(state, 22050); }
void BM_MixTracksAtTheEngineRate(benchmark::State& state) { mix(state, AudioEngine::kDefaultSampleRate); }

BENCHMARK(BM_MixResampledTracks)->Arg(1)->Arg(32);
BENCHMARK(BM_MixTracksAtTheEngineRate)->Arg(32);

}  // namespace
