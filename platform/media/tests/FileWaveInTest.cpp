#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/file/FileProvider.h"
#include "platform/media/file/FileWaveIn.h"
#include "platform/media/file/WavFileWriter.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <vector>

#include <unistd.h>

namespace plat::media {
namespace {

class Returned final : public WaveInDevice::Events {
public:
    void done(uintptr_t user, size_t bytes) override
    {
        std::lock_guard lock(mutex);
        calls.emplace_back(user, bytes);
    }
    std::vector<std::pair<uintptr_t, size_t>> take()
    {
        std::lock_guard lock(mutex);
        return std::exchange(calls, {});
    }

private:
    std::mutex mutex;
    std::vector<std::pair<uintptr_t, size_t>> calls;
};

struct CaptureFile {
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("capture-" + std::to_string(::getpid()));
    std::string path = (folder / "mic.wav").string();
    std::vector<uint8_t> sound;
    // 8000 Hz mono 16-bit, frames of sound.
    explicit CaptureFile(size_t frames)
    {
        std::filesystem::create_directories(folder);
        for (size_t i = 0; i < frames; ++i) {
            sound.push_back(static_cast<uint8_t>(i * 3 + 1));
            sound.push_back(static_cast<uint8_t>(i >> 3));
        }
        WavFileWriter writer;
        EXPECT_TRUE(writer.open(path, PcmFormat{1, 8000, 16}));
        EXPECT_TRUE(writer.write(sound));
        EXPECT_TRUE(writer.close());
    }
    ~CaptureFile() { std::filesystem::remove_all(folder); }
};

TEST(FileWaveInTest, BuffersComeBackFullAtThePaceOfTheClockThenSilence)
{
    CaptureFile file(3000);   // 375 ms
    ManualTimerService timers(500);
    FileWaveIn input(timers, file.path);
    Returned returned;
    ASSERT_EQ(input.open(PcmFormat{1, 8000, 16}, &returned), kOk);
    std::vector<uint8_t> a(4000), b(4000), c(4000);   // 250 ms each
    ASSERT_EQ(input.add(a, 1), kOk);
    ASSERT_EQ(input.add(b, 2), kOk);
    ASSERT_EQ(input.start(), kOk);
    timers.advance(249);
    EXPECT_TRUE(returned.take().empty());
    timers.advance(1);
    EXPECT_EQ(returned.take(), (std::vector<std::pair<uintptr_t, size_t>>{{1, 4000}}));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), file.sound.begin()));
    ASSERT_EQ(input.add(c, 3), kOk);
    timers.advance(250);
    EXPECT_EQ(returned.take(), (std::vector<std::pair<uintptr_t, size_t>>{{2, 4000}}));
    // The file ends 2000 bytes into the second buffer: silence after it.
    EXPECT_TRUE(std::equal(b.begin(), b.begin() + 2000, file.sound.begin() + 4000));
    EXPECT_EQ(std::count(b.begin() + 2000, b.end(), 0), 2000);
    // Stopping gives back what the clock has brought so far.
    timers.advance(100);
    ASSERT_EQ(input.stop(), kOk);
    EXPECT_EQ(returned.take(), (std::vector<std::pair<uintptr_t, size_t>>{{3, 1600}}));
    EXPECT_EQ(input.close(), kOk);
}

TEST(FileWaveInTest, OnlyTheFilesOwnFormatAndAnExistingFile)
{
    CaptureFile file(800);
    ManualTimerService timers(0);
    Returned returned;
    FileWaveIn input(timers, file.path);
    EXPECT_EQ(input.open(PcmFormat{2, 8000, 16}, &returned), kErrorBadFormat);
    EXPECT_EQ(input.open(PcmFormat{1, 44100, 16}, &returned), kErrorBadFormat);
    std::vector<uint8_t> buffer(100);
    EXPECT_EQ(input.add(buffer, 1), kErrorInvalidHandle);
    FileWaveIn missing(timers, (file.folder / "none.wav").string());
    EXPECT_EQ(missing.open(PcmFormat{1, 8000, 16}, &returned), kErrorNoDriver);

    FileProvider provider(timers, file.path);
    ASSERT_EQ(provider.waveIns().size(), 1u);
    EXPECT_EQ(provider.waveIns()[0].maxSamplesPerSec, 8000u);
    EXPECT_TRUE(provider.createWaveIn(0));
    EXPECT_FALSE(provider.createWaveIn(1));
    EXPECT_TRUE(FileProvider(timers, "").waveIns().empty());
    EXPECT_TRUE(FileProvider(timers, (file.folder / "none.wav").string()).waveIns().empty());
}

}  // namespace
}  // namespace plat::media
