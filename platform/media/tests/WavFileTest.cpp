#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/file/WavFileWriter.h"
#include "platform/media/tests/WavTestFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <numeric>

namespace plat::media {
namespace {

using test::readWav;
using test::TempFolder;

TEST(WavFileWriterTest, WritesTheHeaderOfEachFormat)
{
    TempFolder folder;
    struct Case {
        uint16_t channels;
        uint32_t rate;
        uint16_t bits;
        uint32_t avgBytes;
        uint16_t align;
    };
    for (const Case& c : {Case{1, 22050, 8, 22050, 1}, Case{2, 22050, 16, 88200, 4}, Case{2, 48000, 16, 192000, 4},
                          Case{1, 44100, 16, 88200, 2}}) {
        SCOPED_TRACE(c.rate * 100 + c.channels * 10 + c.bits);
        const std::string path = folder.file("format.wav");
        WavFileWriter writer;
        ASSERT_TRUE(writer.open(path, PcmFormat{c.channels, c.rate, c.bits}));
        std::vector<uint8_t> bytes(4 * c.align);
        std::iota(bytes.begin(), bytes.end(), uint8_t{1});
        ASSERT_TRUE(writer.write(bytes));
        ASSERT_TRUE(writer.close());
        const auto wav = readWav(path);
        ASSERT_TRUE(wav);
        EXPECT_EQ(wav->formatTag, 1);
        EXPECT_EQ(wav->channels, c.channels);
        EXPECT_EQ(wav->sampleRate, c.rate);
        EXPECT_EQ(wav->bits, c.bits);
        EXPECT_EQ(wav->avgBytesPerSec, c.avgBytes);
        EXPECT_EQ(wav->blockAlign, c.align);
        EXPECT_EQ(wav->data, bytes);
        EXPECT_EQ(wav->riffSize, 36u + bytes.size());
    }
}

TEST(WavFileWriterTest, AFlushedFileIsReadableWhileStillOpen)
{
    TempFolder folder;
    const std::string path = folder.file("open.wav");
    WavFileWriter writer;
    ASSERT_TRUE(writer.open(path, PcmFormat{2, 48000, 16}));
    const std::vector<uint8_t> first(400, 7);
    ASSERT_TRUE(writer.write(first));
    ASSERT_TRUE(writer.flush());
    // As a crash would leave it: the header counts what was flushed.
    auto wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->data, first);

    ASSERT_TRUE(writer.write(std::vector<uint8_t>(400, 9)));
    ASSERT_TRUE(writer.close());
    wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->data.size(), 800u);
    EXPECT_EQ(wav->data.back(), 9);
}

TEST(WavFileWriterTest, PadsAnOddDataChunkAndRefusesPartFrames)
{
    TempFolder folder;
    const std::string path = folder.file("odd.wav");
    WavFileWriter writer;
    ASSERT_TRUE(writer.open(path, PcmFormat{1, 8000, 8}));
    ASSERT_TRUE(writer.write(std::vector<uint8_t>{1, 2, 3}));
    ASSERT_TRUE(writer.close());
    const auto wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->data, (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(wav->riffSize, 36u + 4);  // the pad byte belongs to the RIFF chunk

    ASSERT_TRUE(writer.open(path, PcmFormat{2, 8000, 16}));
    EXPECT_FALSE(writer.write(std::vector<uint8_t>(6)));
    EXPECT_NE(writer.error().find("whole frames"), std::string::npos);
}

TEST(WavFileWriterTest, AFileThatCannotBeMadeSaysWhy)
{
    WavFileWriter writer;
    EXPECT_FALSE(writer.open("/nonexistent-folder/x.wav", PcmFormat{2, 48000, 16}));
    EXPECT_NE(writer.error().find("/nonexistent-folder/x.wav"), std::string::npos);
    EXPECT_FALSE(writer.write(std::vector<uint8_t>(4)));
    EXPECT_FALSE(writer.open("/tmp/x.wav", PcmFormat{2, 48000, 0}));
}

class SineSource final : public AudioSource {
public:
    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override
    {
        for (uint32_t i = 0; i < frames; ++i) {
            left[i] += ((firstFrame + i) % 100) < 50 ? 0.5f : -0.5f;
            right[i] += 0.25f;
        }
    }
};

TEST(WavFileSinkTest, RecordsTheEngineAtThePaceOfTheClockAndFlushesEachSecond)
{
    TempFolder folder;
    const std::string path = folder.file("engine.wav");
    ManualTimerService timers;
    AudioEngine engine(timers, std::make_unique<WavFileSink>(path));
    SineSource source;
    ASSERT_EQ(engine.addSource(source), kOk);
    timers.advance(1500);
    engine.waitCaughtUp();

    // Still playing: the file already holds the first second.
    auto wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_GE(wav->frames(), 48000u);
    EXPECT_LT(wav->frames(), 72000u);

    engine.removeSource(source);
    wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->sampleRate, 48000u);
    EXPECT_EQ(wav->channels, 2u);
    EXPECT_EQ(wav->frames(), 72000u - 72000u % 256);
    for (size_t i : {size_t(0), size_t(49), size_t(50), size_t(99), size_t(70001)}) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(wav->sample(i, 0), (i % 100) < 50 ? 0.5f : -0.5f, 1e-4);
        EXPECT_NEAR(wav->sample(i, 1), 0.25f, 1e-4);
    }
}

// The engine opens its sink each time something starts to play: the file keeps what every
// play gave, one after the other, and is readable between them.
TEST(WavFileSinkTest, EachPlayAddsToTheOneFile)
{
    TempFolder folder;
    const std::string path = folder.file("run.wav");
    ManualTimerService timers;
    AudioEngine engine(timers, std::make_unique<WavFileSink>(path));
    SineSource source;
    size_t played = 0;
    for (const uint32_t ms : {500u, 250u, 1000u}) {
        ASSERT_EQ(engine.addSource(source), kOk);
        timers.advance(ms);
        engine.waitCaughtUp();
        engine.removeSource(source);
        ASSERT_FALSE(engine.isRunning());
        const auto wav = readWav(path);
        ASSERT_TRUE(wav);
        EXPECT_GT(wav->frames(), played) << "after " << ms << " ms";
        played = wav->frames();
    }
    // Each play rendered whole blocks of the time it was given.
    EXPECT_EQ(played, size_t{(24000u - 24000u % 256) + (12000u - 12000u % 256) + (48000u - 48000u % 256)});
    const auto wav = readWav(path);
    ASSERT_TRUE(wav);
    EXPECT_NEAR(wav->sample(0, 1), 0.25f, 1e-4);
    EXPECT_NEAR(wav->sample(played - 1, 1), 0.25f, 1e-4);
}

// Writes of any number of frames, batches included, go to the file whole and in order, across
// the second of sound the sink gathers before it writes.
TEST(WavFileSinkTest, WritesOfAnySizeKeepEveryFrameInOrder)
{
    TempFolder folder;
    const std::string path = folder.file("writes.wav");
    WavFileSink sink(path);
    EXPECT_EQ(sink.write(std::vector<float>{0.5f, 0.5f}), kErrorInvalidParam) << "before the file is open";
    ASSERT_EQ(sink.open(48000, 256), kOk);
    std::vector<float> samples;
    size_t frame = 0;
    const auto level = [](size_t at) { return static_cast<float>(at % 20000) / 20000.0f - 0.5f; };
    for (const size_t frames : {size_t(256), size_t(4096), size_t(1), size_t(47000), size_t(3000), size_t(48000), size_t(777)}) {
        samples.clear();
        for (size_t i = 0; i < frames; ++i, ++frame) {
            samples.push_back(level(frame));
            samples.push_back(-level(frame));
        }
        ASSERT_EQ(sink.write(samples), kOk) << frames;
    }
    EXPECT_EQ(sink.write(std::vector<float>{0.5f}), kErrorInvalidParam) << "half a frame";
    sink.close();
    const auto wav = readWav(path);
    ASSERT_TRUE(wav);
    ASSERT_EQ(wav->frames(), frame);
    for (size_t i : {size_t(0), size_t(255), size_t(4352), size_t(4353), size_t(47999), size_t(48000), size_t(96000), size_t(frame - 1)}) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(wav->sample(i, 0), level(i), 1e-4);
        EXPECT_NEAR(wav->sample(i, 1), -level(i), 1e-4);
    }
}

TEST(WavFileSinkTest, AFileThatCannotBeMadeKeepsTheEngineStopped)
{
    ManualTimerService timers;
    auto owned = std::make_unique<WavFileSink>("/nonexistent-folder/engine.wav");
    WavFileSink* sink = owned.get();
    AudioEngine engine(timers, std::move(owned));
    SineSource source;
    EXPECT_NE(engine.addSource(source), kOk);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_NE(sink->error().find("/nonexistent-folder/engine.wav"), std::string::npos);
}

}  // namespace
}  // namespace plat::media
