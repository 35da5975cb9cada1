#include "rack/outside/plinthstore/MediaFileInfo.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/tests/StoreTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <new>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The largest single allocation made while counting is on, to show what a read costs.
std::atomic<bool> g_counting = false;
std::atomic<size_t> g_largest = 0;

}  // namespace

void* operator new(size_t size)
{
    if (g_counting && size > g_largest)
        g_largest = size;
    if (void* memory = std::malloc(size ? size : 1))
        return memory;
    throw std::bad_alloc();
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    if (g_counting && size > g_largest)
        g_largest = size;
    return std::malloc(size ? size : 1);
}

void operator delete(void* memory) noexcept
{
    std::free(memory);
}

void operator delete(void* memory, size_t) noexcept
{
    std::free(memory);
}

namespace rack {
namespace {

namespace fs = std::filesystem;
using test::putText;
using test::writeFile;

// A Standard MIDI File of one track holding events.
std::vector<uint8_t> smfBytes(uint16_t division, const std::vector<uint8_t>& events)
{
    std::vector<uint8_t> smf = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, uint8_t(division >> 8), uint8_t(division)};
    putText(smf, "MTrk");
    const auto size = uint32_t(events.size());
    for (int shift = 24; shift >= 0; shift -= 8)
        smf.push_back(uint8_t(size >> shift));
    smf.insert(smf.end(), events.begin(), events.end());
    return smf;
}

class MediaFileInfoTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("media-info-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string file(const std::string& name) const { return (m_folder / name).string(); }

    fs::path m_folder;
};

// Without a writer, opening a named pipe for reading waits for ever: each reader would hang.
TEST_F(MediaFileInfoTest, ANamedPipeIsNeitherTypedNorRead)
{
    ASSERT_EQ(::mkfifo(file("song.mid").c_str(), 0600), 0);
    EXPECT_EQ(obj_GetType(file("song.mid")), -1);
    WaveRecord wave;
    EXPECT_FALSE(MediaFileInfo::readWave(file("song.mid"), wave));
    EXPECT_FALSE(MediaFileInfo::midiLengthTenths(file("song.mid")));
    obj_Initialize();
    EXPECT_EQ(obj_LoadWave(nullptr, file("song.mid").c_str()), -1);
    EXPECT_EQ(obj_LoadMidi(nullptr, file("song.mid").c_str()), -1);
    obj_Terminate();
}

TEST_F(MediaFileInfoTest, ARiffMidiChunkOfNearlyFourGigabytesEndsTheWalk)
{
    std::vector<uint8_t> riff;
    putText(riff, "RIFF");
    test::putLe(riff, 100, 4);
    putText(riff, "RMID");
    // 8 + 0xFFFFFFF8 is 0 in 32 bits: the walk stood still on this chunk.
    putText(riff, "junk");
    test::putLe(riff, 0xFFFFFFF8u, 4);
    riff.resize(riff.size() + 16, 0);
    writeFile(file("big.rmi"), riff);
    EXPECT_EQ(obj_GetType(file("big.rmi")), kObjMidi);
    EXPECT_FALSE(MediaFileInfo::midiLengthTenths(file("big.rmi")));
}

TEST_F(MediaFileInfoTest, ALengthBeyondThirtyTwoBitsOfTenthsShowsTheLargest)
{
    // One tick per quarter at the slowest tempo (16.8 s a quarter), then 2^28 - 1 ticks:
    // about 4.5e9 s, 4.5e10 tenths.
    const std::vector<uint8_t> events = {0x00, 0xFF, 0x51, 3, 0xFF, 0xFF, 0xFF,
                                         0xFF, 0xFF, 0xFF, 0x7F, 0x90, 60, 100,
                                         0x00, 0xFF, 0x2F, 0x00};
    writeFile(file("long.mid"), smfBytes(1, events));
    EXPECT_EQ(MediaFileInfo::midiLengthTenths(file("long.mid")), std::numeric_limits<int32_t>::max());
}

// A RIFF chunk header: its id and size.
void putChunk(std::vector<uint8_t>& bytes, const char* id, uint32_t size)
{
    putText(bytes, id);
    test::putLe(bytes, size, 4);
}

// A format chunk of PCM.
void putFormat(std::vector<uint8_t>& bytes, uint32_t rate, uint16_t channels, uint16_t bits)
{
    putChunk(bytes, "fmt ", 16);
    const uint16_t align = uint16_t(channels * (bits / 8));
    test::putLe(bytes, 1, 2);
    test::putLe(bytes, channels, 2);
    test::putLe(bytes, rate, 4);
    test::putLe(bytes, rate * align, 4);
    test::putLe(bytes, align, 2);
    test::putLe(bytes, bits, 2);
}

TEST_F(MediaFileInfoTest, AWaveIsReadWithItsDataBeforeOrAfterItsFormat)
{
    std::vector<uint8_t> bytes;
    putChunk(bytes, "RIFF", 4 + 8 + 6 + 8 + 16);
    putText(bytes, "WAVE");
    putChunk(bytes, "data", 6);
    bytes.insert(bytes.end(), {1, 2, 3, 4, 5, 6});
    putFormat(bytes, 8000, 2, 8);
    writeFile(file("first.wav"), bytes);
    EXPECT_EQ(MediaFileInfo::fileType(file("first.wav")), kObjWave);
    WaveRecord wave;
    ASSERT_TRUE(MediaFileInfo::readWave(file("first.wav"), wave));
    EXPECT_EQ(wave.dataOffset, 20);
    EXPECT_EQ(wave.length, 6);
    EXPECT_EQ(wave.format.channels, 2);
}

// Typing and reading agree: a WAVE form that is not at the start of the file is no wave.
TEST_F(MediaFileInfoTest, AWaveFormBehindAnotherChunkIsNeitherTypedNorRead)
{
    std::vector<uint8_t> bytes;
    putChunk(bytes, "RIFF", 0);
    putChunk(bytes, "junk", 2);
    bytes.insert(bytes.end(), {0, 0});
    const std::vector<uint8_t> wave = test::waveFileBytes(8000, 1, 8, std::vector<uint8_t>(100, 0x80));
    bytes.insert(bytes.end(), wave.begin(), wave.end());
    writeFile(file("behind.wav"), bytes);
    EXPECT_EQ(MediaFileInfo::fileType(file("behind.wav")), -1);
    WaveRecord record;
    EXPECT_FALSE(MediaFileInfo::readWave(file("behind.wav"), record));
}

// Files of more than 2 GiB, made sparse so they cost no disk. The record counts the sound's
// place and its samples in 32 bits: what would not fit is refused, never wrapped around.
class LargeWaveTest : public MediaFileInfoTest {
protected:
    // Writes header and makes the file size bytes long; false when this file system cannot
    // hold it sparse.
    bool writeSparse(const std::string& name, const std::vector<uint8_t>& header, uint64_t size)
    {
        writeFile(file(name), header);
        std::error_code error;
        fs::resize_file(file(name), size, error);
        struct stat info {};
        return !error && ::stat(file(name).c_str(), &info) == 0 && uint64_t(info.st_blocks) * 512 < (16u << 20);
    }
};

TEST_F(LargeWaveTest, SixteenBitSoundOfThreeGibibytesCountsItsSamples)
{
    const uint32_t dataSize = 0xC0000000u;
    std::vector<uint8_t> bytes;
    putChunk(bytes, "RIFF", 4 + 24 + 8 + dataSize);
    putText(bytes, "WAVE");
    putFormat(bytes, 44100, 2, 16);
    putChunk(bytes, "data", dataSize);
    if (!writeSparse("big.wav", bytes, bytes.size() + uint64_t(dataSize)))
        GTEST_SKIP() << "no sparse files here";
    WaveRecord wave;
    ASSERT_TRUE(MediaFileInfo::readWave(file("big.wav"), wave));
    EXPECT_EQ(wave.dataOffset, 44);
    EXPECT_EQ(wave.length, 0x60000000);
}

TEST_F(LargeWaveTest, EightBitSoundOfMoreThanTwoGibibytesIsRefused)
{
    const auto header = [](uint16_t channels, uint32_t dataSize) {
        std::vector<uint8_t> bytes;
        putChunk(bytes, "RIFF", 4 + 24 + 8 + dataSize);
        putText(bytes, "WAVE");
        putFormat(bytes, 8000, channels, 8);
        putChunk(bytes, "data", dataSize);
        return bytes;
    };
    for (const uint16_t channels : {uint16_t(1), uint16_t(2)}) {
        SCOPED_TRACE(channels);
        // 2^31 samples: one more than a 32-bit count holds (stereo counted 0 and then -2^31).
        if (!writeSparse("long.wav", header(channels, 0x80000000u), 44 + uint64_t{0x80000000u}))
            GTEST_SKIP() << "no sparse files here";
        WaveRecord wave;
        EXPECT_FALSE(MediaFileInfo::readWave(file("long.wav"), wave));
        EXPECT_EQ(wave.length, 0);
        // Two samples less fit.
        ASSERT_TRUE(writeSparse("long.wav", header(channels, 0x7FFFFFFEu), 44 + uint64_t{0x7FFFFFFEu}));
        ASSERT_TRUE(MediaFileInfo::readWave(file("long.wav"), wave));
        EXPECT_EQ(wave.length, 0x7FFFFFFE);
    }
}

TEST_F(LargeWaveTest, SoundThatStartsBeyondTwoGibibytesIsRefused)
{
    // A chunk of 2 GiB between the format and the sound.
    const uint32_t skipped = 0x80000000u;
    std::vector<uint8_t> bytes;
    putChunk(bytes, "RIFF", 4 + 24 + 8 + skipped + 8 + 4);
    putText(bytes, "WAVE");
    putFormat(bytes, 8000, 1, 16);
    putChunk(bytes, "junk", skipped);
    std::vector<uint8_t> tail;
    putChunk(tail, "data", 4);
    tail.insert(tail.end(), {1, 2, 3, 4});
    if (!writeSparse("late.wav", bytes, bytes.size() + uint64_t(skipped)))
        GTEST_SKIP() << "no sparse files here";
    std::ofstream(file("late.wav"), std::ios::binary | std::ios::app).write(reinterpret_cast<const char*>(tail.data()),
                                                                              std::streamsize(tail.size()));
    WaveRecord wave;
    EXPECT_FALSE(MediaFileInfo::readWave(file("late.wav"), wave));
}

TEST_F(MediaFileInfoTest, ASmallMidiFileCostsWhatItHolds)
{
    const std::vector<uint8_t> events = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    writeFile(file("small.mid"), smfBytes(96, events));
    g_largest = 0;
    g_counting = true;
    const std::optional<int32_t> tenths = MediaFileInfo::midiLengthTenths(file("small.mid"));
    g_counting = false;
    EXPECT_EQ(tenths, std::optional<int32_t>(5));
    EXPECT_LT(g_largest.load(), size_t(64 * 1024));
}

}  // namespace
}  // namespace rack
