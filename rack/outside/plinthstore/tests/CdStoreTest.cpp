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

}  // namespace
}  // namespace rack
