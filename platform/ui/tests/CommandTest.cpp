#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/core/Resources.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/command/CommandRouter.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace plat::ui {
namespace {

// A target that handles the ids it is given, enabled or not, and records what ran.
class RecordingTarget : public CommandTarget {
public:
    std::map<uint32_t, bool> handled;
    std::vector<uint32_t> ran;
    bool checked = false;

    bool onCommand(uint32_t id) override
    {
        if (!handled.contains(id))
            return false;
        ran.push_back(id);
        return true;
    }
    bool onUpdateCommand(uint32_t id, CommandState& state) override
    {
        const auto found = handled.find(id);
        if (found == handled.end())
            return false;
        state.enabled = found->second;
        state.checked = checked;
        return true;
    }
};

TEST(CommandRouterTest, TheFirstTargetThatAnswersDecidesAndRuns)
{
    RecordingTarget view, mainFrame, application;
    view.handled = {{1, false}};
    mainFrame.handled = {{1, true}, {2, true}};
    application.handled = {{2, true}, {3, true}};
    CommandRouter router;
    router.setTarget(CommandRouter::Link::activeView, &view);
    router.setTarget(CommandRouter::Link::mainFrame, &mainFrame);
    router.setTarget(CommandRouter::Link::application, &application);

    // The view handles 1 and disables it: the frame behind it is not asked.
    EXPECT_FALSE(router.update(1).enabled);
    EXPECT_FALSE(router.execute(1));
    EXPECT_TRUE(router.execute(2));
    EXPECT_TRUE(router.execute(3));
    EXPECT_EQ(mainFrame.ran, std::vector<uint32_t>{2});
    EXPECT_EQ(application.ran, std::vector<uint32_t>{3});
    EXPECT_TRUE(view.ran.empty());
    // No target knows 4: disabled, and nothing runs.
    EXPECT_FALSE(router.update(4).enabled);
    EXPECT_FALSE(router.execute(4));

    // The active view is asked for when the command comes.
    RecordingTarget other;
    other.handled = {{2, true}};
    RecordingTarget* active = &view;
    router.setLink(CommandRouter::Link::activeView, [&] { return active; });
    active = &other;
    EXPECT_TRUE(router.execute(2));
    EXPECT_EQ(other.ran, std::vector<uint32_t>{2});
}

class CommandActionsTest : public testing::Test {
protected:
    static constexpr uint32_t kCut = 57635, kPaste = 57637, kLoop = 32800;

    void SetUp() override
    {
        target.handled = {{kCut, true}, {kPaste, true}, {kLoop, true}};
        router.setTarget(CommandRouter::Link::mainFrame, &target);
        const CommandActions::Row rows[] = {{kCut, "Cu&t", QKeySequence("Ctrl+X"), {}, false},
                                            {kPaste, "&Paste", QKeySequence("Ctrl+V"), {}, false},
                                            {kLoop, "&Loop", {}, {}, true}};
        actions.add(rows);
        const MenuEntry edit[] = {{kCut, "Cu&t\tCtrl+X", {}}, {0, "", {}}, {kPaste, "&Paste\tCtrl+V", {}}};
        menu = window.menuBar()->addMenu("&Edit");
        actions.fillMenu(menu, edit);
        const uint32_t bar[] = {kCut, 0, kPaste, kLoop};
        toolBar = window.addToolBar("Edit");
        actions.fillToolBar(toolBar, bar);
        actions.addShortcutsTo(&window);
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    RecordingTarget target;
    CommandRouter router;
    CommandActions actions{router};
    QMainWindow window;
    QMenu* menu = nullptr;
    QToolBar* toolBar = nullptr;
};

TEST_F(CommandActionsTest, ADisabledCommandRunsFromNoMenuToolbarOrKey)
{
    // Disabled after the last update pass: whatever reaches the action, nothing runs.
    target.handled[kPaste] = false;
    QAction* paste = actions.find(kPaste);
    ASSERT_NE(paste, nullptr);
    paste->setEnabled(true);  // a stale state, as between two passes
    paste->trigger();
    EXPECT_TRUE(target.ran.empty());
    EXPECT_FALSE(paste->isEnabled());

    QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
    auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(paste));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    emit menu->aboutToShow();
    EXPECT_FALSE(paste->isEnabled());
    EXPECT_TRUE(target.ran.empty());

    // Enabled, the same command runs once from each.
    target.handled[kPaste] = true;
    actions.updateAll();
    QTest::keyClick(&window, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(button, Qt::LeftButton);
    menu->actions().last()->trigger();
    EXPECT_EQ(target.ran, (std::vector<uint32_t>{kPaste, kPaste, kPaste}));
}

TEST_F(CommandActionsTest, OneActionPerIdSharedByMenuAndToolbarWithUpdatedStates)
{
    QAction* cut = actions.find(kCut);
    EXPECT_EQ(menu->actions().first(), cut);
    EXPECT_EQ(toolBar->actions().first(), cut);
    EXPECT_EQ(cut->text(), "Cu&t");
    EXPECT_EQ(cut->shortcut(), QKeySequence("Ctrl+X"));

    target.checked = true;
    target.handled[kCut] = false;
    emit menu->aboutToShow();
    EXPECT_FALSE(cut->isEnabled());
    // The loop is not in the menu: the menu's pass leaves it; the idle pass takes it.
    EXPECT_FALSE(actions.find(kLoop)->isChecked());
    const int passes = actions.updatePassCount();
    actions.requestUpdate();
    actions.requestUpdate();
    test::deliverPosted();
    QCoreApplication::processEvents();
    EXPECT_EQ(actions.updatePassCount(), passes + 1);
    EXPECT_TRUE(actions.find(kLoop)->isChecked());
}

TEST_F(CommandActionsTest, PromptAndTipComeFromTheStringTable)
{
    const Resources::Entry table[] = {{40001, "Plays the piece from the start\nPlay from start"}};
    const Resources::Registration strings(Resources::programModule(), table);
    QAction* play = actions.action(40001);
    EXPECT_EQ(play->statusTip(), "Plays the piece from the start");
    EXPECT_EQ(play->toolTip(), "Play from start");
}

}  // namespace
}  // namespace plat::ui
