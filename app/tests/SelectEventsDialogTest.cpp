#include "app/tests/AppTestSupport.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/dialogs/CSelectEventsDlg.h"
#include "app/dialogs/CSelectTypeList.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCCheckList.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/controls/MCTimeSource.h"
#include "interface/pickers/MCTrackCheckList.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/score/ECTrack.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr const char* kEvents = "Settings\\Select\\Events";
constexpr unsigned kNote = EventId::Note, kAccent = EventId::Accent, kClef = EventId::Clef;

// Three staves (tracks 1 to 3) with a note at each of four quarters; the note of track t at
// quarter q is on voice (2q + t - 1) mod 8, and the notes of track 2 at quarter 1 and track 3
// at quarter 3 carry an accent. Every element a test may select has a label: "N2.1" for a
// note, "A2.1" for the accent on it.
class SelectEventsDialogTest : public documenttest::DocumentTest {
protected:
    MCOpusDoc doc;
    std::map<ECBase*, std::string> labels;
    std::map<std::string, ECBase*> elements;
    std::unique_ptr<MCSequenceTimeSource> times;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 3, 4);
        times = std::make_unique<MCSequenceTimeSource>(*doc.GetSequence());
        MCTimeSource::SetActiveProvider([this] { return times.get(); });
        // The track pickers list the staves that have a name.
        const char* names[] = {"Flute", "Oboe", "Cello"};
        for (int staff = 1; staff <= 3; ++staff) {
            ECTrack* track = performance()->GetConductor()->GetTrack(ECConductor::staffTrack, staff, 0);
            ASSERT_NE(track, nullptr);
            track->AddChild(new ECText(3, names[staff - 1]), 1);
        }
        ACFindEvents notes;
        notes.AddEvtType(EventId::Note);
        notes.Apply(performance());
        for (ECBase* note : notes.GetEvents()) {
            const int track = note->GetVoiceTrack()->GetTrack();
            const int quarter = static_cast<int>(note->GetTime()->GetSeconds());
            note->SetVoiceTrack((2 * quarter + track - 1) % 8, track);
            label(note, "N" + std::to_string(track) + "." + std::to_string(quarter));
        }
        for (const char* noted : {"2.1", "3.3"}) {
            auto* accent = new ECAccent;
            ASSERT_TRUE(elements.at(std::string("N") + noted)->AddChild(accent, 1));
            label(accent, std::string("A") + noted);
        }
    }

    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        DocumentTest::TearDown();
    }

    void label(ECBase* element, const std::string& name)
    {
        labels[element] = name;
        elements[name] = element;
    }

    ECPerformance* performance() { return doc.GetBaseEvent(); }
    MCTime end() { return performance()->GetConductor()->GetMaxMeasureEndTime(); }

    // The labels of the selected elements, sorted; "?" for an element without one.
    std::vector<std::string> Selected()
    {
        std::vector<std::string> found;
        for (ECBase* element : doc.GetSelection())
            found.push_back(labels.count(element) ? labels[element] : "?");
        std::sort(found.begin(), found.end());
        return found;
    }

    static std::vector<std::string> AllNotes()
    {
        std::vector<std::string> notes;
        for (int track = 1; track <= 3; ++track)
            for (int quarter = 0; quarter < 4; ++quarter)
                notes.push_back("N" + std::to_string(track) + "." + std::to_string(quarter));
        return notes;
    }

    void Select(const std::vector<std::string>& names)
    {
        auto* state = new SCSelection(SCSelection::kReplace);
        for (const std::string& name : names)
            state->AddToSelection(elements.at(name));
        state->Apply(performance());
    }

    template <class Control>
    static Control* Item(CSelectEventsDlg& dialog, int id)
    {
        auto* control = plat::ui::item<Control>(&dialog, id);
        EXPECT_NE(control, nullptr) << id;
        return control;
    }

    // Checks exactly the given types in the dialog's list.
    static void CheckTypes(CSelectEventsDlg& dialog, const std::vector<unsigned>& types)
    {
        auto* list = Item<MCCheckList>(dialog, CSelectEventsDlg::kTypes);
        for (int row = 0; row < list->GetItemCount(); ++row) {
            const unsigned type = list->topLevelItem(row)->data(0, Qt::UserRole).toUInt();
            list->SetCheck(row, std::find(types.begin(), types.end(), type) != types.end());
        }
    }

    static int Stored(unsigned type)
    {
        return LoadIntPreference(kEvents, GetEventString(static_cast<int>(type)).c_str(), -1);
    }
};

// Each combination of filters, set through the dialog's controls, selects exactly what it
// takes: an accent below a rejected track is not found, one below an accepted track is even
// outside the time range (it has no time of its own); the range leaves out its end; a time or
// voice range typed backwards is taken forwards, voices counted from 1; a filter whose box is off is
// ignored whatever its controls hold.
TEST_F(SelectEventsDialogTest, FiltersSelectWhatTheyTake)
{
    struct Case {
        const char* name;
        std::vector<unsigned> types;
        std::vector<int> trackRows;  // empty: the track filter stays off
        bool filterTime;
        float from, to;
        bool filterVoice;
        int voiceFrom, voiceTo;  // as shown, from 1
        std::vector<std::string> selected;
    };
    std::vector<std::string> notesAndAccents = AllNotes();
    notesAndAccents.insert(notesAndAccents.begin(), {"A2.1", "A3.3"});
    const Case cases[] = {
        {"notes", {kNote}, {}, false, 0, 0, false, 1, 8, AllNotes()},
        {"notes and accents", {kNote, kAccent}, {}, false, 0, 0, false, 1, 8, notesAndAccents},
        {"accents of track 2", {kAccent}, {1}, false, 0, 0, false, 1, 8, {"A2.1"}},
        {"tracks 1 and 3", {kNote}, {0, 2}, false, 0, 0, false, 1, 8,
         {"N1.0", "N1.1", "N1.2", "N1.3", "N3.0", "N3.1", "N3.2", "N3.3"}},
        {"quarters 1 to 3", {kNote, kAccent}, {}, true, 1, 3, false, 1, 8,
         {"A2.1", "A3.3", "N1.1", "N1.2", "N2.1", "N2.2", "N3.1", "N3.2"}},
        {"quarters 3 to 1", {kNote, kAccent}, {}, true, 3, 1, false, 1, 8,
         {"A2.1", "A3.3", "N1.1", "N1.2", "N2.1", "N2.2", "N3.1", "N3.2"}},
        {"time box off", {kNote}, {}, false, 1, 2, false, 1, 8, AllNotes()},
        {"voices 8 to 3", {kNote}, {}, false, 0, 0, true, 8, 3,
         {"N1.1", "N1.2", "N1.3", "N2.1", "N2.2", "N2.3", "N3.0", "N3.1", "N3.2"}},
        {"all three", {kNote}, {1, 2}, true, 0, 2, true, 1, 4, {"N2.0", "N2.1", "N3.0"}},
    };
    SaveIntPreference("Settings\\Select", "Advanced", 1);
    for (const Case& c : cases) {
        Select({"N1.0"});
        CSelectEventsDlg dialog(&doc);
        CheckTypes(dialog, c.types);
        auto* tracks = Item<MCTrackCheckList>(dialog, CSelectEventsDlg::kTracks);
        ASSERT_EQ(tracks->GetItemCount(), 3);
        if (!c.trackRows.empty()) {
            Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack)->click();
            for (int row : c.trackRows)
                tracks->SetCheck(row, true);
        }
        if (c.filterTime)
            Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTime)->click();
        Item<MCTimeEdit>(dialog, CSelectEventsDlg::kFrom)->SetTimeValue(MCTime(c.from));
        Item<MCTimeEdit>(dialog, CSelectEventsDlg::kTo)->SetTimeValue(MCTime(c.to));
        if (c.filterVoice)
            Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterVoice)->click();
        Item<MCSpinEdit>(dialog, CSelectEventsDlg::kVoiceFrom)->SetValue(c.voiceFrom);
        Item<MCSpinEdit>(dialog, CSelectEventsDlg::kVoiceTo)->SetValue(c.voiceTo);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted) << c.name;
        EXPECT_EQ(Selected(), c.selected) << c.name;
    }
}

// A track filter with no track checked takes no staff: it selects none of their elements
// rather than those of every staff.
TEST_F(SelectEventsDialogTest, TrackFilterWithNoTrackCheckedTakesNoStaff)
{
    SaveIntPreference("Settings\\Select", "Advanced", 1);
    Select({"N1.0"});
    CSelectEventsDlg dialog(&doc);
    CheckTypes(dialog, {kNote, kAccent});
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack)->click();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(Selected(), std::vector<std::string>{});
}

// The voice range is read from 1 and put in order; the tracks are the staff numbers of the
// checked rows. A voice outside 1 to 8 is refused with a message and the dialog stays open,
// selecting and storing nothing.
TEST_F(SelectEventsDialogTest, ReadsTheVoiceRangeAndTheTrackNumbers)
{
    SaveIntPreference("Settings\\Select", "Advanced", 1);
    Select({"N1.0"});
    CSelectEventsDlg dialog(&doc);
    CheckTypes(dialog, {kNote});
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterVoice)->click();
    Item<MCSpinEdit>(dialog, CSelectEventsDlg::kVoiceFrom)->setText("9");
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 1 to 8.");
    EXPECT_EQ(Selected(), std::vector<std::string>{"N1.0"});
    EXPECT_EQ(Stored(kNote), -1);
    Item<MCSpinEdit>(dialog, CSelectEventsDlg::kVoiceFrom)->SetValue(8);
    Item<MCSpinEdit>(dialog, CSelectEventsDlg::kVoiceTo)->SetValue(3);
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack)->click();
    Item<MCTrackCheckList>(dialog, CSelectEventsDlg::kTracks)->SetCheck(2, true);
    dialog.accept();
    EXPECT_EQ(dialog.GetVoices(), (std::vector<unsigned>{2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(dialog.GetTracks(), (std::vector<unsigned>{3}));
}

// With nothing checked, OK clears the selection and stores every type as not chosen.
TEST_F(SelectEventsDialogTest, NothingCheckedClearsTheSelection)
{
    SaveIntPreference(kEvents, GetEventString(kNote).c_str(), 1);
    Select({"N1.0", "N2.2", "A3.3"});
    ASSERT_EQ(doc.GetSelection().GetCount(), 3);
    CSelectEventsDlg dialog(&doc);
    Item<QPushButton>(dialog, CSelectEventsDlg::kNone)->click();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(doc.GetSelection().IsEmpty());
    EXPECT_EQ(elements.at("N2.2")->IsSelected(), 0);
    for (unsigned type : CSelectTypeList::SelectableTypes())
        EXPECT_EQ(Stored(type), 0) << type;
}

// The types show checked as stored; OK stores the choice (1 checked, 0 not), Cancel nothing.
TEST_F(SelectEventsDialogTest, TypesAreReadAndStoredUnderTheirSection)
{
    SaveIntPreference(kEvents, GetEventString(kNote).c_str(), 1);
    SaveIntPreference(kEvents, GetEventString(kClef).c_str(), 1);
    {
        CSelectEventsDlg dialog(&doc);
        EXPECT_EQ(dialog.GetSelected(), (std::vector<unsigned>{kClef, kNote}));
        EXPECT_EQ(Item<QLabel>(dialog, CSelectEventsDlg::kCount)->text(), "2 types selected");
        CheckTypes(dialog, {kAccent});
        dialog.reject();
    }
    EXPECT_EQ(Stored(kClef), 1);
    EXPECT_EQ(Stored(kAccent), -1);

    CSelectEventsDlg dialog(&doc);
    CheckTypes(dialog, {kAccent, kNote});
    EXPECT_EQ(Item<QLabel>(dialog, CSelectEventsDlg::kCount)->text(), "2 types selected");
    dialog.accept();
    for (unsigned type : CSelectTypeList::SelectableTypes())
        EXPECT_EQ(Stored(type), type == kAccent || type == kNote ? 1 : 0) << type;
    EXPECT_EQ(Selected().size(), 14u);
}

// With the flag for the current selection, only the selected elements themselves are judged:
// the notes inside a selected measure and the accent below a selected note are not found.
TEST_F(SelectEventsDialogTest, CurrentSelectionOnlyJudgesTheSelectedElements)
{
    ECBase* measure = performance()->GetConductor()->GetMeasure(2, MCTime(0.0f), 0, 0);
    ASSERT_NE(measure, nullptr);
    label(measure, "M2");
    SaveIntPreference("Settings\\Select", "Advanced", 1);
    const auto run = [&](std::vector<unsigned> types, bool onlySelection, int trackRow) {
        auto* state = new SCSelection(SCSelection::kReplace);
        for (const char* name : {"M2", "N1.1", "N3.2", "N2.1"})
            state->AddToSelection(elements.at(name));
        state->Apply(performance());
        CSelectEventsDlg dialog(&doc);
        CheckTypes(dialog, types);
        if (onlySelection)
            Item<QCheckBox>(dialog, CSelectEventsDlg::kOnlySelection)->click();
        if (trackRow >= 0) {
            Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack)->click();
            Item<MCTrackCheckList>(dialog, CSelectEventsDlg::kTracks)->SetCheck(trackRow, true);
        }
        dialog.accept();
        return Selected();
    };
    using Labels = std::vector<std::string>;
    EXPECT_EQ(run({kNote}, true, -1), (Labels{"N1.1", "N2.1", "N3.2"}));
    EXPECT_EQ(run({kNote}, true, 2), (Labels{"N3.2"}));
    EXPECT_EQ(run({kAccent}, true, -1), Labels{});
    EXPECT_EQ(run({kAccent}, false, -1), (Labels{"A2.1", "A3.3"}));
    EXPECT_EQ(run({kNote}, false, 0), (Labels{"N1.0", "N1.1", "N1.2", "N1.3"}));
}

// The advanced part shows as stored; the button toggles it, resizing the dialog, and the
// choice is stored when the dialog goes.
TEST_F(SelectEventsDialogTest, AdvancedTogglesTheFiltersAndIsRemembered)
{
    SaveIntPreference("Settings\\Select", "Advanced", 0);
    int fullHeight = 0;
    {
        CSelectEventsDlg dialog(&doc);
        dialog.show();
        auto* button = Item<QPushButton>(dialog, CSelectEventsDlg::kAdvanced);
        auto* tracks = Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack);
        EXPECT_FALSE(dialog.IsAdvanced());
        EXPECT_FALSE(tracks->isVisible());
        EXPECT_EQ(button->text().toStdString(), AppStrings::text(AppStrings::gotoAdvancedOff));
        const int basicHeight = dialog.height();
        apptest::saveScreenshot(dialog, "select-events-basic.png");
        button->click();
        EXPECT_TRUE(dialog.IsAdvanced());
        EXPECT_TRUE(tracks->isVisible());
        EXPECT_EQ(button->text().toStdString(), AppStrings::text(AppStrings::gotoAdvancedOn));
        EXPECT_EQ(CDialogToolTips::TextFor(CSelectEventsDlg::kAdvanced), "Toggle advanced settings");
        fullHeight = dialog.height();
        EXPECT_GT(fullHeight, basicHeight + 60);
        EXPECT_EQ(LoadIntPreference("Settings\\Select", "Advanced", -1), 0) << "stored when the dialog goes";
    }
    EXPECT_EQ(LoadIntPreference("Settings\\Select", "Advanced", -1), 1);
    CSelectEventsDlg dialog(&doc);
    dialog.show();
    EXPECT_TRUE(dialog.IsAdvanced());
    EXPECT_TRUE(Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTime)->isVisible());
    EXPECT_EQ(dialog.height(), fullHeight);
    CheckTypes(dialog, {kNote, kAccent});
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTrack)->click();
    Item<MCTrackCheckList>(dialog, CSelectEventsDlg::kTracks)->SetCheck(1, true);
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTime)->click();
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterVoice)->click();
    apptest::saveScreenshot(dialog, "select-events.png");
    Item<QPushButton>(dialog, CSelectEventsDlg::kAdvanced)->click();
    EXPECT_LT(dialog.height(), fullHeight);
}

// The filter boxes need the advanced part; each filter's controls follow its box.
TEST_F(SelectEventsDialogTest, EnablingFollowsTheCheckBoxes)
{
    SaveIntPreference("Settings\\Select", "Advanced", 0);
    CSelectEventsDlg dialog(&doc);
    const auto enabled = [&](int id) { return plat::ui::itemWidget(&dialog, id)->isEnabled(); };
    using D = CSelectEventsDlg;
    for (int id : {D::kFilterTrack, D::kFilterTime, D::kFilterVoice})
        EXPECT_FALSE(enabled(id)) << id;
    Item<QPushButton>(dialog, D::kAdvanced)->click();
    for (int id : {D::kFilterTrack, D::kFilterTime, D::kFilterVoice})
        EXPECT_TRUE(enabled(id)) << id;
    struct Filter {
        int box;
        std::vector<int> controls;
    };
    const Filter filters[] = {{D::kFilterTrack, {D::kTracks}},
                              {D::kFilterTime, {D::kBegin, D::kFrom, D::kTo, D::kEnd}},
                              {D::kFilterVoice, {D::kVoiceFrom, D::kVoiceTo}}};
    for (const Filter& filter : filters) {
        for (int id : filter.controls)
            EXPECT_FALSE(enabled(id)) << id;
        Item<QCheckBox>(dialog, filter.box)->click();
        for (int id : filter.controls)
            EXPECT_TRUE(enabled(id)) << id;
    }
    // One box off leaves the other filters as they are.
    Item<QCheckBox>(dialog, D::kFilterTime)->click();
    EXPECT_FALSE(enabled(D::kFrom));
    EXPECT_TRUE(enabled(D::kTracks));
    EXPECT_TRUE(enabled(D::kVoiceTo));
}

// The times start at zero and the end of the last measure; the bitmap buttons put them back.
TEST_F(SelectEventsDialogTest, BeginAndEndButtonsSetTheTimes)
{
    SaveIntPreference("Settings\\Select", "Advanced", 1);
    CSelectEventsDlg dialog(&doc);
    auto* from = Item<MCTimeEdit>(dialog, CSelectEventsDlg::kFrom);
    auto* to = Item<MCTimeEdit>(dialog, CSelectEventsDlg::kTo);
    EXPECT_EQ(from->GetTimeValue(), MCTime::TimeZero());
    EXPECT_EQ(to->GetTimeValue(), end());
    EXPECT_GT(end(), MCTime(3.0f));
    Item<QCheckBox>(dialog, CSelectEventsDlg::kFilterTime)->click();
    from->SetTimeValue(MCTime(2.0f));
    to->SetTimeValue(MCTime(1.0f));
    Item<MCButton>(dialog, CSelectEventsDlg::kBegin)->click();
    EXPECT_EQ(from->GetTimeValue(), MCTime::TimeZero());
    EXPECT_EQ(to->GetTimeValue(), MCTime(1.0f));
    Item<MCButton>(dialog, CSelectEventsDlg::kEnd)->click();
    EXPECT_EQ(to->GetTimeValue(), end());
    CheckTypes(dialog, {kNote});
    dialog.accept();
    EXPECT_EQ(dialog.GetFrom(), MCTime::TimeZero());
    EXPECT_EQ(dialog.GetTo(), end());
    EXPECT_EQ(Selected(), AllNotes());
}

// The main frame's selection commands run their dialogs for the active document.
class SelectEventsCommandTest : public apptest::FrameTest {};

TEST_F(SelectEventsCommandTest, RunTheirDialogsForTheActiveDocument)
{
    ASSERT_NE(NewDocument(), nullptr);
    for (const auto& [id, title] : {std::pair<uint32_t, const char*>{33221, "Select Events"}, {33222, "Mouse Select Options"}}) {
        EXPECT_TRUE(m_router.update(id).enabled) << id;
        std::vector<std::string> shown;
        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [&](QDialog& dialog) {
            shown.push_back(dialog.windowTitle().toStdString());
            dialog.reject();
            return dialog.result();
        };
        plat::ui::ModalHooks::Scoped scope(hooks);
        ASSERT_TRUE(m_router.execute(id));
        EXPECT_EQ(shown, std::vector<std::string>{title});
    }
}

}  // namespace
