#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/alsa/AlsaPcmSink.h"
#include "platform/media/alsa/AlsaWaveIn.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/tests/WavTestFile.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>

namespace plat::media {
namespace {

using test::TempFolder;

// ALSA's own "file" plugin over a "null" device, defined in a private configuration: the
// code paths of a real device, with what is played kept in a raw file and what is recorded
// read from one.
std::string fileDeviceConfig(const std::string& out, const std::string& in)
{
    return "pcm.quavixtest { type file slave { pcm { type null } } file \"" + out + "\" infile \"" + in +
           "\" format \"raw\" }\n";
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

class CountingSource final : public AudioSource {
public:
    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override
    {
        for (uint32_t i = 0; i < frames; ++i) {
            left[i] += static_cast<float>((firstFrame + i) % 20000) / 32767.0f;
            right[i] -= 0.25f;
        }
    }
};

TEST(AlsaPcmTest, ThePlaybackSinkWritesEveryFrameThroughTheDevice)
{
    TempFolder folder;
    const std::string out = folder.file("played.raw");
    ManualTimerService timers;
    auto owned = std::make_unique<AlsaPcmSink>(timers.clock(), "quavixtest", fileDeviceConfig(out, "/dev/null"));
    AlsaPcmSink* sink = owned.get();
    AudioEngine engine(timers, std::move(owned));
    CountingSource source;
    ASSERT_EQ(engine.addSource(source), kOk) << sink->error();
    EXPECT_EQ(sink->leadFrames(), 4u * 256);
    // This device takes frames as fast as they come: the media clock keeps the pace, the
    // device's buffer ahead of it.
    engine.waitCaughtUp();
    EXPECT_LE(engine.renderedFrames(), 4u * 256);
    timers.advance(500);
    engine.waitCaughtUp();
    const uint64_t rendered = engine.renderedFrames();
    EXPECT_GE(rendered, 24000u);
    EXPECT_LE(rendered, 24000u + 4 * 256);
    engine.removeSource(source);

    const auto bytes = readBytes(out);
    ASSERT_EQ(bytes.size(), rendered * 4);
    // Every frame in order, none twice or left out, the first block included (the source
    // is in place before the engine renders anything).
    for (size_t frame : {size_t(0), size_t(1), size_t(12345), size_t(rendered - 1)}) {
        SCOPED_TRACE(frame);
        const auto left = static_cast<int16_t>(bytes[4 * frame] | (bytes[4 * frame + 1] << 8));
        const auto right = static_cast<int16_t>(bytes[4 * frame + 2] | (bytes[4 * frame + 3] << 8));
        EXPECT_EQ(left, static_cast<int16_t>(frame % 20000));
        EXPECT_EQ(right, -8192);
    }
    EXPECT_EQ(sink->recoveries(), 0u);
}

TEST(AlsaPcmTest, ADeviceThatCannotOpenSaysWhich)
{
    ManualTimerService timers;
    auto owned = std::make_unique<AlsaPcmSink>(timers.clock(), "nosuchdevice", fileDeviceConfig("/dev/null", "/dev/null"));
    AlsaPcmSink* sink = owned.get();
    AudioEngine engine(timers, std::move(owned));
    CountingSource source;
    EXPECT_EQ(engine.addSource(source), kErrorNotEnabled);
    EXPECT_NE(sink->error().find("nosuchdevice"), std::string::npos);
    EXPECT_EQ(engine.sinkName(), "ALSA PCM \"nosuchdevice\"");
}

class Recorded final : public WaveInDevice::Events {
public:
    void done(uintptr_t user, size_t bytes) override
    {
        std::lock_guard lock(mutex);
        buffers.emplace_back(user, bytes);
        changed.notify_all();
    }
    void waitFor(size_t count)
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return buffers.size() >= count; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uintptr_t, size_t>> buffers;
};

TEST(AlsaPcmTest, RecordingFillsTheBuffersInOrderAndStopGivesBackTheRest)
{
    TempFolder folder;
    const std::string in = folder.file("recorded.raw");
    std::vector<uint8_t> sound(48000 * 4);
    for (size_t i = 0; i < sound.size(); ++i)
        sound[i] = static_cast<uint8_t>(i * 7 + i / 256);
    std::ofstream(in, std::ios::binary).write(reinterpret_cast<const char*>(sound.data()), static_cast<std::streamsize>(sound.size()));

    AlsaWaveIn device("quavixtest", fileDeviceConfig("/dev/null", in));
    Recorded recorded;
    EXPECT_EQ(device.open(PcmFormat{2, 48000, 24}, &recorded), kErrorBadFormat);
    ASSERT_EQ(device.open(PcmFormat{2, 48000, 16}, &recorded), kOk) << device.error();
    std::vector<uint8_t> first(4800);
    std::vector<uint8_t> second(9600);
    std::vector<uint8_t> third(4000);
    ASSERT_EQ(device.add(first, 1), kOk);
    ASSERT_EQ(device.add(second, 2), kOk);
    ASSERT_EQ(device.start(), kOk);
    recorded.waitFor(2);
    ASSERT_EQ(device.stop(), kOk);
    EXPECT_EQ(recorded.buffers, (std::vector<std::pair<uintptr_t, size_t>>{{1, 4800}, {2, 9600}}));
    EXPECT_TRUE(std::equal(first.begin(), first.end(), sound.begin()));
    EXPECT_TRUE(std::equal(second.begin(), second.end(), sound.begin() + 4800));

    // Stopped, a buffer added waits; stop gives it back empty.
    ASSERT_EQ(device.add(third, 3), kOk);
    ASSERT_EQ(device.stop(), kOk);
    EXPECT_EQ(recorded.buffers.back(), (std::pair<uintptr_t, size_t>{3, 0}));
    EXPECT_EQ(device.close(), kOk);
    EXPECT_EQ(device.add(third, 4), kErrorInvalidHandle);
}

}  // namespace
}  // namespace plat::media
