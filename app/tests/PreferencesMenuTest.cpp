// "&Tools" > "&Preferences" lists the categories of the preference pages registered when it
// opens, the plug-ins' among them, whenever they were loaded.

#include "app/tests/AppTestSupport.h"

#include "interface/document/CPluginPrefs.h"
#include "interface/document/DocumentStrings.h"

#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <algorithm>

namespace {

class NotationPrefsPage : public plat::Object {
    PLAT_DECLARE_DYNCREATE(NotationPrefsPage)
};
PLAT_IMPLEMENT_DYNCREATE(NotationPrefsPage, plat::Object)

class PreferencesMenuTest : public apptest::CommandFrameTest {
protected:
    QMenu* PreferencesMenu() const
    {
        const QString tools = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuTools));
        const QString preferences = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuPreferences));
        for (QAction* top : m_frame->menuBar()->actions()) {
            if (!top->menu() || top->text() != tools)
                continue;
            for (QAction* entry : top->menu()->actions()) {
                if (entry->menu() && entry->text() == preferences)
                    return entry->menu();
            }
        }
        return nullptr;
    }

    // The commands of the menu's items, as the user sees it once it opened.
    std::vector<unsigned> CommandsShown(QMenu& menu) const
    {
        menu.popup(QPoint(10, 10));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&menu));
        std::vector<unsigned> commands;
        for (QAction* action : menu.actions()) {
            for (unsigned category = 0; category < 4; ++category) {
                if (action == m_actions->find(CPluginPrefs::kFirstCategoryCommand + category))
                    commands.push_back(CPluginPrefs::kFirstCategoryCommand + category);
            }
        }
        menu.hide();
        // In the registry's order, which the test does not fix.
        std::sort(commands.begin(), commands.end());
        return commands;
    }
};

TEST_F(PreferencesMenuTest, APlugInsCategoryAppearsWhenItRegistersAfterTheMenuWasFilled)
{
    CPluginPrefs general(&NotationPrefsPage::classObject, 0, 0);
    CPluginPrefs::AddPlugin(&general);
    CMainMenus::FillPreferencesMenu(*m_frame, *m_actions);
    QMenu* menu = PreferencesMenu();
    ASSERT_NE(menu, nullptr);
    const unsigned notationCommand = CPluginPrefs::kFirstCategoryCommand + 3;
    const std::vector<unsigned> before = CommandsShown(*menu);
    ASSERT_EQ(std::count(before.begin(), before.end(), CPluginPrefs::kFirstCategoryCommand), 1);
    ASSERT_EQ(std::count(before.begin(), before.end(), notationCommand), 0);

    // A plug-in loaded later registers a page of a category of its own.
    CPluginPrefs notation(&NotationPrefsPage::classObject, 3, 10);
    CPluginPrefs::AddPlugin(&notation);
    std::vector<unsigned> expected = before;
    expected.push_back(notationCommand);
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(CommandsShown(*menu), expected);
    EXPECT_EQ(m_actions->find(notationCommand)->text().toStdString(), "Notation...");
    // A document's first frame builds the plug-in menus as well: still one item each.
    NewDocument();
    EXPECT_EQ(CommandsShown(*menu), expected);

    CPluginPrefs::RemovePlugin(&notation);
    EXPECT_EQ(CommandsShown(*menu), before);
    CPluginPrefs::RemovePlugin(&general);
}

}  // namespace
