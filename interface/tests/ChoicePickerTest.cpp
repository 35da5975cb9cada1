#include "interface/tests/WidgetTestSupport.h"

#include "interface/pickers/MCChordList.h"
#include "interface/pickers/MCIntervalBox.h"
#include "interface/pickers/MCPartBox.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCStatus.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class ChoicePickerTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;
    plat::Profile& profile = plat::Profile::instance();
};

TEST_F(ChoicePickerTest, TheBuiltInChordsAreWrittenOnceWithProgress)
{
    auto* performance = new ECPerformance;
    performance->Ref();
    std::vector<int> codes;
    const auto previous = MCStateMgr::SetMainWindowHandler([&](SCBase* state) { codes.push_back(state->GetCode()); });
    MCChordList list;
    list.RefreshChoices();
    MCStateMgr::SetMainWindowHandler(previous);
    performance->Unref(1);
    ASSERT_EQ(list.count(), 28);
    EXPECT_EQ(list.item(0)->text(), "major");
    EXPECT_EQ(list.item(27)->text(), "7 sus");
    EXPECT_EQ(list.GetType(4), 4);
    EXPECT_EQ(codes, (std::vector<int>{1801, 1803, 1803, 1803, 1803, 1803, 1804}));
    std::string quality;
    int type = -1;
    EXPECT_TRUE(MCChordList::GetChordParams("major 7", quality, type));
    EXPECT_EQ(quality, "maj7");
    EXPECT_EQ(type, 4);
    EXPECT_EQ(profile.getString("Settings\\Chords\\minor", "Flavor"), "1");
    EXPECT_FALSE(MCChordList::GetChordParams("no such chord", quality, type));
    EXPECT_EQ(type, 28);

    // Listed from the store in its sorted order afterwards.
    list.RefreshChoices();
    EXPECT_EQ(list.count(), 28);
    EXPECT_EQ(list.item(0)->text(), "6");
    // A second chord of a name replaces its values and adds a second entry.
    list.AddChoice("major", "M", 3);
    EXPECT_EQ(list.count(), 29);
    EXPECT_TRUE(MCChordList::GetChordParams("major", quality, type));
    EXPECT_EQ(type, 3);
    list.RemoveChoice("MAJOR");
    EXPECT_EQ(list.count(), 28);
    EXPECT_FALSE(MCChordList::GetChordParams("major", quality, type));
}

TEST_F(ChoicePickerTest, AStoreWithOneUserChordShowsOnlyThatChord)
{
    profile.setString("Settings\\Chords\\Mine", "Quality", "m7b5");
    profile.setString("Settings\\Chords\\Mine", "Flavor", "10");
    MCChordList list;
    list.RefreshChoices();
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.GetType(0), 10);
}

TEST_F(ChoicePickerTest, IntervalsAndPartsFillTheirKeysTheFirstTime)
{
    MCIntervalBox intervals;
    intervals.RefreshChoices();
    EXPECT_EQ(intervals.count(), 26);
    EXPECT_EQ(intervals.itemText(0), "Prime");
    int steps = -1, octave = -1, quality = -1, quantity = -1;
    EXPECT_TRUE(MCIntervalBox::GetIntervalParams("Augmented 11th", steps, octave, quality, quantity));
    EXPECT_EQ(std::vector<int>({steps, octave, quality, quantity}), std::vector<int>({18, 1, 3, 3}));
    EXPECT_FALSE(MCIntervalBox::GetIntervalParams("Tritone", steps, octave, quality, quantity));
    EXPECT_EQ(steps, 18);
    intervals.RemoveChoice("prime");
    EXPECT_EQ(intervals.count(), 25);

    MCPartBox parts;
    parts.RefreshParts();
    ASSERT_EQ(parts.count(), 6);
    EXPECT_EQ(parts.itemText(0), "<Default>");
    parts.RefreshParts();
    EXPECT_EQ(parts.itemText(0), "<Default>");  // the store lists it first too
    int staff = -1, clef = -1, sharps = -1, flats = -1, mode = -1, instrument = -1;
    EXPECT_TRUE(MCPartBox::GetPartParams("Bass", staff, clef, sharps, flats, mode, instrument));
    EXPECT_EQ(clef, 5);
    EXPECT_EQ(instrument, 32);
    profile.removeValue("Settings\\Parts\\Bass", "Clef");
    EXPECT_TRUE(MCPartBox::GetPartParams("Bass", staff, clef, sharps, flats, mode, instrument));
    EXPECT_EQ(clef, 0);
    parts.AddPart("Bass", 0, 6, 1, 0, 0, 33);
    EXPECT_EQ(parts.findText("Bass"), 1);
    EXPECT_EQ(parts.count(), 7);
    EXPECT_TRUE(MCPartBox::GetPartParams("Bass", staff, clef, sharps, flats, mode, instrument));
    EXPECT_EQ(clef, 6);
    EXPECT_FALSE(MCPartBox::GetPartParams("Tuba", staff, clef, sharps, flats, mode, instrument));
}

}  // namespace
