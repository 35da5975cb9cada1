#include "platform/core/Archive.h"
#include "platform/core/ArchiveError.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/values/MCVoiceMap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(MCVoiceMapTest, AnAddressKeepsADeviceByteAndAChannelBelowSixteen)
{
    MCVoiceMap map;
    EXPECT_EQ(map.GetDevice(), 0u);
    EXPECT_EQ(map.GetChannel(), 0u);
    map.SetDevice(258);
    map.SetChannel(9);
    map.SetChannel(16);
    EXPECT_EQ(map.GetDevice(), 2u);
    EXPECT_EQ(map.GetChannel(), 9u);

    // Stored as the device byte, then the channel byte; a damaged channel byte loads as no change.
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        map.Serialize(archive);
        archive.flush();
    }
    std::vector<uint8_t> bytes = out.takeData();
    ASSERT_EQ(bytes, (std::vector<uint8_t>{2, 9}));
    MCVoiceMap loaded;
    {
        plat::MemoryStream in(bytes);
        plat::Archive archive(in, plat::Archive::Mode::load);
        loaded.Serialize(archive);
    }
    EXPECT_EQ(loaded, map);
    bytes[1] = 200;
    MCVoiceMap damaged;
    {
        plat::MemoryStream in(bytes);
        plat::Archive archive(in, plat::Archive::Mode::load);
        damaged.Serialize(archive);
    }
    EXPECT_EQ(damaged.GetDevice(), 2u);
    EXPECT_EQ(damaged.GetChannel(), 0u);
}

TEST(SequencerStatesTest, AMasterStateHasOneValueAndIsCountedWhileItLives)
{
    const int before = SCMaster::s_iMessageCount;
    {
        SCMaster volume(SCMaster::codeVolume);
        volume.SetVolume(100);
        EXPECT_EQ(volume.GetVolume(), 100);
        volume.SetBPM(120.4f);
        EXPECT_FLOAT_EQ(volume.GetSpeed(), 120.4f);
        volume.SetSpeed(2.6f);
        EXPECT_EQ(volume.GetVolume(), 3);
        const SCMaster copy(volume);
        EXPECT_EQ(copy.GetCode(), SCMaster::codeVolume);
        EXPECT_FLOAT_EQ(copy.GetBPM(), 2.6f);
        EXPECT_EQ(SCMaster::s_iMessageCount, before + 2);
    }
    EXPECT_EQ(SCMaster::s_iMessageCount, before);

    SCPerform play(SCPerform::codePlay, MCTime(3.0f));
    EXPECT_EQ(play.GetCode(), 3302);
    EXPECT_EQ(play.GetTime(), MCTime(3.0f));
    EXPECT_EQ(play.IsAutoDelete(), 1);
    EXPECT_EQ(play.IsSynchronous(), 0);
}

}  // namespace
