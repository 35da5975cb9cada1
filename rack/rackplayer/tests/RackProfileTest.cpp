#include "rack/plinthart/PlinthProfile.h"
#include "rack/rackplayer/RackProfile.h"
#include "rack/rackplayer/RackState.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include <gtest/gtest.h>

namespace rack {
namespace {

using ProfileTest = test::RackFixture;

TEST_F(ProfileTest, ReadRulesOfTheValues)
{
    struct Case {
        const char* value;
        bool onOff;
        bool yes;
        bool notNo;
    };
    const Case cases[] = {
        {"On", true, false, true},   {"Off", false, false, true}, {"oFF", false, false, true},
        {"of", false, false, true},  {"O", true, false, true},    {"", true, false, true},
        {"Yes", true, true, true},   {"y", true, true, true},     {"No", true, false, false},
        {"nope", true, false, false}, {"Never", true, false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RackProfile::readOnOff(c.value), c.onOff) << c.value;
        EXPECT_EQ(RackProfile::readYes(c.value), c.yes) << c.value;
        EXPECT_EQ(RackProfile::readNotNo(c.value), c.notNo) << c.value;
    }
    struct Location {
        const char* value;
        QPoint point;
    };
    const Location locations[] = {
        {"X", QPoint(1, 1)}, {"Xanything", QPoint(1, 1)}, {"120 340", QPoint(120, 340)},
        {"abc 340", QPoint(1, 340)}, {"120", QPoint(120, 1)}, {"-5 7", QPoint(-5, 7)},
    };
    for (const Location& l : locations)
        EXPECT_EQ(RackProfile::readLocation(l.value), l.point) << l.value;
}

TEST_F(ProfileTest, StartupAndBandKeysFollowTheirRulesAndDefaults)
{
    RackState& state = rackState();
    RackProfile::readStartup(state);
    RackProfile::readBands(state);
    EXPECT_EQ(state.midiInputDevice, 0);
    EXPECT_FALSE(state.midiFeedthru);
    EXPECT_TRUE(state.waveLoop && state.midiLoop && state.cdLoop);
    EXPECT_TRUE(state.hasWave && state.hasMidi && state.hasCd);
    EXPECT_TRUE(state.cdStopsAtExit);
    EXPECT_TRUE(state.cdCloseProtocol);
    EXPECT_FALSE(state.onTop);
    EXPECT_TRUE(state.showToolbar && state.showMixer && state.showWave && state.showMidi && state.showCd);
    EXPECT_EQ(RackProfile::windowLocation(), QPoint(1, 1));

    PlinthProfile::setString("Stereo", "MidiInputDevice", "2");
    PlinthProfile::setString("Stereo", "MidiFeedthru", "on");
    PlinthProfile::setString("Stereo", "MidiLoop", "Off");
    PlinthProfile::setString("Setup", "HasCDFeatures", "no");
    PlinthProfile::setString("CD", "ExitPlaying", "Yes");
    PlinthProfile::setString("CD", "CDProtocol", "eject");
    PlinthProfile::setString("Stereo", "OnTop", "yes");
    PlinthProfile::setString("Stereo", "StartMixer", "No");
    PlinthProfile::setString("Stereo", "StartCD", "Yes");
    PlinthProfile::setString("Stereo", "WindowLocation", "200 150");
    RackProfile::readStartup(state);
    RackProfile::readBands(state);
    EXPECT_EQ(state.midiInputDevice, 2);
    EXPECT_TRUE(state.midiFeedthru);
    EXPECT_FALSE(state.midiLoop);
    EXPECT_FALSE(state.hasCd);
    EXPECT_FALSE(state.cdStopsAtExit);
    EXPECT_FALSE(state.cdCloseProtocol);
    EXPECT_TRUE(state.onTop);
    EXPECT_FALSE(state.showMixer);
    // An absent feature's band is hidden whatever its Start key says.
    EXPECT_FALSE(state.showCd);
    EXPECT_EQ(RackProfile::windowLocation(), QPoint(200, 150));
}

TEST_F(ProfileTest, ShutdownWritesItsKeysInOrder)
{
    RackState& state = rackState();
    state.showMixer = false;
    state.showCd = false;
    state.midiLoop = false;
    state.midiFeedthru = true;
    state.cdStopsAtExit = false;
    state.cdCloseProtocol = false;
    RackProfile::writeShutdown(state);
    const std::vector<std::string> expected = {
        "[Stereo]",         "StartToolbar=Yes", "StartMixer=No",     "StartWave=Yes", "StartMidi=Yes",
        "StartCD=No",       "WaveLoop=On",      "MidiLoop=Off",      "MidiFeedthru=On", "CDLoop=On",
        "[CD]",             "ExitPlaying=Yes",  "CDProtocol=Eject",
    };
    EXPECT_EQ(profileLines(), expected);
}

}  // namespace
}  // namespace rack
