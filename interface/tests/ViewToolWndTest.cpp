#include "interface/tests/WidgetTestSupport.h"

#include "interface/views/MCDialogBar.h"
#include "interface/views/MCToolWnd.h"
#include "interface/views/ToolTipProtocol.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/core/Trace.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAction>
#include <QMainWindow>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

const std::string kLong(80, 'x');
const std::string kJustShort(79, 'y');
const plat::Resources::Entry kStrings[] = {
    {5001, "Plays the piece\nPlay"},
    {5002, "Tempo"},
    {5003, kLong},
    {5004, kJustShort},
    {5005, "First\nSecond\nThird"},
    {5006, "Prompt only\n"},
    {5100, "Tools"},
};

class ToolStrings {
public:
    ToolStrings() : m_registration("ViewToolTest", kStrings), m_switch("ViewToolTest") {}

private:
    plat::Resources::Registration m_registration;
    plat::Resources::ModuleSwitch m_switch;
};

TEST(ViewToolTipTest, TheTipIsTheTextAfterTheFirstNewlineAndShorterThan80)
{
    ToolStrings strings;
    struct Case {
        int id;
        std::optional<std::string> want;
    };
    const Case cases[] = {
        {5001, "Play"}, {5002, "Tempo"},          {5003, std::nullopt}, {5004, kJustShort},
        {5005, "Second\nThird"}, {5006, ""}, {5999, std::nullopt}, {0, std::nullopt},
    };
    std::vector<std::string> traced;
    const plat::TraceSink previous = plat::setTraceSink([&](std::string_view line) { traced.emplace_back(line); });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(tooltips::ToolTipText(c.id), c.want);
    }
    plat::setTraceSink(previous);
    // The two refusals say why; id 0 is no tool at all.
    EXPECT_EQ(traced, (std::vector<std::string>{"Tooltip for string ID 5003 too long -- must be 80 chars",
                                                "Tool string for ID 5999 not found"}));
}

TEST(ViewToolTipTest, StaticsAndHiddenControlsAreNeverHit)
{
    QWidget window;
    window.resize(200, 100);
    auto* label = new QLabel("Tempo", &window);
    label->setGeometry(0, 0, 100, 50);
    plat::ui::setItemId(label, tooltips::kStaticId);
    auto* button = new QPushButton("Play", &window);
    button->setGeometry(100, 0, 100, 50);
    plat::ui::setItemId(button, 5001);
    auto* edit = new QLineEdit(&window);
    edit->setGeometry(0, 50, 100, 50);
    plat::ui::setItemId(edit, 0x15002);  // only the low 16 bits count
    auto* hidden = new QLineEdit(&window);
    hidden->setGeometry(100, 50, 100, 50);
    plat::ui::setItemId(hidden, 5004);
    auto* over = new QPushButton("Over", &window);  // created last: above the edit
    over->setGeometry(80, 80, 20, 20);
    plat::ui::setItemId(over, 5006);
    window.show();
    hidden->hide();

    tooltips::ToolInfo info;
    EXPECT_EQ(tooltips::ToolHitTest(&window, QPoint(10, 10), &info), -1);
    EXPECT_EQ(tooltips::ToolHitTest(&window, QPoint(150, 70), &info), -1);
    EXPECT_EQ(tooltips::ToolHitTest(&window, QPoint(150, 10), &info), 5001);
    EXPECT_EQ(info.tool, button);
    EXPECT_FALSE(info.notButton);
    EXPECT_EQ(tooltips::ToolHitTest(&window, QPoint(10, 60), &info), 0x5002);
    EXPECT_EQ(info.tool, edit);
    EXPECT_TRUE(info.notButton);
    EXPECT_EQ(tooltips::ToolHitTest(&window, QPoint(90, 90), nullptr), 5006);
}

class ViewToolWindowTest : public testing::Test {
protected:
    widgettest::ProfileFolder profile;
    ToolStrings strings;
};

TEST_F(ViewToolWindowTest, TheDefaultPositionIsTheStoredOneOrInsideTheOwnersTopRightCorner)
{
    QWidget owner;
    owner.setGeometry(1500, 40, 400, 300);
    owner.show();
    MCToolWnd tool(&owner);
    tool.resize(120, 90);
    const QRect frame = owner.frameGeometry();
    const QPoint corner(frame.x() + frame.width() - MCToolWnd::kFrameWidth - tool.frameGeometry().width() -
                            MCToolWnd::kEdge,
                        frame.y() + MCToolWnd::kEdge);
    EXPECT_EQ(tool.GetDefaultPosition("Tool"), corner);
    SaveIntPreference("Tool", "x", 300);  // "y" missing
    EXPECT_EQ(tool.GetDefaultPosition("Tool"), corner);
    SaveIntPreference("Tool", "y", -1);
    EXPECT_EQ(tool.GetDefaultPosition("Tool"), corner);
    SaveIntPreference("Tool", "y", 200);
    EXPECT_EQ(tool.GetDefaultPosition("Tool"), QPoint(300, 200));

    MCToolWnd orphan;
    EXPECT_EQ(orphan.GetDefaultPosition("Other"), QPoint(0, 0));

    // Stored positions beyond any screen are held to the screen's coordinates.
    constexpr int limit = kScreenCoordinateLimit;
    const struct {
        int x, y;
        QPoint expected;
    } hostile[] = {
        {INT_MAX, INT_MAX, {limit, limit}},
        {INT_MIN, INT_MIN, {-limit, -limit}},
        {INT_MAX, 10, {limit, 10}},
    };
    for (const auto& c : hostile) {
        SaveIntPreference("Tool", "x", c.x);
        SaveIntPreference("Tool", "y", c.y);
        EXPECT_EQ(tool.GetDefaultPosition("Tool"), c.expected) << c.x << "," << c.y;
    }
}

TEST_F(ViewToolWindowTest, FloatsWhereItWasSavedAndCaptionsItselfFromItsString)
{
    QWidget frame;
    frame.setGeometry(100, 100, 600, 400);
    frame.show();
    {
        MCToolWnd tool(&frame);
        ASSERT_TRUE(tool.InitToolLayout(&frame, 5100));
        EXPECT_EQ(tool.windowTitle(), "Tools");
        EXPECT_TRUE(tool.isWindow());
        EXPECT_TRUE(tool.isFloating());
        EXPECT_FALSE(tool.isVisible());
        EXPECT_EQ(tool.CalcFixedLayout(true, true), QSize(100, 100));
        tool.LoadPrefs("Tool");
        EXPECT_TRUE(tool.isVisible());
        tool.move(250, 260);
        tool.SavePrefs("Tool");
        tool.setParent(nullptr);
    }
    EXPECT_EQ(LoadIntPreference("Tool", "x", -1), 250);
    EXPECT_EQ(LoadIntPreference("Tool", "y", -1), 260);

    MCToolWnd again(&frame);
    again.InitToolLayout(&frame, 5100);
    again.LoadPrefs("Tool");
    EXPECT_EQ(again.frameGeometry().topLeft(), QPoint(250, 260));
    again.setParent(nullptr);

    MCToolWnd loose(&frame);  // no parent: stays as it is
    loose.LoadPrefs("Tool");
    EXPECT_FALSE(loose.isVisible());
}

TEST_F(ViewToolWindowTest, DocksOnlyInTheAreasItAllows)
{
    QMainWindow frame;
    frame.setCentralWidget(new QWidget);
    frame.resize(800, 600);
    frame.show();

    // A floating tool (the inspector, the palette): no area takes it, and put back by its
    // caption it floats again.
    auto* floating = new MCToolWnd(&frame);
    ASSERT_TRUE(floating->InitToolLayout(&frame, 5100));
    floating->LoadPrefs("Floating");
    EXPECT_EQ(floating->GetDockingAreas(), Qt::NoDockWidgetArea);
    for (Qt::DockWidgetArea area : {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea, Qt::TopDockWidgetArea,
                                    Qt::BottomDockWidgetArea})
        EXPECT_FALSE(floating->DockControlBar(area)) << area;
    EXPECT_TRUE(floating->isFloating());
    EXPECT_EQ(floating->DockedArea(), Qt::NoDockWidgetArea);
    floating->setFloating(false);
    EXPECT_TRUE(floating->isFloating());
    EXPECT_EQ(frame.dockWidgetArea(floating), Qt::RightDockWidgetArea) << "known to the frame among its docks";

    // The mixer's kind: the bottom only.
    auto* bottom = new MCToolWnd(&frame);
    ASSERT_TRUE(bottom->InitToolLayout(&frame, 5100));
    bottom->EnableDocking(Qt::BottomDockWidgetArea);
    EXPECT_FALSE(bottom->DockControlBar(Qt::TopDockWidgetArea));
    EXPECT_TRUE(bottom->isFloating());
    EXPECT_TRUE(bottom->DockControlBar(Qt::BottomDockWidgetArea));
    bottom->show();
    EXPECT_FALSE(bottom->isFloating());
    EXPECT_EQ(bottom->DockedArea(), Qt::BottomDockWidgetArea);
    EXPECT_FALSE(bottom->isWindow());
    EXPECT_GT(bottom->y(), frame.centralWidget()->y()) << "below the frame's client";
    // Docked it has no floating position to keep.
    bottom->SavePrefs("Bottom");
    EXPECT_EQ(LoadIntPreference("Bottom", "x", -1), -1);
    // Its area taken away, it floats.
    bottom->EnableDocking(Qt::TopDockWidgetArea);
    EXPECT_TRUE(bottom->isFloating());
}

TEST_F(ViewToolWindowTest, ItsSizeIsTheLayoutItAsksForWhereItLies)
{
    class Strip : public MCToolWnd {
    public:
        QSize CalcDynamicLayout(int length, unsigned mode) const override
        {
            modes.push_back(mode);
            return (mode & LM_HORZDOCK) ? QSize(length, 90) : QSize(300, 90);
        }
        mutable std::vector<unsigned> modes;
    };
    QMainWindow frame;
    frame.setCentralWidget(new QWidget);
    auto* strip = new Strip;
    strip->InitToolLayout(&frame, 5100);
    strip->EnableDocking(Qt::BottomDockWidgetArea);
    EXPECT_EQ(strip->Body()->sizeHint(), QSize(300, 90));
    EXPECT_TRUE(strip->modes.back() & MCToolWnd::LM_MRUWIDTH) << "floating";
    strip->DockControlBar(Qt::BottomDockWidgetArea);
    strip->Body()->sizeHint();
    EXPECT_EQ(strip->modes.back(), unsigned(MCToolWnd::LM_HORZ | MCToolWnd::LM_HORZDOCK));
}

TEST_F(ViewToolWindowTest, HelpShowsTheStatusTextOfItsContext)
{
    std::vector<std::string> shown;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.help = [&](const std::string& context) { shown.push_back(context); };
    plat::ui::ModalHooks::Scoped scope(hooks);
    QWidget frame;
    MCToolWnd tool(&frame);
    EXPECT_EQ(tool.OnHelpHitTest(), 0u) << "no id, no context";
    EXPECT_EQ(tool.OnCommandHelp(0), 0);
    EXPECT_TRUE(shown.empty());
    tool.InitToolLayout(&frame, 5001);
    EXPECT_EQ(tool.OnHelpHitTest(), 5001u + 0x20000u);
    EXPECT_EQ(tool.OnCommandHelp(0), 1);
    EXPECT_EQ(tool.OnCommandHelp(5005 + 0x20000), 1) << "a context the request names";
    // F1 asks for the window's own.
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(&tool, &f1);
    EXPECT_EQ(shown, (std::vector<std::string>{"Plays the piece", "First", "Plays the piece"}));
    // A context without a string shows the caption.
    plat::ui::setItemId(&tool, 5999);
    tool.setWindowTitle("Mixer");
    tool.OnCommandHelp(0);
    EXPECT_EQ(shown.back(), "Mixer");
    tool.setParent(nullptr);
}

TEST_F(ViewToolWindowTest, TipsAreFoundOnTheBody)
{
    QWidget frame;
    MCToolWnd tool(&frame);
    tool.InitToolLayout(&frame, 5100);
    tool.resize(300, 200);
    tool.show();
    auto* button = new QPushButton("Play", tool.Body());
    plat::ui::setItemId(button, 5001);
    button->setGeometry(10, 10, 80, 24);
    button->show();
    const QPoint at = button->mapTo(&tool, QPoint(5, 5));
    QHelpEvent help(QEvent::ToolTip, at, tool.mapToGlobal(at));
    QApplication::sendEvent(&tool, &help);
    EXPECT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(QToolTip::text(), "Play");
    QToolTip::hideText();
    tool.setParent(nullptr);
}

class KeyLog : public QWidget {
public:
    std::vector<int> keys;

protected:
    void keyPressEvent(QKeyEvent* event) override { keys.push_back(event->key() | event->modifiers().toInt()); }
};

TEST_F(ViewToolWindowTest, SystemKeysGoToTheOwnerButAltAloneStays)
{
    KeyLog owner;
    owner.setFocusPolicy(Qt::StrongFocus);
    MCToolWnd tool(&owner);
    auto press = [](QWidget* to, int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(to, &event);
    };
    press(&tool, Qt::Key_Alt, Qt::AltModifier);
    EXPECT_TRUE(owner.keys.empty());
    press(&tool, Qt::Key_F, Qt::AltModifier);
    press(&tool, Qt::Key_X, Qt::NoModifier);
    EXPECT_EQ(owner.keys, std::vector<int>{int(Qt::Key_F) | int(Qt::AltModifier)});

    MCToolWnd orphan;  // no owner: nothing to hand it to, and nothing breaks
    press(&orphan, Qt::Key_F, Qt::AltModifier);
}

TEST_F(ViewToolWindowTest, TheFramesShortcutsActFirst)
{
    QWidget frame;
    auto* play = new QAction("Play", &frame);
    play->setShortcut(QKeySequence(Qt::Key_Space));
    auto* menu = new QAction("File", &frame);
    menu->setShortcut(QKeySequence(Qt::ALT | Qt::Key_F));
    int played = 0, opened = 0;
    QObject::connect(play, &QAction::triggered, [&] { ++played; });
    QObject::connect(menu, &QAction::triggered, [&] { ++opened; });
    KeyLog owner;
    MCToolWnd tool(&owner);
    tool.InitToolLayout(&frame, 5100);
    auto press = [&](int key, Qt::KeyboardModifiers modifiers) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(&tool, &event);
    };
    press(Qt::Key_Space, Qt::NoModifier);
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(played, 1);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(owner.keys.empty());  // taken by the shortcut, not passed on
    menu->setEnabled(false);
    press(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(owner.keys.size(), 1u);
    tool.setParent(nullptr);
}

TEST_F(ViewToolWindowTest, ADialogBarKeepsItsSizeAndCaptionsItselfFromItsString)
{
    class PlayBar : public MCDialogBar {
    public:
        void InitBar() override
        {
            m_sizeDefault = QSize(240, 32);
            auto* button = new QPushButton("Play", this);
            plat::ui::setItemId(button, 5001);
            button->hide();
            filled = true;
        }
        bool filled = false;
    };
    QWidget frame;
    PlayBar bar;
    ASSERT_TRUE(bar.Create(&frame, 5100));
    EXPECT_TRUE(bar.filled);
    EXPECT_EQ(bar.parentWidget(), &frame);
    EXPECT_EQ(bar.windowTitle(), "Tools");
    EXPECT_EQ(bar.CalcFixedLayout(true, true), QSize(240, 32));
    EXPECT_EQ(bar.CalcDynamicLayout(1000, 0), QSize(240, 32));
    EXPECT_EQ(bar.OnHelpHitTest(), 5100 + 0x20000);
    {
        // Help shows the status text of the bar's context, or of the one asked for.
        std::vector<std::string> shown;
        plat::ui::ModalHooks::Hooks hooks;
        hooks.help = [&](const std::string& context) { shown.push_back(context); };
        plat::ui::ModalHooks::Scoped scope(hooks);
        EXPECT_EQ(bar.OnCommandHelp(0), 1);
        EXPECT_EQ(bar.OnCommandHelp(5001 + 0x20000), 1);
        PlayBar bare;
        EXPECT_EQ(bare.OnCommandHelp(0), 0) << "a bar without an id has no context";
        EXPECT_EQ(shown, (std::vector<std::string>{"Tools", "Plays the piece"}));
    }
    frame.show();
    auto* button = plat::ui::item<QPushButton>(&bar, 5001);
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->isVisible());
    bar.ShowChildren(0);
    EXPECT_TRUE(button->isVisible());

    button->setGeometry(10, 4, 80, 24);
    auto tipAt = [&](QPoint at) {
        QHelpEvent help(QEvent::ToolTip, at, bar.mapToGlobal(at));
        QApplication::sendEvent(&bar, &help);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(tipAt(QPoint(20, 10)), "Play");
    EXPECT_FALSE(tooltips::ShowToolTip(&bar, QPoint(200, 10), bar.mapToGlobal(QPoint(200, 10))));
    widgettest::saveScreenshot(bar, "ViewDialogBar");
}

}  // namespace
