#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/alsa/AlsaPcmSink.h"
#include "platform/media/alsa/AlsaProvider.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/audio/SoundWaveOut.h"
#include "platform/media/tests/WavTestFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

namespace plat::media {
namespace {

using test::TempFolder;

constexpr uint32_t kFrameBytes = 4;   // 16-bit stereo
constexpr uint32_t kFramesPerMs = 48;

// 16-bit stereo frames from `first` on: left counts up, right down, never both silent.
std::vector<uint8_t> Ramp(size_t frames, size_t first)
{
    std::vector<uint8_t> bytes;
    for (size_t i = first; i < first + frames; ++i) {
        for (const auto s : {static_cast<int16_t>(1 + i * 7 % 30000), static_cast<int16_t>(-1 - static_cast<int>(i * 5 % 30000))}) {
            bytes.push_back(static_cast<uint8_t>(s));
            bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
        }
    }
    return bytes;
}

float SampleOf(const std::vector<uint8_t>& bytes, size_t index)
{
    return static_cast<int16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8) / 32768.0f;
}

// A wave output over an engine into memory on a manual clock at the engine's rate, so what
// it plays arrives sample for sample.
// Parameter: the engine's batch in ms (0, or the playback file's).
class SoundWaveOutTest : public ::testing::TestWithParam<uint32_t> {
protected:
    std::shared_ptr<AudioEngine> MakeEngine()
    {
        auto owned = std::make_unique<MemoryAudioSink>(48000 * 8);
        sink = owned.get();
        return std::make_shared<AudioEngine>(timers, std::move(owned), AudioEngine::kDefaultSampleRate,
                                             AudioEngine::kDefaultBlockFrames, GetParam());
    }
    void Step(uint32_t ms)
    {
        for (; ms > 0; ms -= 10) {
            timers.advance(10);
            engine->waitCaughtUp();
        }
    }
    size_t FirstSound() const
    {
        for (size_t i = 0; i < sink->frameCount(); ++i)
            if (sink->left(i) != 0.0f || sink->right(i) != 0.0f)
                return i;
        return sink->frameCount();
    }

    ManualTimerService timers{1000};
    MemoryAudioSink* sink = nullptr;
    std::shared_ptr<AudioEngine> engine = MakeEngine();
    SoundWaveOut out{engine, timers};
};

TEST_P(SoundWaveOutTest, WhatIsWrittenPlaysInOrderSampleForSampleAndIsCounted)
{
    ASSERT_EQ(out.open({2, 48000, 16}), kOk);
    // 300 ms written before the start, in three pieces; 900 ms more while it plays, so the
    // sound goes round the ring of a second.
    std::vector<uint8_t> all;
    for (size_t piece = 0; piece < 3; ++piece) {
        const auto bytes = Ramp(100 * kFramesPerMs, piece * 100 * kFramesPerMs);
        ASSERT_EQ(out.write(bytes), kOk);
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    ASSERT_EQ(out.start(), kOk);
    Step(100);
    const auto later = Ramp(900 * kFramesPerMs, 300 * kFramesPerMs);
    ASSERT_EQ(out.write(later), kOk);
    all.insert(all.end(), later.begin(), later.end());

    uint64_t played = out.playedBytes();
    for (int step = 0; step < 150; ++step) {
        Step(10);
        const uint64_t now = out.playedBytes();
        ASSERT_GE(now, played) << "step " << step;
        ASSERT_LE(now, all.size());
        played = now;
    }
    EXPECT_EQ(played, all.size());

    const size_t first = FirstSound();
    ASSERT_LT(first + all.size() / kFrameBytes, sink->frameCount());
    for (size_t frame = 0; frame < all.size() / kFrameBytes; ++frame) {
        ASSERT_EQ(sink->left(first + frame), SampleOf(all, 2 * frame)) << "frame " << frame;
        ASSERT_EQ(sink->right(first + frame), SampleOf(all, 2 * frame + 1)) << "frame " << frame;
    }
    // Then silence: the ring does not come round to what it played before.
    for (size_t frame = first + all.size() / kFrameBytes; frame < sink->frameCount(); ++frame)
        ASSERT_EQ(sink->left(frame), 0.0f) << "frame " << frame;
    EXPECT_EQ(out.close(), kOk);
    EXPECT_FALSE(engine->isRunning()) << "the engine stops with its last source";
}

TEST_P(SoundWaveOutTest, StopDropsWhatIsQueuedKeepsTheCountAndAStartPlaysWhatComesNext)
{
    ASSERT_EQ(out.open({2, 48000, 16}), kOk);
    const auto first = Ramp(2000 * kFramesPerMs, 0);
    ASSERT_EQ(out.write(first), kOk);
    ASSERT_EQ(out.start(), kOk);
    Step(500);
    ASSERT_EQ(out.stop(), kOk);
    const uint64_t played = out.playedBytes();
    EXPECT_GT(played, 400u * kFramesPerMs * kFrameBytes);
    EXPECT_LT(played, 600u * kFramesPerMs * kFrameBytes);
    EXPECT_EQ(played % kFrameBytes, 0u);
    const size_t stoppedAt = sink->frameCount();
    Step(200);
    EXPECT_EQ(out.playedBytes(), played);
    for (size_t frame = stoppedAt; frame < sink->frameCount(); ++frame)
        ASSERT_EQ(sink->left(frame), 0.0f) << "nothing after the stop, frame " << frame;

    // The rest of the first bytes is gone; what is written now plays.
    const size_t restartAt = sink->frameCount();
    const auto next = Ramp(100 * kFramesPerMs, 7000);
    ASSERT_EQ(out.write(next), kOk);
    ASSERT_EQ(out.start(), kOk);
    Step(300);
    EXPECT_EQ(out.playedBytes(), played + next.size());
    size_t heard = restartAt;
    while (heard < sink->frameCount() && sink->left(heard) == 0.0f)
        ++heard;
    ASSERT_LT(heard + next.size() / kFrameBytes, sink->frameCount());
    EXPECT_EQ(sink->left(heard), SampleOf(next, 0));
    EXPECT_EQ(sink->right(heard + next.size() / kFrameBytes - 1), SampleOf(next, next.size() / 2 - 1));
    EXPECT_EQ(sink->left(heard + next.size() / kFrameBytes), 0.0f);
}

TEST_P(SoundWaveOutTest, EightBitSoundAtAnotherRateIsResampledAndEndsInSilence)
{
    // 22050 Hz mono 8-bit: the silence that follows the sound is 0x80, heard as nothing.
    ASSERT_EQ(out.open({1, 22050, 8}), kOk);
    std::vector<uint8_t> tone(22050 / 2);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<uint8_t>(i % 50 < 25 ? 0xC0 : 0x40);
    ASSERT_EQ(out.write(tone), kOk);
    ASSERT_EQ(out.start(), kOk);
    Step(800);
    EXPECT_EQ(out.playedBytes(), tone.size());
    const size_t first = FirstSound();
    ASSERT_LT(first, sink->frameCount());
    float loudest = 0;
    for (size_t frame = first; frame < first + 24000 - 100; ++frame)
        loudest = std::max(loudest, std::fabs(sink->left(frame)));
    EXPECT_GT(loudest, 0.4f);
    for (size_t frame = first + 24000 + 200; frame < sink->frameCount(); ++frame)
        ASSERT_LT(std::fabs(sink->left(frame)), 1e-3f) << "frame " << frame;
}

TEST_P(SoundWaveOutTest, WrongFormatsSizesAndOrdersAreRefused)
{
    const uint8_t frame[4] = {};
    EXPECT_EQ(out.write(frame), kErrorInvalidHandle);
    EXPECT_EQ(out.start(), kErrorInvalidHandle);
    EXPECT_EQ(out.stop(), kErrorInvalidHandle);
    EXPECT_EQ(out.close(), kErrorInvalidHandle);
    EXPECT_EQ(out.playedBytes(), 0u);
    const PcmFormat refused[] = {{0, 48000, 16}, {3, 48000, 16}, {2, 48000, 12}, {2, 48000, 0}, {2, 50, 16}, {2, 200000, 16}};
    for (const PcmFormat& format : refused)
        EXPECT_EQ(out.open(format), kErrorBadFormat) << format.channels << " " << format.samplesPerSec << " " << format.bitsPerSample;
    ASSERT_EQ(out.open({2, 44100, 16}), kOk);
    EXPECT_EQ(out.open({2, 44100, 16}), kErrorAllocated);
    EXPECT_EQ(out.write({frame, 3}), kErrorInvalidParam);
    EXPECT_EQ(out.write(frame), kOk);
    EXPECT_EQ(out.close(), kOk);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// The family's wave output plays through the engine over ALSA's PCM: here ALSA's own "file"
// plug-in over a "null" device from a private configuration, the code path of a real device
// with what it plays kept in a raw file.
INSTANTIATE_TEST_SUITE_P(Batches, SoundWaveOutTest, ::testing::Values(0u, AudioEngine::kFileBatchMs));

TEST(AlsaWaveOutTest, TheFamilyListsAWaveOutputThatPlaysThroughTheEngineOverThePcm)
{
    TempFolder folder;
    const std::string raw = folder.file("played.raw");
    ManualTimerService timers;
    const std::string config = "pcm.quavixtest { type file slave { pcm { type null } } file \"" + raw + "\" format \"raw\" }\n";
    auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<AlsaPcmSink>(timers.clock(), "quavixtest", config));
    {
        AlsaProvider alsa(timers, engine);
        const auto outs = alsa.waveOuts();
        ASSERT_EQ(outs.size(), 1u);
        EXPECT_EQ(outs[0].name, AlsaProvider::kPlaybackName);
        EXPECT_EQ(alsa.createWaveOut(1), nullptr);
        auto out = alsa.createWaveOut(0);
        ASSERT_TRUE(out);
        ASSERT_EQ(out->open({2, 48000, 16}), kOk) << engine->sinkName();
        const auto bytes = Ramp(200 * kFramesPerMs, 0);
        ASSERT_EQ(out->write(bytes), kOk);
        ASSERT_EQ(out->start(), kOk);
        for (int step = 0; step < 40; ++step) {
            timers.advance(10);
            engine->waitCaughtUp();
        }
        EXPECT_EQ(out->playedBytes(), bytes.size());
        EXPECT_EQ(out->close(), kOk);

        const auto played = ReadBytes(raw);
        size_t first = 0;
        while (first + 4 <= played.size() && played[first] == 0 && played[first + 1] == 0 && played[first + 2] == 0 &&
               played[first + 3] == 0)
            first += 4;
        ASSERT_GE(played.size(), first + bytes.size());
        for (size_t i = 0; i < bytes.size() / 2; ++i) {
            const int expected = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
            const int got = static_cast<int16_t>(played[first + 2 * i] | played[first + 2 * i + 1] << 8);
            ASSERT_NEAR(got, expected, 1) << "sample " << i;
        }
    }

    // Without a playback engine (a machine without sound devices) the family lists none.
    AlsaProvider none(timers, nullptr);
    EXPECT_TRUE(none.waveOuts().empty());
    EXPECT_EQ(none.createWaveOut(0), nullptr);
}

// ALSA's "default" may work on a machine without sound devices: here a private configuration
// makes it ALSA's "null" plug-in. The family then lists its wave output and its recording
// device, quietly.
TEST(AlsaWaveOutTest, ADefaultPcmThatWorksWithoutSoundDevicesGivesTheWaveOutput)
{
    TempFolder folder;
    const std::string config = folder.file("asoundrc");
    std::ofstream(config) << "pcm.!default { type null }\n";
    const char* previous = std::getenv("ALSA_CONFIG_PATH");
    const std::optional<std::string> restore = previous ? std::optional<std::string>(previous) : std::nullopt;
    setenv("ALSA_CONFIG_PATH", config.c_str(), 1);
    testing::internal::CaptureStderr();
    auto backend = Backend::fromSelection("alsa");
    EXPECT_EQ(backend->waveOutCount(), 1);
    EXPECT_EQ(backend->waveInCount(), 1);
    WaveOutDevice::Caps caps;
    ASSERT_TRUE(backend->waveOutCaps(0, caps));
    EXPECT_EQ(caps.name, AlsaProvider::kPlaybackName);
    backend.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    if (restore)
        setenv("ALSA_CONFIG_PATH", restore->c_str(), 1);
    else
        unsetenv("ALSA_CONFIG_PATH");
}

TEST(AlsaWaveOutTest, AMachineWithoutSoundDevicesHasNoWaveOutputAndSaysNothing)
{
    if (::access("/dev/snd", F_OK) == 0)
        GTEST_SKIP() << "this machine has sound devices";
    testing::internal::CaptureStderr();
    auto backend = Backend::fromSelection("synth,alsa");
    EXPECT_EQ(backend->waveOutCount(), 0);
    EXPECT_EQ(backend->soundOutputCount(), 0);
    backend.reset();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
}  // namespace plat::media
