#include "app/tests/AppTestSupport.h"

#include "app/dialogs/ACFindTrackVoice.h"
#include "app/dialogs/CMouseSelectDlg.h"
#include "interface/controls/MCCheckList.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCMode.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAbstractButton>
#include <QLabel>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace {

constexpr const char* kDrag = "Settings\\Select\\Drag";

class MouseSelectDialogTest : public documenttest::DocumentTest {
protected:
    // A state manager gives the process the window that delivers states.
    MCStateMgr states;

    void TearDown() override
    {
        MCStateMgr::SetMainWindowHandler({});
        DocumentTest::TearDown();
    }

    static int Stored(unsigned type)
    {
        return LoadIntPreference(kDrag, GetEventString(static_cast<int>(type)).c_str(), -1);
    }
    static MCCheckList* List(CMouseSelectDlg& dialog)
    {
        return plat::ui::item<MCCheckList>(&dialog, CMouseSelectDlg::kTypes);
    }
    static QString Count(CMouseSelectDlg& dialog)
    {
        return plat::ui::item<QLabel>(&dialog, CMouseSelectDlg::kCount)->text();
    }
};

// The thirty types are listed by display name with their ids as item data, checked as stored.
TEST_F(MouseSelectDialogTest, ListsTheTypesCheckedAsStored)
{
    SaveIntPreference(kDrag, GetEventString(37).c_str(), 1);
    SaveIntPreference(kDrag, GetEventString(51).c_str(), 1);
    CMouseSelectDlg dialog;
    MCCheckList* list = List(dialog);
    ASSERT_EQ(list->GetItemCount(), 30);
    const auto& types = CMouseSelectDlg::SelectableTypes();
    for (int row = 0; row < 30; ++row) {
        const unsigned type = types[static_cast<size_t>(row)];
        EXPECT_EQ(list->topLevelItem(row)->data(0, Qt::UserRole).toUInt(), type);
        EXPECT_EQ(list->topLevelItem(row)->text(0).toStdString(), GetEventString(static_cast<int>(type)));
        EXPECT_FALSE(list->topLevelItem(row)->text(0).isEmpty());
        EXPECT_EQ(list->GetCheck(row), type == 37 || type == 51) << type;
    }
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{37, 51}));
    EXPECT_EQ(dialog.GetUnselected().size(), 28u);
    EXPECT_EQ(Count(dialog), "2 types selected");
    dialog.show();
    apptest::saveScreenshot(dialog, "mouse-select-options.png");
}

// One mark, All and None keep the lists and the count in step with the marks.
TEST_F(MouseSelectDialogTest, MarksAllAndNoneUpdateTheListsAndTheCount)
{
    CMouseSelectDlg dialog;
    EXPECT_EQ(Count(dialog), "0 types selected");
    List(dialog)->ToggleCheck(2);
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{2}));
    EXPECT_EQ(Count(dialog), "1 types selected");
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kAll)->click();
    EXPECT_EQ(dialog.GetSelected(), CMouseSelectDlg::SelectableTypes());
    EXPECT_TRUE(dialog.GetUnselected().empty());
    EXPECT_EQ(Count(dialog), "30 types selected");
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kNone)->click();
    EXPECT_TRUE(dialog.GetSelected().empty());
    EXPECT_EQ(dialog.GetUnselected(), CMouseSelectDlg::SelectableTypes());
    EXPECT_EQ(Count(dialog), "0 types selected");
}

// OK stores every type, 1 for the checked ones, and announces the current mode to the main
// window; Cancel stores nothing.
TEST_F(MouseSelectDialogTest, OkStoresTheChoiceAndAnnouncesTheMode)
{
    int announced = -1;
    MCStateMgr::SetMainWindowHandler([&](SCBase* state) {
        if (dynamic_cast<SCMode*>(state))
            announced = state->GetCode();
    });
    {
        CMouseSelectDlg dialog;
        List(dialog)->SetCheck(0, true);
        dialog.reject();
    }
    EXPECT_EQ(Stored(0), -1);
    EXPECT_EQ(announced, -1);

    CMouseSelectDlg dialog;
    List(dialog)->SetCheck(0, true);
    List(dialog)->SetCheck(29, true);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (unsigned type : CMouseSelectDlg::SelectableTypes())
        EXPECT_EQ(Stored(type), type == 0 || type == 67 ? 1 : 0) << type;
    EXPECT_EQ(announced, SCMode::GetMode());
}

// With nothing checked, notes are stored as what a drag takes.
TEST_F(MouseSelectDialogTest, NothingCheckedStoresNotes)
{
    SaveIntPreference(kDrag, GetEventString(2).c_str(), 1);
    CMouseSelectDlg dialog;
    plat::ui::item<QAbstractButton>(&dialog, CMouseSelectDlg::kNone)->click();
    dialog.accept();
    EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{37}));
    EXPECT_EQ(dialog.GetUnselected().size(), 29u);
    for (unsigned type : CMouseSelectDlg::SelectableTypes())
        EXPECT_EQ(Stored(type), type == 37 ? 1 : 0) << type;
}

// Three staves (tracks 1 to 3) with a note at each of four quarters, all on voice 0.
class TrackVoiceFilterTest : public documenttest::DocumentTest {
protected:
    MCOpusDoc doc;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 3, 4);
    }

    ECPerformance* performance() { return doc.GetBaseEvent(); }

    // The note of a track at a quarter.
    ECBase* Note(int track, int quarter)
    {
        ACFindEvents all;
        all.AddEvtType(EventId::Note);
        all.Apply(performance());
        for (ECBase* note : all.GetEvents()) {
            if (note->GetVoiceTrack()->GetTrack() == track && note->GetTime()->GetSeconds() == float(quarter))
                return note;
        }
        return nullptr;
    }

    // The (track, quarter) of each note found, sorted.
    static std::vector<std::pair<int, int>> Found(ACFindTrackVoice& find)
    {
        std::vector<std::pair<int, int>> found;
        for (ECBase* note : find.GetEvents()) {
            const MCVoiceTrack* word = note->GetVoiceTrack();
            found.emplace_back(word ? word->GetTrack() : -1, static_cast<int>(note->GetTime()->GetSeconds()));
        }
        std::sort(found.begin(), found.end());
        return found;
    }
};

// Track 0 and the wildcard track pass any track filter, the wildcard voice any voice filter;
// below a rejected track nothing is searched, below a rejected voice the search goes on; the
// time range leaves out its end.
TEST_F(TrackVoiceFilterTest, FiltersByTrackVoiceAndTime)
{
    Note(2, 0)->SetVoiceTrack(0, 0);
    Note(2, 1)->SetVoiceTrack(0, MCVoiceTrack::noTrack);
    Note(1, 2)->SetVoiceTrack(0, 2);
    Note(3, 2)->SetVoiceTrack(3, 3);
    Note(3, 3)->SetVoiceTrack(MCVoiceTrack::noVoice, 3);
    using Rows = std::vector<std::pair<int, int>>;
    struct Case {
        std::vector<unsigned> tracks, voices;
        float from, to;
        Rows found;
    };
    const Case cases[] = {
        {{2}, {}, 0, 4, {{0, 0}, {2, 2}, {2, 3}, {2047, 1}}},
        {{3}, {3}, 0, 4, {{3, 2}, {3, 3}}},
        {{1, 2}, {0}, 1, 3, {{1, 1}, {2, 2}, {2, 2}, {2047, 1}}},
        {{}, {5}, 0, 4, {{3, 3}}},
    };
    for (const Case& c : cases) {
        ACFindTrackVoice find(MCTime(0.0f), MCTime(4.0f));
        find.AddEvtType(EventId::Note);
        find.SetTracks(c.tracks);
        find.SetVoices(c.voices);
        find.SetTimeRange(MCTime(c.from), MCTime(c.to), ACFindTime::openEnd);
        find.Apply(performance());
        EXPECT_EQ(Found(find), c.found) << c.tracks.size() << "/" << c.voices.size() << "/" << c.from;
    }
}

// Searching only the listed elements (depth 0) judges each by itself, not its children.
TEST_F(TrackVoiceFilterTest, DepthZeroJudgesOnlyTheListedElements)
{
    ECBase* note = Note(2, 1);
    ASSERT_NE(note, nullptr);
    ECBase* measure = performance()->GetConductor()->GetMeasure(2, MCTime(1.0f), 0, 0);
    ASSERT_NE(measure, nullptr);
    MCEventList list;
    list.AddTail(measure);
    list.AddTail(note);
    ACFindTrackVoice find(MCTime(0.0f), MCTime(4.0f));
    find.AddEvtType(EventId::Note);
    find.SetDepth(0);
    find.Apply(&list, 1);
    EXPECT_EQ(Found(find), (std::vector<std::pair<int, int>>{{2, 1}}));

    ACFindTrackVoice deep(MCTime(0.0f), MCTime(4.0f));
    deep.AddEvtType(EventId::Note);
    MCEventList measureOnly;
    measureOnly.AddTail(measure);
    deep.Apply(&measureOnly, 1);
    EXPECT_FALSE(Found(deep).empty());
}

}  // namespace
