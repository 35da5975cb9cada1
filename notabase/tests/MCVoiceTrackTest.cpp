#include "notabase/values/MCVoiceTrack.h"

#include <gtest/gtest.h>

namespace {

TEST(MCVoiceTrackTest, ReadsBothForms)
{
    struct Case {
        const char* what;
        MCVoiceTrack vt;
        int voice, track, device, channel;
        bool converted;
    };
    MCVoiceTrack channel9;
    channel9.SetChannel(9);
    MCVoiceTrack device3;
    device3.SetDevice(3);
    MCVoiceTrack backToVoice = channel9;
    backToVoice.SetVoice(3);
    MCVoiceTrack bigTrack;
    bigTrack.SetTrack(2048);
    const Case cases[] = {
        {"default", MCVoiceTrack(), 15, 2047, 255, 127, false},
        {"voice 2 track 5", MCVoiceTrack(2, 5), 2, 5, 255, 127, false},
        {"voice masked to 4 bits", MCVoiceTrack(18, 5), 2, 5, 255, 127, false},
        {"channel on the default word", channel9, 15, 2047, 255, 9, true},
        {"device on the default word", device3, 15, 2047, 3, 127, true},
        // The channel bits 8-14 of the converted word become track bits again.
        {"voice on a converted word", backToVoice, 3, (0x09FF >> 4) & 0x7FF, 255, 127, false},
        {"track beyond 2047 sets bit 15", bigTrack, 15, 2047, 15, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.vt.GetVoice(), c.voice);
        EXPECT_EQ(c.vt.GetTrack(), c.track);
        EXPECT_EQ(c.vt.GetDevice(), c.device);
        EXPECT_EQ(c.vt.GetChannel(), c.channel);
        EXPECT_EQ(c.vt.IsConverted(), c.converted);
    }
    EXPECT_EQ(MCVoiceTrack().GetValue(), 0x7FFF);
    EXPECT_EQ(channel9.GetValue(), 0x89FF);
}

TEST(MCVoiceTrackTest, SettersKeepTheOtherField)
{
    MCVoiceTrack vt(4, 100);
    vt.SetTrack(7);
    EXPECT_EQ(vt.GetVoice(), 4);
    vt.SetVoice(9);
    EXPECT_EQ(vt.GetTrack(), 7);
    vt.SetChannel(5);
    vt.SetDevice(2);
    EXPECT_EQ(vt.GetChannel(), 5);
    EXPECT_EQ(vt.GetDevice(), 2);
    EXPECT_NE(vt, MCVoiceTrack(9, 7));
    MCVoiceTrack copy;
    copy.SetValue(vt.GetValue());
    EXPECT_EQ(copy, vt);
}

}  // namespace
