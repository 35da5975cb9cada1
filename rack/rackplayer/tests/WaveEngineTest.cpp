#include "rack/outside/plinthbase/DiskSpace.h"
#include "rack/outside/plinthfx/StereoProcess.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/rackplayer/tests/RackFixture.h"
#include "rack/rackplayer/wave/WaveEngine.h"

#include "platform/media/file/FileProvider.h"
#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/rackwindow/Window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace rack {
namespace {

namespace fs = std::filesystem;
using plat::ui::kCommandMessage;

std::vector<uint8_t> readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

uint32_t le32(const std::vector<uint8_t>& bytes, size_t at)
{
    return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
           uint32_t(bytes[at + 3]) << 24;
}

class WaveEngineTest : public test::RackFixture {
protected:
    void SetUp() override
    {
        RackFixture::SetUp();
        std::string pattern = (fs::temp_directory_path() / "wave-engine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_oldHome = getenv("HOME") ? getenv("HOME") : "";
        setenv("HOME", m_folder.c_str(), 1);
        obj_Initialize();
        wdrv_Initialize();
        m_deck = plat::ui::Window::create(m_deckClass.name(), "deck", 0, QRect(0, 0, 10, 10), nullptr);
    }

    void TearDown() override
    {
        wdrv_Terminate();
        obj_Terminate();
        SetDiskSpaceProbe({});
        setenv("HOME", m_oldHome.c_str(), 1);
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        RackFixture::TearDown();
    }

    // A wave file of 16-bit stereo frames counting up from 0, taken into the store.
    WaveRecord makeWave(int frames, uint16_t channels = 2, uint32_t rate = 22050)
    {
        std::vector<uint8_t> data;
        for (int i = 0; i < frames * channels; ++i) {
            const auto value = int16_t(i);
            data.push_back(uint8_t(value & 0xFF));
            data.push_back(uint8_t(value >> 8));
        }
        std::vector<uint8_t> bytes = {'R', 'I', 'F', 'F'};
        auto put32 = [&bytes](uint32_t v) {
            for (int i = 0; i < 4; ++i)
                bytes.push_back(uint8_t(v >> (8 * i)));
        };
        auto put16 = [&bytes](uint16_t v) {
            bytes.push_back(uint8_t(v));
            bytes.push_back(uint8_t(v >> 8));
        };
        put32(uint32_t(36 + data.size()));
        for (const char c : std::string("WAVEfmt "))
            bytes.push_back(uint8_t(c));
        put32(16);
        put16(1);
        put16(channels);
        put32(rate);
        put32(rate * channels * 2);
        put16(uint16_t(channels * 2));
        put16(16);
        for (const char c : std::string("data"))
            bytes.push_back(uint8_t(c));
        put32(uint32_t(data.size()));
        bytes.insert(bytes.end(), data.begin(), data.end());
        const std::string path = m_folder + "/Generated " + std::to_string(++m_files) + ".wav";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        const int index = obj_LoadWave(nullptr, path.c_str());
        EXPECT_GE(index, 0);
        return *obj_GetWave(0, index);
    }

    std::vector<plat::ui::test::Received> deckCommands() const { return m_deckClass.of(kCommandMessage, m_deck); }

    std::string m_folder;
    std::string m_oldHome;
    int m_files = 0;
    plat::ui::test::RecordingClass m_deckClass{"WaveEngineDeck"};
    plat::ui::Window* m_deck = nullptr;
};

TEST_F(WaveEngineTest, APlayedFileReachesTheOutputInOrderAndEndsWith161)
{
    // Three and a half buffers of 16,384 bytes: fewer than the five the engine queues.
    const int frames = 14336;
    const WaveRecord wave = makeWave(frames);
    ASSERT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 0, 0, 0, kWavePlayEnded), 0);
    EXPECT_TRUE(wave.length == frames * 2);
    EXPECT_EQ(this->wave.outFormat.samplesPerSec, 22050u);
    // The speaker plays part of it; nothing has ended.
    this->wave.play(20000);
    advance(20);
    EXPECT_TRUE(deckCommands().empty());
    WaveStatus status;
    ASSERT_EQ(wdrv_GetStatus(wave.key, status), 0);
    // The first buffer was found played at 10 ms; 10 ms of samples are due since.
    EXPECT_EQ(status.samplePosition, 16384 / 2 + 22050 * 2 * 10 / 1000);
    // The time of that position, the 10 ms due counted once.
    EXPECT_EQ(status.elapsedMs, 8633 * 1000 / 44100);
    EXPECT_EQ(status.channels, 2);
    EXPECT_EQ(status.fullScale, 32767);
    this->wave.playAll();
    advance(20);
    const std::vector<uint8_t>& heard = this->wave.heard;
    ASSERT_EQ(heard.size(), size_t(frames) * 4);
    for (int i = 0; i < frames * 2; i += 997) {
        int16_t sample;
        std::memcpy(&sample, heard.data() + 2 * i, 2);
        ASSERT_EQ(sample, int16_t(i)) << i;
    }
    const auto commands = deckCommands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, kWavePlayEnded);
    EXPECT_EQ(commands[0].lParam, 0);
    EXPECT_FALSE(this->wave.outOpen);
    EXPECT_EQ(wdrv_GetStatus(wave.key, status), kWaveFailed);
}

TEST_F(WaveEngineTest, RangesStartOnAMultipleOfFourAndRepeatForEachPass)
{
    const WaveRecord wave = makeWave(100);
    EXPECT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 200, 0, 1, kWavePlayEnded), kWaveFailed);
    // Start 5 plays from sample 4; 8 samples, twice.
    ASSERT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 5, 8, 2, kWavePlayEnded), 0);
    this->wave.playAll();
    advance(20);
    std::vector<int16_t> samples(this->wave.heard.size() / 2);
    std::memcpy(samples.data(), this->wave.heard.data(), this->wave.heard.size());
    const std::vector<int16_t> once = {4, 5, 6, 7, 8, 9, 10, 11};
    std::vector<int16_t> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(samples, twice);
    EXPECT_EQ(deckCommands().size(), 1u);
}

TEST_F(WaveEngineTest, StoppingEndsPlaybackWithoutNoticeAndPauseKeepsTheRest)
{
    const WaveRecord wave = makeWave(12000);
    ASSERT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 0, 0, 1, kWavePlayEnded), 0);
    this->wave.play(1000);
    ASSERT_EQ(wdrv_Pause(wave.key, 1), 0);
    WaveStatus paused;
    ASSERT_EQ(wdrv_GetStatus(wave.key, paused), 0);
    this->wave.play(5000);
    EXPECT_EQ(this->wave.heard.size(), 1000u);
    ASSERT_EQ(wdrv_Pause(wave.key, 0), 0);
    this->wave.playAll();
    advance(20);
    // Every byte is heard once, in order, across the pause.
    ASSERT_EQ(this->wave.heard.size(), 48000u);
    int16_t last;
    std::memcpy(&last, this->wave.heard.data() + 47998, 2);
    EXPECT_EQ(last, int16_t(23999));
    EXPECT_EQ(deckCommands().size(), 1u);

    ASSERT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 0, 0, 1, kWavePlayEnded), 0);
    EXPECT_EQ(wdrv_Stop(wave.key), wave.key);
    EXPECT_EQ(wdrv_Stop(wave.key), -1);
    advance(20);
    EXPECT_EQ(deckCommands().size(), 1u);
}

TEST_F(WaveEngineTest, ARecordingPausedThenStoppedIsAnEmptyWaveFileWithTheRightSizes)
{
    const int index = obj_NewWave(nullptr);
    WaveRecord wave = *obj_GetWave(0, index);
    ASSERT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), 0);
    // The unnamed recording got a path in the music folder before the file was made.
    EXPECT_EQ(wave.path, m_folder + "/Music/Recording 001.wav");
    EXPECT_EQ(wave.name, wave.path);
    EXPECT_EQ(wave.dataOffset, 44);
    // While paused the buffers circulate and nothing is written.
    ASSERT_TRUE(this->wave.record(std::vector<uint8_t>(44100 / 8 * 4, 7)));
    deliver();
    EXPECT_EQ(this->wave.added.size(), 5u);
    const int loaded = wdrv_Stop(wave.key);
    ASSERT_GE(loaded, 0);
    const std::vector<uint8_t> bytes = readFile(wave.path);
    ASSERT_EQ(bytes.size(), 44u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(le32(bytes, 4), 36u);
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    EXPECT_EQ(le32(bytes, 40), 0u);
    EXPECT_FALSE(this->wave.inOpen);
    EXPECT_EQ(obj_GetState(0, obj_GetWave(0, loaded)), 1);
    EXPECT_TRUE(deckCommands().empty());
}

TEST_F(WaveEngineTest, WritingKeepsWhatWasRecordedAndTheDiskLimitEndsItWith162)
{
    SetDiskSpaceProbe([](const std::string&) { return std::optional<uint64_t>(2000000 + 3000); });
    const int index = obj_NewWave(nullptr);
    WaveRecord wave = *obj_GetWave(0, index);
    wave.setFormat(WaveFormat::pcm(11025, 1, 8));
    ASSERT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), 0);
    EXPECT_EQ(this->wave.inFormat.samplesPerSec, 11025u);
    ASSERT_EQ(wdrv_Pause(wave.key, 0), 0);
    // 1024-byte buffers (a slow format); the limit is 3,000 bytes.
    ASSERT_TRUE(this->wave.record(std::vector<uint8_t>(1024, 200)));
    ASSERT_TRUE(this->wave.record(std::vector<uint8_t>(1024, 60)));
    deliver();
    WaveStatus status;
    ASSERT_EQ(wdrv_GetStatus(wave.key, status), 0);
    EXPECT_EQ(status.samplePosition, 2048);
    EXPECT_EQ(status.leftPeak, 68);
    ASSERT_TRUE(this->wave.record(std::vector<uint8_t>(1024, 128)));
    deliver();
    const auto commands = deckCommands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].wParam, kWaveRecordEnded);
    const WaveRecord* recorded = obj_GetWave(0, int(commands[0].lParam));
    ASSERT_NE(recorded, nullptr);
    EXPECT_EQ(recorded->length, 3000);
    const std::vector<uint8_t> bytes = readFile(wave.path);
    ASSERT_EQ(bytes.size(), 44u + 3000u);
    EXPECT_EQ(le32(bytes, 4), 3036u);
    EXPECT_EQ(le32(bytes, 40), 3000u);
    EXPECT_EQ(bytes[44], 200);
    EXPECT_EQ(bytes[44 + 1024], 60);
    ASSERT_FALSE(prompts.empty());
    EXPECT_NE(prompts.back().text.find("disk limit"), std::string::npos);
}

TEST_F(WaveEngineTest, RecordingsAreRefusedWithoutRoomOrOnAReadOnlyFile)
{
    SetDiskSpaceProbe([](const std::string&) { return std::optional<uint64_t>(2000000); });
    WaveRecord wave = *obj_GetWave(0, obj_NewWave(nullptr));
    EXPECT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), kWaveFailed);
    EXPECT_FALSE(this->wave.inOpen);
    ASSERT_EQ(prompts.size(), 1u);
    // A disk with more room than 32 bits count is never full.
    SetDiskSpaceProbe([](const std::string&) { return std::optional<uint64_t>(uint64_t(6) << 30); });
    const std::string locked = m_folder + "/Locked.wav";
    std::ofstream(locked) << "x";
    fs::permissions(locked, fs::perms::owner_read);
    wave.name = wave.path = locked;
    EXPECT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), kWaveFailed);
    ASSERT_EQ(prompts.size(), 2u);
    EXPECT_NE(prompts[1].text.find("read-only"), std::string::npos);
    wave.name = wave.path = m_folder + "/Free.wav";
    EXPECT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), 0);
    EXPECT_GE(wdrv_Stop(wave.key), 0);
}

// A recording that cannot start says why: the deck that asked only hears that it failed.
TEST_F(WaveEngineTest, ARecordingThatCannotStartIsSaidAndLeavesNothingOpen)
{
    SetDiskSpaceProbe([](const std::string&) { return std::optional<uint64_t>(uint64_t(1) << 30); });
    struct Case {
        const char* what;
        bool inputRefuses;
        std::string path;
        const char* said;
    };
    const Case cases[] = {
        {"the input does not open", true, m_folder + "/Take.wav", "input device"},
        {"the file cannot be made", false, m_folder + "/no such folder/Take.wav", "cannot be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.clear();
        wave.inRefuses = c.inputRefuses;
        WaveRecord record = *obj_GetWave(0, obj_NewWave(nullptr));
        record.name = record.path = c.path;
        EXPECT_EQ(wdrv_Record(m_deck, kWaveMapper, record, kWaveRecordEnded, 1), kWaveFailed);
        EXPECT_FALSE(wave.inOpen);
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_NE(prompts[0].text.find(c.said), std::string::npos) << prompts[0].text;
        EXPECT_EQ(prompts[0].caption, "Recording");
        obj_EmptyWave(1, record.key);
    }
}

TEST_F(WaveEngineTest, FormatsFitByTheSamplerSettingsOrTheStandardFormats)
{
    struct Case {
        const char* variable;
        const char* max;
        uint32_t rate;
        uint16_t channels;
        uint16_t deviceChannels;
        bool fits;
    };
    const Case cases[] = {
        {"Yes", "44100", 44100, 2, 2, true},
        {"Yes", "44100", 48000, 2, 2, false},
        {"Yes", "48000", 48000, 2, 2, true},
        {"Yes", "48000", 8000, 1, 2, false},   // below SamplerMin
        {"Yes", "48000", 22050, 2, 1, false},  // more channels than the device
        {"No", "96000", 48000, 2, 2, false},   // not a standard rate
        {"No", "96000", 22050, 1, 2, true},
    };
    for (const Case& c : cases) {
        wdrv_Terminate();
        PlinthProfile::setString("Wave", "SamplerVariable", c.variable);
        PlinthProfile::setString("Wave", "SamplerMax", c.max);
        wdrv_Initialize();
        EXPECT_EQ(wdrv_FormatFits(WaveFormat::pcm(c.rate, c.channels, 16), 48000, c.deviceChannels), c.fits)
            << c.variable << " " << c.max << " " << c.rate;
    }
    const WaveFormat best = wdrv_BestInputFormat(22050, 1);
    EXPECT_EQ(best.samplesPerSec, 22050u);
    EXPECT_EQ(best.channels, 1);
    EXPECT_EQ(best.bitsPerSample, 16);
    EXPECT_EQ(wdrv_BestInputFormat(8000, 2).samplesPerSec, 11025u);
}

TEST_F(WaveEngineTest, RecordsWhatTheFileBackedInputHearsAtThePaceOfTheClock)
{
    // The platform's file-backed input plays a generated file as its microphone.
    const WaveRecord source = makeWave(22050);
    auto timers = std::make_unique<plat::media::ManualTimerService>(0);
    plat::media::ManualTimerService& clock = *timers;
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    providers.push_back(std::make_unique<plat::media::FileProvider>(clock, source.path));
    plat::media::Backend::install(std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));

    const int index = obj_NewWave(nullptr);
    WaveRecord wave = *obj_GetWave(0, index);
    wave.setFormat(WaveFormat::pcm(22050, 2, 16));
    ASSERT_EQ(wdrv_Record(m_deck, kWaveMapper, wave, kWaveRecordEnded, 1), 0);
    // An eighth of a second paused: heard, not kept.
    clock.advance(125);
    deliver();
    ASSERT_EQ(wdrv_Pause(wave.key, 0), 0);
    clock.advance(250);
    deliver();
    const int loaded = wdrv_Stop(wave.key);
    ASSERT_GE(loaded, 0);
    const std::vector<uint8_t> recorded = readFile(wave.path);
    const std::vector<uint8_t> original = readFile(source.path);
    const uint32_t dataBytes = le32(recorded, 40);
    // Two whole buffers of 11,024 bytes were written after the resume.
    EXPECT_EQ(dataBytes, 2u * 11024u);
    ASSERT_EQ(recorded.size(), 44u + dataBytes);
    EXPECT_EQ(le32(recorded, 4), dataBytes + 36);
    EXPECT_TRUE(std::equal(recorded.begin() + 44, recorded.end(), original.begin() + 44 + 11024));
    EXPECT_EQ(obj_GetWave(0, loaded)->length, int32_t(dataBytes / 2));
}

TEST_F(WaveEngineTest, StereoPlaybackGoesThroughTheMixerLevels)
{
    const WaveRecord wave = makeWave(4);
    aqx_SetLevels(50, 0);
    ASSERT_EQ(wdrv_Play(m_deck, kWaveMapper, wave, 0, 0, 1, kWavePlayEnded), 0);
    aqx_SetLevels(100, 0);
    this->wave.playAll();
    advance(20);
    std::vector<int16_t> samples(this->wave.heard.size() / 2);
    std::memcpy(samples.data(), this->wave.heard.data(), this->wave.heard.size());
    EXPECT_EQ(samples, (std::vector<int16_t>{0, 0, 1, 1, 2, 2, 3, 3}));
}

}  // namespace
}  // namespace rack
