#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCDrumsBox.h"
#include "interface/controls/MCNoteEdit.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAbstractItemView>
#include <QAction>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string noteText(int note, int format)
{
    std::string text = "untouched";
    MCNoteEdit::FormatNoteString(text, note, format);
    return text;
}

TEST(NoteStringTest, NotesShowAsNumbersNamesAndDrums)
{
    const widgettest::ProfileFolder folder;
    struct Case {
        int note;
        int format;
        const char* text;
    };
    const Case cases[] = {
        {0, 2, "C-1"},       {127, 2, "G9"},       {70, 2, "A#4"},       {70, 1, "Bb4"},
        {60, 1, "C4"},       {61, 1, "Db4"},       {61, 2, "C#4"},       {61, 0, "61"},
        {36, 3, "Kick 1"},   {27, 3, "High Q"},    {87, 3, "Open Surdo"}, {26, 3, "Drum:  26"},
        {88, 3, "Drum:  88"}, {119, 1, "B8"},      {120, 2, "C9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.note) + "/" + std::to_string(c.format));
        EXPECT_EQ(noteText(c.note, c.format), c.text);
    }
    EXPECT_EQ(noteText(60, 4), "untouched");
    EXPECT_EQ(noteText(61, -1), "C#4");
    SaveIntPreference("Settings\\Interface\\NoteEdit", "Format", 1);
    EXPECT_EQ(noteText(61, -1), "Db4");
}

TEST(NoteStringTest, TextsReadAsNotesWithTheTopOctaveReachable)
{
    struct Case {
        const char* text;
        int note;
    };
    const Case cases[] = {
        {"c#4", 61}, {" C#4 ", 61}, {"Db4", 61}, {"Cb4", 59}, {"H4", 0},   {"#4", 0},   {"200", 127},
        {"-5", 0},   {"C-1", 0},    {"", 0},     {"C", 0},    {"0", 0},    {"60", 60},  {"C-7", 0},
        // Notes 120 to 127 show in octave 9 and read back from it.
        {"G9", 127}, {"C9", 120},   {"G#9", 127}, {"B12", 127}, {"bb4", 70}, {"B4", 71}, {"C4x", 60},
        // Octaves far beyond an int's reach stop at the ends of the range.
        {"G349423494", 127}, {"C-2147483648", 0}, {"B#99999999999", 127}, {"Cb-99999999999", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MCNoteEdit::GetNoteFromString(c.text), c.note);
    }
    // Every note's name reads back as the note.
    for (int note = 0; note < 128; ++note) {
        for (const int format : {0, 1, 2}) {
            const std::string text = noteText(note, format);
            EXPECT_EQ(MCNoteEdit::GetNoteFromString(text), note) << text;
            EXPECT_EQ(MCNoteEdit::ParseNoteString(text), note) << text;
        }
    }
}

TEST(NoteStringTest, StrictReadingRefusesWhatItCannotRead)
{
    for (const char* bad : {"", "H4", "#4", "200", "-5", "C4x", "C", "4 4", "C#", "C-2", "G#9", "60 (61)", "C4 (x)",
                            "G349423494", "B#2147483647", "Cb-2147483648", "C99999999999", "A-99999999999 (9)"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(MCNoteEdit::ParseNoteString(bad).has_value());
    }
    EXPECT_EQ(MCNoteEdit::ParseNoteString("C4 (60)"), 60);
    EXPECT_EQ(MCNoteEdit::ParseNoteString(" db4 "), 61);
    EXPECT_EQ(MCNoteEdit::ParseNoteString("127"), 127);
}

TEST(DrumsBoxTest, TheListNamesEveryNoteAndSelectsByNote)
{
    const widgettest::ProfileFolder folder;
    QWidget window;
    auto* box = new MCDrumsBox;
    EXPECT_FALSE(box->Create(QRect(10, 20, 120, 24), nullptr, 1800));
    ASSERT_TRUE(box->Create(QRect(10, 20, 120, 24), &window, 1800));
    EXPECT_EQ(box->geometry(), QRect(10, 20, 120, 24));
    EXPECT_TRUE(box->isHidden());
    EXPECT_GE(box->view()->minimumWidth(), 160);
    EXPECT_EQ(box->count(), 128);
    EXPECT_EQ(box->itemText(36), "Kick 1");
    EXPECT_EQ(box->itemData(36).toInt(), 36);
    EXPECT_EQ(box->GetValue(), -1);
    box->SetValue(38);
    EXPECT_EQ(box->GetValue(), 38);
    box->SetShowNoteNumber(true);
    EXPECT_EQ(box->itemText(36), "Kick 1 (36)");
    EXPECT_EQ(box->GetValue(), 38);
    box->SetValue(200);
    EXPECT_EQ(box->GetValue(), -1);
}

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    std::vector<std::pair<int, int>> notices;
    int menus = 0;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }

protected:
    void contextMenuEvent(QContextMenuEvent*) override { ++menus; }
};

TEST(DrumsBoxTest, AChoiceAndAMenuRequestGoToTheParentWithoutABuddy)
{
    const widgettest::ProfileFolder folder;
    NoticeWindow window;
    auto* box = new MCDrumsBox;
    ASSERT_TRUE(box->Create(QRect(0, 0, 100, 20), &window, 1810));
    box->setCurrentIndex(40);
    emit box->activated(40);
    EXPECT_EQ(window.notices, (std::vector<std::pair<int, int>>{{1810, 0x30D0}}));
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(box, &request);
    EXPECT_EQ(window.menus, 1);
}

TEST(DrumsBoxTest, ABuddyAloneHearsTheChoiceAndTheMenuRequest)
{
    const widgettest::ProfileFolder folder;
    NoticeWindow window, buddy;
    auto* box = new MCDrumsBox;
    ASSERT_TRUE(box->Create(QRect(0, 0, 100, 20), &window, 1820));
    box->SetBuddy(&buddy);
    box->setCurrentIndex(36);
    emit box->activated(36);
    EXPECT_EQ(buddy.notices, (std::vector<std::pair<int, int>>{{1820, 0x30D0}}));
    EXPECT_TRUE(window.notices.empty());
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(1, 1), QPoint(1, 1));
    QApplication::sendEvent(box, &request);
    EXPECT_EQ(buddy.menus, 1);
    EXPECT_EQ(window.menus, 0);

    // A buddy that does not listen leaves the window above unbothered.
    QWidget deaf;
    box->SetBuddy(&deaf);
    emit box->activated(36);
    EXPECT_TRUE(window.notices.empty());
}

class NoteEditTest : public testing::Test {
protected:
    widgettest::ProfileFolder folder;
    NoticeWindow window;
    MCNoteEdit* edit = nullptr;

    void SetUp() override
    {
        auto* layout = new QGridLayout(&window);
        auto* placeholder = new QLineEdit;
        plat::ui::setItemId(placeholder, 1900);
        layout->addWidget(placeholder, 0, 0);
        edit = new MCNoteEdit;
        ASSERT_TRUE(edit->SubclassNoteEdit(1900, &window, MCSpinEdit::kVisibleSpin));
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
};

TEST_F(NoteEditTest, TheShownTextFollowsTheFormatAndTheNumberChoice)
{
    EXPECT_EQ(edit->GetNoteFormat(), MCNoteEdit::sharps);
    edit->SetValue(60);
    EXPECT_EQ(edit->text(), "C4");
    edit->SetShowNoteNumber(true);
    EXPECT_EQ(edit->text(), "C4 (60)");
    edit->SetNoteFormat(MCNoteEdit::numbers);
    EXPECT_EQ(edit->text(), "60");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "61");
    EXPECT_EQ(window.notices.back(), std::make_pair(1900, 0x30E0));

    // Drums: the list stands in the edit's place and picks the note.
    edit->SetNoteFormat(MCNoteEdit::drums);
    EXPECT_FALSE(edit->isVisible());
    EXPECT_TRUE(edit->DrumList().isVisible());
    EXPECT_EQ(edit->DrumList().GetValue(), 61);
    window.notices.clear();
    edit->DrumList().setCurrentIndex(42);
    emit edit->DrumList().activated(42);
    EXPECT_EQ(edit->GetValue(), 42);
    EXPECT_EQ(window.notices, (std::vector<std::pair<int, int>>{{1900, 0x30E0}}));
}

TEST_F(NoteEditTest, TypedNamesAreTakenAndMalformedTextIsNot)
{
    edit->SetValue(60);
    edit->selectAll();
    QTest::keyClicks(edit, "d#5");
    EXPECT_EQ(edit->GetValue(), 75);
    EXPECT_TRUE(edit->IsTextValid());
    edit->selectAll();
    QTest::keyClicks(edit, "x9");
    EXPECT_EQ(edit->GetValue(), 75);
    EXPECT_FALSE(edit->IsTextValid());
    // Pasted at once: an octave out of every range leaves the note.
    edit->setText("G349423494");
    edit->OnChange();
    EXPECT_EQ(edit->GetValue(), 75);
    EXPECT_FALSE(edit->IsTextValid());
}

TEST_F(NoteEditTest, AContextMenuChoiceIsSavedAndBecomesTheDefault)
{
    std::vector<std::string> shown;
    int pick = 11613;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&](QMenu& menu, const QPoint&) -> QAction* {
        for (QAction* action : menu.actions()) {
            if (!action->isSeparator())
                shown.push_back(action->text().toStdString() + (action->isChecked() ? " *" : ""));
        }
        for (QAction* action : menu.actions())
            if (action->data().toInt() == pick)
                return action;
        return nullptr;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    edit->SetValue(61);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(2, 2), edit->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(edit, &request);
    EXPECT_EQ(shown, (std::vector<std::string>{"&Note Numbers", "Note Names (&Sharps) *", "Note Names (&Flats)",
                                               "&Drum Names", "Show Note Nu&mber"}));
    EXPECT_EQ(edit->GetNoteFormat(), MCNoteEdit::flats);
    EXPECT_EQ(edit->text(), "Db4");
    pick = 11615;
    QApplication::sendEvent(edit, &request);
    EXPECT_TRUE(edit->GetShowNoteNumber());
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\NoteEdit", "Format", 2), 1);
    EXPECT_EQ(LoadIntPreference("Settings\\Interface\\NoteEdit", "ShowNoteNumber", 0), 1);
    const MCNoteEdit next;
    EXPECT_EQ(next.GetNoteFormat(), MCNoteEdit::flats);
    EXPECT_TRUE(next.GetShowNoteNumber());

    edit->EnableContextMenu(false);
    shown.clear();
    QApplication::sendEvent(edit, &request);
    EXPECT_TRUE(shown.empty());
}

TEST_F(NoteEditTest, IndeterminateEmptiesTheTextAndTheList)
{
    edit->SetValue(50);
    edit->SetIndeterminate(true);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(edit->DrumList().GetValue(), -1);
    EXPECT_FALSE(edit->DrumList().isEnabled());
    edit->SetIndeterminate(false);
    EXPECT_EQ(edit->DrumList().GetValue(), 50);
    EXPECT_TRUE(edit->EnableWindow(false));
    EXPECT_FALSE(edit->Spin().isEnabled());
    EXPECT_FALSE(edit->DrumList().isEnabled());
}

TEST(NoteEditScreenshotTest, NoteEditsInTheirFormats)
{
    const widgettest::ProfileFolder folder;
    QWidget sheet;
    auto* layout = new QGridLayout(&sheet);
    const char* names[] = {"numbers", "flats", "sharps", "drums", "sharps with number"};
    for (int row = 0; row < 5; ++row) {
        auto* label = new QLabel(names[row]);
        auto* placeholder = new QLineEdit;
        plat::ui::setItemId(placeholder, 2000 + row);
        layout->addWidget(label, row, 0);
        layout->addWidget(placeholder, row, 1);
        auto* edit = new MCNoteEdit;
        ASSERT_TRUE(edit->SubclassNoteEdit(2000 + row, &sheet, MCSpinEdit::kVisibleSpin));
        edit->SetNoteFormat(row == 4 ? MCNoteEdit::sharps : row);
        edit->SetShowNoteNumber(row == 4);
        edit->SetValue(row == 3 ? 38 : 70);
    }
    layout->setColumnMinimumWidth(1, 150);
    sheet.show();
    EXPECT_FALSE(widgettest::saveScreenshot(sheet, "note-edits").empty());
}

}  // namespace
