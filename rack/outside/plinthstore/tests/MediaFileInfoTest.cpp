#include "rack/outside/plinthstore/MediaFileInfo.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/outside/plinthstore/tests/StoreTestFiles.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
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
