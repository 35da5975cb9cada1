#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/window/Menu.h"

#include <QMenuBar>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

std::unique_ptr<Menu> fileEditMenu()
{
    auto menu = std::make_unique<Menu>();
    Menu& file = menu->appendSubMenu("&File");
    file.appendItem(16, "Open &Wave...");
    file.appendItem(17, "C&lose Wave");
    file.appendItem(66, "E&xit");
    Menu& edit = menu->appendSubMenu("&Edit");
    edit.appendItem(80, "&Wave Editor...");
    return menu;
}

TEST(MenuTest, ItemsAreFoundChangedAndRemovedByCommandId)
{
    std::unique_ptr<Menu> menu = fileEditMenu();
    EXPECT_EQ(menu->commandIds(), (std::vector<uint32_t>{16, 17, 66, 80}));
    EXPECT_TRUE(menu->insertItem(66, 24, "Initialize &CD"));
    EXPECT_TRUE(menu->insertSeparator(66));
    EXPECT_TRUE(menu->deleteItem(17));
    EXPECT_FALSE(menu->deleteItem(17));
    EXPECT_FALSE(menu->insertItem(99, 1, "nowhere"));
    EXPECT_EQ(menu->commandIds(), (std::vector<uint32_t>{16, 24, 66, 80}));

    EXPECT_TRUE(menu->checkItem(80, true));
    EXPECT_TRUE(menu->isChecked(80));
    EXPECT_TRUE(menu->enableItem(16, false));
    EXPECT_FALSE(menu->isEnabled(16));
    EXPECT_TRUE(menu->setItemText(66, "&Close Rack"));
    EXPECT_EQ(menu->itemText(66), "&Close Rack");
    EXPECT_FALSE(menu->checkItem(99, true));
    EXPECT_EQ(menu->itemText(99), "");
}

TEST(MenuTest, AMenuBarSendsCommandsAndPushesTheClientAreaDown)
{
    test::RecordingClass cls("RecTestMenu");
    Window* frame = Window::create(cls.name(), "frame", 0, QRect(0, 0, 300, 200), nullptr);
    ASSERT_NE(frame, nullptr);
    const QRect before = frame->clientRect();
    frame->setMenu(fileEditMenu());
    ASSERT_NE(frame->menu(), nullptr);
    ASSERT_NE(frame->menu()->bar(), nullptr);
    const int barHeight = frame->menu()->bar()->sizeHint().height();
    EXPECT_GT(barHeight, 0);
    EXPECT_EQ(frame->clientRect(), QRect(0, 0, before.width(), before.height() - barHeight));
    EXPECT_EQ(frame->image().height(), before.height() - barHeight);

    cls.received.clear();
    EXPECT_TRUE(frame->menu()->trigger(80));
    frame->menu()->enableItem(16, false);
    EXPECT_FALSE(frame->menu()->trigger(16));
    EXPECT_EQ(cls.of(kCommandMessage), (std::vector<test::Received>{{frame, kCommandMessage, 80, 0}}));

    // The bar follows items added and removed at its own level.
    frame->menu()->appendSubMenu("&Help").appendItem(145, "&About...");
    EXPECT_EQ(frame->menu()->bar()->actions().size(), 3);
    frame->setMenu(nullptr);
    EXPECT_EQ(frame->clientRect(), before);
}

}  // namespace
}  // namespace plat::ui
