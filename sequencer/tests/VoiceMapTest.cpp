#include "sequencer/tests/TrackTestSupport.h"

#include "notabase/prefs/Preferences.h"
#include "sequencer/score/MCConflictMgr.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(VoiceMap, KeepsADeviceByteAndAChannelBelowSixteen)
{
    struct Case {
        unsigned device;
        unsigned channel;
        unsigned storedDevice;
        unsigned storedChannel;
    };
    const Case cases[] = {
        {3, 15, 3, 15},
        {258, 16, 2, 7},
        {255, 200, 255, 7},
        {0x1FF, 0, 255, 0},
    };
    for (const Case& c : cases) {
        MCVoiceMap map;
        map.SetChannel(7);
        map.SetDevice(c.device);
        map.SetChannel(c.channel);
        EXPECT_EQ(map.GetDevice(), c.storedDevice) << c.device;
        EXPECT_EQ(map.GetChannel(), c.storedChannel) << c.channel;
        MCVoiceMap copy(map);
        EXPECT_EQ(copy, map);
    }
}

// Staves whose voices the tests place on devices and channels, over two MIDI outputs.
class ConflictTest : public TrackFixture {
protected:
    void SetUp() override { Build(3, 0); }

    // Puts every voice of a staff on the device and channel.
    void Place(int staff, int device, int channel)
    {
        for (int voice = 0; voice < DCsqTrack::voiceCount; ++voice)
            Place(staff, voice, device, channel);
    }
    void Place(int staff, int voice, int device, int channel)
    {
        Staff(staff)->GetVoiceMap(voice)->SetDevice(static_cast<unsigned>(device));
        Staff(staff)->GetVoiceMap(voice)->SetChannel(static_cast<unsigned>(channel));
    }
    static std::vector<std::pair<int, int>> Users(const std::vector<MCVoiceTrack>* list)
    {
        std::vector<std::pair<int, int>> users;
        if (list) {
            for (const MCVoiceTrack& user : *list)
                users.emplace_back(user.GetVoice(), user.GetTrack());
        }
        return users;
    }
};

TEST_F(ConflictTest, ListsTheVoicesOfEveryStaffOnAnAddress)
{
    Place(1, 1, 4);
    Place(2, 1, 5);
    Place(3, 1, 6);
    Place(1, 0, 0, 0);
    Place(2, 0, 0, 0);
    Place(3, 6, 1, 4);
    MCConflictMgr conflicts(m_sequence.get());

    EXPECT_EQ(Users(conflicts.CheckConflicts(0, 0)), (std::vector<std::pair<int, int>>{{0, 1}, {0, 2}}));
    EXPECT_EQ(Users(conflicts.CheckConflicts(1, 4)).size(), 8u);
    EXPECT_EQ(Users(conflicts.CheckConflicts(1, 6)).size(), 7u);
    EXPECT_EQ(conflicts.CheckConflicts(0, 1), nullptr);

    // The table follows the voice maps as they are when asked.
    Place(2, 0, 1, 15);
    EXPECT_EQ(Users(conflicts.CheckConflicts(0, 0)), (std::vector<std::pair<int, int>>{{0, 1}}));
    EXPECT_EQ(Users(conflicts.CheckConflicts(1, 15)), (std::vector<std::pair<int, int>>{{0, 2}}));

    // No such device or channel.
    for (auto [device, channel] : std::vector<std::pair<int, int>>{{2, 0}, {-1, 0}, {0, 16}, {0, -1}})
        EXPECT_EQ(conflicts.CheckConflicts(device, channel), nullptr) << device << "/" << channel;

    // A voice on a device that is not there is nobody's conflict.
    Place(3, 9, 0);
    EXPECT_EQ(conflicts.CheckConflicts(1, 6), nullptr);
}

TEST_F(ConflictTest, FindsTheFirstFreeAddress)
{
    struct Case {
        const char* name;
        // Channels in use on device 0 and on device 1 (each by one staff voice).
        std::vector<int> device0;
        std::vector<int> device1;
        unsigned long flags;
        int preferred;
        int result;
        int device;
        int channel;
    };
    const std::vector<Case> cases{
        {"the first gap", {0, 1, 2, 4}, {}, 0, 0, 1, 0, 3},
        {"channels 0-8 taken: channel 9", {0, 1, 2, 3, 4, 5, 6, 7, 8}, {}, 0, 0, 1, 0, 9},
        {"channels 0-8 taken, drums skipped: channel 10", {0, 1, 2, 3, 4, 5, 6, 7, 8}, {}, 1, 0, 1, 0, 10},
        {"device 0 full: device 1", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, {0}, 0, 0, 1, 1, 1},
        {"only 9 free, skipped", {0, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}, {0, 1}, 1, 0, 1, 1, 2},
        {"preferred device", {}, {0, 1}, MCConflictMgr::preferredDevice, 1, 1, 1, 2},
        {"preferred device full", {}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}, MCConflictMgr::preferredDevice, 1, 0, 1, 0},
        {"preferred device missing", {}, {}, MCConflictMgr::preferredDevice, 5, 0, 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Each channel in use takes the next voice of the staves in order; the other voices
        // go to a device that is not there.
        for (int staff = 1; staff <= 3; ++staff)
            Place(staff, 9, 0);
        int slot = 0;
        auto place = [&](int device, int channel) {
            const int staff = 1 + slot / DCsqTrack::voiceCount;
            Place(staff, slot % DCsqTrack::voiceCount, device, channel);
            ++slot;
        };
        for (int channel : c.device0)
            place(0, channel);
        for (int channel : c.device1)
            place(1, channel);
        SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", c.preferred);

        MCConflictMgr conflicts(m_sequence.get());
        int device = -1;
        int channel = -1;
        EXPECT_EQ(conflicts.GetNextAvailable(device, channel, c.flags), c.result);
        EXPECT_EQ(device, c.device);
        EXPECT_EQ(channel, c.channel);
    }
}

class NoOutputTest : public TrackFixture {
protected:
    NoOutputTest() : TrackFixture(0) {}
    void SetUp() override { Build(1, 0); }
};

TEST_F(NoOutputTest, WithoutMidiOutputsNothingIsFreeAndNothingConflicts)
{
    MCConflictMgr conflicts(m_sequence.get());
    int device = 3;
    int channel = 4;
    EXPECT_EQ(conflicts.GetNextAvailable(device, channel, 0), 0);
    EXPECT_EQ(device, 0);
    EXPECT_EQ(channel, 0);
    EXPECT_EQ(conflicts.CheckConflicts(0, 0), nullptr);
}

}  // namespace
