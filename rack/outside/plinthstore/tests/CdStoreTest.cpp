#include "rack/outside/plinthstore/CdStore.h"
#include "rack/outside/plinthstore/ObjectStore.h"

#include "platform/core/UserPrompt.h"

#include <gtest/gtest.h>

#include <cdio/cdio.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

namespace rack {
namespace {

namespace fs = std::filesystem;

class CdStoreTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("cd-store-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        obj_Initialize();
    }

    void TearDown() override
    {
        obj_SetCDSource("");
        obj_Terminate();
        fs::remove_all(m_folder);
    }

    // An image of one track of the mode given, a second long.
    std::string image(const std::string& mode)
    {
        std::ofstream(m_folder / "disc.bin", std::ios::binary) << std::string(2352 * 75, '\0');
        std::ofstream(m_folder / "disc.cue") << "FILE \"disc.bin\" BINARY\n  TRACK 01 " << mode
                                             << "\n    INDEX 01 00:00:00\n";
        return (m_folder / "disc.cue").string();
    }

    fs::path m_folder;
    std::vector<std::string> prompts;
    plat::UserPrompt::ScopedHook m_hook{[this](const plat::UserPrompt::Message& message) {
        prompts.push_back(message.text);
        return plat::UserPrompt::defaultAnswer(message);
    }};
};

TEST_F(CdStoreTest, NoDriveNoDiscOrAnUnreadableDiscIsSaid)
{
    struct Case {
        const char* what;
        std::string source;
        const char* message;
    };
    std::vector<Case> cases = {
        {"a missing image", (m_folder / "missing.cue").string(), "could not be read"},
        {"an image of data only", image("MODE1/2352"), "could not be read"},
    };
    // On a machine without a drive, the default source says so.
    driver_id_t driver = DRIVER_DEVICE;
    if (char* device = cdio_get_default_device_driver(&driver))
        cdio_free(device);
    else
        cases.push_back({"no drive", "", "No CD drive"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompts.clear();
        obj_SetCDSource(c.source);
        EXPECT_EQ(obj_LoadCD(nullptr), 0);
        EXPECT_EQ(obj_GetCDCount(), 0);
        EXPECT_EQ(obj_GetCDPlayCount(), 0);
        ASSERT_EQ(prompts.size(), 1u);
        EXPECT_NE(prompts[0].find(c.message), std::string::npos) << prompts[0];
        // The deck's quiet first look says nothing.
        prompts.clear();
        obj_InitCD();
        EXPECT_TRUE(prompts.empty());
    }
}

TEST_F(CdStoreTest, AnAudioImageGivesItsTrackAndPlayOrder)
{
    obj_SetCDSource(image("AUDIO"));
    EXPECT_EQ(obj_LoadCD(nullptr), 1);
    EXPECT_TRUE(prompts.empty());
    ASSERT_EQ(obj_GetCDPlayCount(), 1);
    EXPECT_EQ(obj_Xlate_Index(0), 0);
    EXPECT_EQ(obj_Xlate_Index(1), -1);
    EXPECT_EQ(obj_Xlate_Index(-1), -1);
    EXPECT_EQ(obj_GetCD(0, 0)->lengthTenths, 10);
    EXPECT_EQ(obj_GetCD(0, 1), nullptr);
    // Starting past the track's end plays nothing.
    EXPECT_EQ(obj_PlayCD(nullptr, obj_GetCD(0, 0), 1), 0);
    EXPECT_EQ(obj_StopCD(nullptr, 1, 1), 0);
    int32_t door = kCdDoorRequest;
    EXPECT_EQ(obj_SetCDDoor(nullptr, &door), 0);
    obj_EmptyCD(0, 0);
    EXPECT_EQ(obj_GetCDCount(), 0);
    EXPECT_EQ(obj_GetCDPlayObject()->order, nullptr);
}

// A cue sheet may leave out a track's index 1: the track is then placed by its index 0, or
// at the disc's start when it is the first, never before the disc; a later track with
// neither leaves its sound to the track before it.
TEST_F(CdStoreTest, ATrackWithoutItsIndexOneIsPlacedOnTheDisc)
{
    struct Track {
        int32_t first;
        int32_t count;
        int32_t tenths;
    };
    const struct {
        const char* what;
        const char* cue;
        std::vector<Track> tracks;
    } cases[] = {
        {"no index at all on the first track",
         "  TRACK 01 AUDIO\n  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n",
         {{0, 225, 30}, {225, 75, 10}}},
        {"only an index 0 on the first track",
         "  TRACK 01 AUDIO\n    INDEX 00 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n",
         {{0, 225, 30}, {225, 75, 10}}},
        {"no index on a middle track",
         "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n  TRACK 03 AUDIO\n    INDEX 01 00:03:00\n",
         {{0, 225, 30}, {225, 75, 10}}},
        {"only an index 0 on a middle track",
         "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 00 00:02:00\n"
         "  TRACK 03 AUDIO\n    INDEX 01 00:03:00\n",
         {{0, 150, 20}, {150, 75, 10}, {225, 75, 10}}},
        {"every index 1 there",
         "  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n  TRACK 02 AUDIO\n    INDEX 01 00:03:00\n",
         {{0, 225, 30}, {225, 75, 10}}},
    };
    std::ofstream(m_folder / "disc.bin", std::ios::binary) << std::string(2352 * 300, '\0');
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(m_folder / "disc.cue") << "FILE \"disc.bin\" BINARY\n" << c.cue;
        obj_SetCDSource((m_folder / "disc.cue").string());
        ASSERT_EQ(obj_LoadCD(nullptr), int(c.tracks.size()));
        for (size_t i = 0; i < c.tracks.size(); ++i) {
            const CdTrackRecord* track = obj_GetCD(0, int(i));
            ASSERT_NE(track, nullptr);
            EXPECT_EQ(track->firstSector, c.tracks[i].first) << "track " << i + 1;
            EXPECT_EQ(track->sectorCount, c.tracks[i].count) << "track " << i + 1;
            EXPECT_EQ(track->lengthTenths, c.tracks[i].tenths) << "track " << i + 1;
        }
        EXPECT_TRUE(prompts.empty());
    }
}

}  // namespace
}  // namespace rack
