// The preference sheets: the nine registrations, the pages of each category in their order,
// the last page remembered per title, OK and Apply announcing the change, the context menu.

#include "preferences/tests/PrefsTestSupport.h"

#include "preferences/pages/CPrefsPgGeneral.h"
#include "preferences/pages/CPrefsPgMetronome.h"
#include "preferences/pages/CPrefsPgMidiPlay.h"
#include "preferences/pages/CPrefsPgMidiRecord.h"
#include "preferences/pages/CPrefsPgMidiThru.h"
#include "preferences/pages/CPrefsPgSave.h"
#include "preferences/pages/CPrefsPgSync.h"
#include "preferences/pages/CPrefsPgWaveAudio.h"
#include "preferences/pages/CPrefsPgWorkspace.h"
#include "preferences/sheet/CPrefsWnd.h"

#include "interface/document/CPluginPrefs.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

namespace {

using namespace prefstest;

class SheetTest : public PrefsTest {};

std::vector<std::string> Tabs(const CPrefsWnd& sheet)
{
    std::vector<std::string> tabs;
    for (int i = 0; i < sheet.pageCount(); ++i)
        tabs.push_back(sheet.page(i)->windowTitle().toStdString());
    return tabs;
}

int ActiveIndex(const CPrefsWnd& sheet)
{
    for (int i = 0; i < sheet.pageCount(); ++i) {
        if (sheet.page(i) == sheet.activePage())
            return i;
    }
    return -1;
}

TEST_F(SheetTest, InitPrefsRegistersTheNinePagesInOrderAndTakesColourAndUndoDepth)
{
    SaveIntPreference("Settings\\Color", "Selection", 0x123456);
    SaveIntPreference("Settings", "UndoLevels", 33);
    EXPECT_EQ(InitPrefs(), 9);
    EXPECT_EQ(SCSelection::GetColor(), 0x123456u);
    EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 33);
    struct Expected {
        const plat::RuntimeClass* page;
        int category;
        int order;
    };
    // The registry sorts by order: WAV Audio (45) comes before Metronome (50).
    const Expected expected[] = {
        {&CPrefsPgGeneral::classObject, 0, 0},     {&CPrefsPgWorkspace::classObject, 0, 10},
        {&CPrefsPgSave::classObject, 0, 20},       {&CPrefsPgMidiPlay::classObject, 1, 20},
        {&CPrefsPgMidiRecord::classObject, 1, 30}, {&CPrefsPgMidiThru::classObject, 1, 40},
        {&CPrefsPgWaveAudio::classObject, 1, 45},  {&CPrefsPgMetronome::classObject, 1, 50},
        {&CPrefsPgSync::classObject, 1, 55},
    };
    const auto& plugins = CPluginPrefs::GetPlugins();
    ASSERT_EQ(plugins.size(), std::size(expected));
    for (size_t i = 0; i < plugins.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(plugins[i]->GetPageClass(), expected[i].page);
        EXPECT_EQ(plugins[i]->GetCategory(), expected[i].category);
        EXPECT_EQ(plugins[i]->GetOrder(), expected[i].order);
    }
    const std::vector<MCMenuItem> menu = CPluginPrefs::UpdateMenu();
    ASSERT_EQ(menu.size(), 2u);
    EXPECT_EQ(menu[0], (MCMenuItem{"General...", 38650}));
    EXPECT_EQ(menu[1], (MCMenuItem{"Sequencer...", 38651}));
    MCCommandMgr::SetUndoLevels(10);
}

TEST_F(SheetTest, EachCategoryShowsItsPagesUnderItsTitle)
{
    Devices devices;
    CPrefsWnd general(0);
    EXPECT_EQ(general.windowTitle(), "General Preferences");
    EXPECT_EQ(Tabs(general), (std::vector<std::string>{"General", "Workspace", "Save"}));
    CPrefsWnd sequencer(1);
    EXPECT_EQ(sequencer.windowTitle(), "Sequencer Preferences");
    EXPECT_EQ(Tabs(sequencer),
              (std::vector<std::string>{"MIDI Out", "MIDI In", "MIDI Thru", "WAV Audio", "Metronome", "Sync"}));
    CPrefsWnd devicesSheet(2);
    EXPECT_EQ(devicesSheet.windowTitle(), "Device Preferences");
    EXPECT_EQ(devicesSheet.pageCount(), 0);
    CPrefsWnd unknown(7);
    EXPECT_EQ(unknown.windowTitle(), "Preferences") << "a category without a title";
}

TEST_F(SheetTest, EachTitleKeepsItsOwnLastPageAndAStoredIndexOutOfRangeFallsBackToTheFirst)
{
    Devices devices;
    {
        CPrefsWnd sheet(1);
        ASSERT_TRUE(sheet.setActivePage(4));
        sheet.reject();
    }
    {
        CPrefsWnd sheet(0);
        EXPECT_EQ(ActiveIndex(sheet), 0);
        ASSERT_TRUE(sheet.setActivePage(2));
        sheet.reject();
    }
    EXPECT_EQ(LoadIntPreference("Settings", "Sequencer Preferences", -1), 4);
    EXPECT_EQ(LoadIntPreference("Settings", "General Preferences", -1), 2);
    {
        CPrefsWnd sheet(1);
        EXPECT_EQ(ActiveIndex(sheet), 4) << "whatever the general sheet showed";
        EXPECT_EQ(sheet.activePage()->windowTitle(), "Metronome");
    }
    for (int stored : {6, 99, -3}) {
        SCOPED_TRACE(stored);
        SaveIntPreference("Settings", "Sequencer Preferences", stored);
        CPrefsWnd sheet(1);
        EXPECT_EQ(ActiveIndex(sheet), 0);
    }
}

TEST_F(SheetTest, ApplyThenOkAnnouncesTwiceAndCancelWritesNothing)
{
    Devices devices;
    AnnouncedStates announced;
    {
        CPrefsWnd sheet(0);
        sheet.show();
        auto* undo = plat::ui::item<QLineEdit>(sheet.page(0), CPrefsPgGeneral::kUndoLevels);
        ASSERT_NE(undo, nullptr);
        undo->setText("25");
        sheet.page(0)->setModified(true);
        ASSERT_TRUE(sheet.applyButton()->isEnabled());
        sheet.applyButton()->click();
        EXPECT_EQ(LoadIntPreference("Settings", "UndoLevels", 0), 25);
        EXPECT_EQ(announced.Take(), std::vector<int>{1600});
        EXPECT_FALSE(sheet.applyButton()->isEnabled());
        EXPECT_TRUE(sheet.OnCommand(CPrefsWnd::kOk));
        EXPECT_EQ(sheet.result(), QDialog::Accepted);
        EXPECT_EQ(announced.Take(), std::vector<int>{1600});
        EXPECT_EQ(MCCommandMgr::GetUndoLevels(), 25) << "the new depth is taken at once";
    }
    const std::string before = Dump();
    {
        CPrefsWnd sheet(0);
        sheet.show();
        plat::ui::item<QLineEdit>(sheet.page(0), CPrefsPgGeneral::kUndoLevels)->setText("40");
        sheet.reject();
    }
    EXPECT_TRUE(announced.Take().empty());
    EXPECT_EQ(Dump(), before) << "cancelled: only the last page is remembered, as it was";
    MCCommandMgr::SetUndoLevels(10);
}

TEST_F(SheetTest, AValueThatDoesNotFitIsRefusedWithItsMessageAndChangesNothing)
{
    Devices devices;
    AnnouncedStates announced;
    struct Case {
        int page;
        int control;
        const char* text;
        const char* message;
    };
    // The sync page's resolution and the metronome's channel, on the sequencer sheet.
    const Case cases[] = {
        {5, CPrefsPgSync::kPpq, "5", "Enter a whole number from 10 to 1000."},
        {5, CPrefsPgSync::kPpq, "1001", "Enter a whole number from 10 to 1000."},
        {5, CPrefsPgSync::kPpq, "12x", "Enter a whole number."},
        {4, CPrefsPgMetronome::kChannel, "17", "Enter a whole number from 1 to 16."},
        {4, CPrefsPgMetronome::kVelocity1, "0", "Enter a whole number from 1 to 127."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        plat::Profile::instance().removeValue("Settings", "Sequencer Preferences");
        const std::string before = Dump();
        m_prompts.Clear();
        CPrefsWnd sheet(1);
        sheet.show();
        ASSERT_TRUE(sheet.setActivePage(c.page));
        auto* field = plat::ui::item<QLineEdit>(sheet.page(c.page), c.control);
        ASSERT_NE(field, nullptr);
        field->setText(c.text);
        sheet.OnCommand(CPrefsWnd::kOk);
        EXPECT_TRUE(sheet.isVisible()) << "the sheet stays open";
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0], c.message);
        EXPECT_EQ(sheet.focusWidget(), field) << "on the value to mend";
        sheet.applyButton()->setEnabled(true);
        sheet.applyButton()->click();
        EXPECT_TRUE(announced.Take().empty());
        sheet.reject();
        // Nothing but the remembered page was written.
        plat::Profile::instance().removeValue("Settings", "Sequencer Preferences");
        EXPECT_EQ(Dump(), before);
    }
}

TEST_F(SheetTest, TheContextMenuListsThePagesAndMakesThePickedOneActive)
{
    Devices devices;
    DialogScript script;
    QStringList offered;
    QString checked;
    script.PickFromMenu([&](QMenu& menu) -> QAction* {
        for (QAction* action : menu.actions()) {
            offered << action->text();
            if (action->isChecked())
                checked = action->text();
        }
        return menu.actions().value(3);
    });
    CPrefsWnd sheet(1);
    sheet.show();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10), sheet.mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(&sheet, &event);
    EXPECT_EQ(offered, (QStringList{"MIDI Out", "MIDI In", "MIDI Thru", "WAV Audio", "Metronome", "Sync"}));
    EXPECT_EQ(checked, "MIDI Out");
    EXPECT_EQ(ActiveIndex(sheet), 3);
    // A page command past the pages changes nothing.
    EXPECT_TRUE(sheet.OnCommand(CPrefsWnd::kFirstPageCommand + 40));
    EXPECT_EQ(ActiveIndex(sheet), 3);
    EXPECT_FALSE(sheet.OnCommand(0x9600));
    sheet.reject();
}

}  // namespace

namespace {

using namespace prefstest;

TEST_F(SheetTest, ScreenshotsOfEveryPage)
{
    Devices devices;
    DocumentHost views;
    for (int category : {0, 1}) {
        CPrefsWnd sheet(category);
        sheet.show();
        for (int i = 0; i < sheet.pageCount(); ++i) {
            ASSERT_TRUE(sheet.setActivePage(i));
            std::string name = "prefs-page-" + sheet.page(i)->windowTitle().toLower().replace(' ', '-').toStdString();
            EXPECT_FALSE(Screenshot(sheet, name).empty()) << name;
        }
        sheet.reject();
    }
}

}  // namespace
