#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace plat::ui {
namespace {

class Listener : public QWidget, public NoticeListener {
public:
    std::vector<std::pair<int, int>> notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

TEST(ControlNoticeTest, NoticesReachTheNearestListeningWindowAtOnceOrLater)
{
    Listener outer;
    auto* panel = new QWidget(&outer);
    auto* control = new QPushButton(panel);
    setItemId(control, 1234);
    EXPECT_TRUE(notifyParent(control, 0x30B0));
    EXPECT_TRUE(notifyParent(control, 77, 0));
    EXPECT_EQ(outer.notices, (std::vector<std::pair<int, int>>{{1234, 0x30B0}, {77, 0}}));

    postNotice(control, 0x30C0);
    EXPECT_EQ(outer.notices.size(), 2u);
    test::deliverPosted();
    EXPECT_EQ(outer.notices.back(), std::make_pair(1234, 0x30C0));
    // A control gone before its posted notice is delivered sends nothing.
    auto* brief = new QPushButton(panel);
    postNotice(brief, 1);
    delete brief;
    test::deliverPosted();
    EXPECT_EQ(outer.notices.size(), 3u);

    QWidget alone;
    EXPECT_FALSE(notifyParent(&alone, 0));
}

TEST(ItemIdTest, AControlTakesAnItemsPlaceIdAndAttributes)
{
    QWidget dialog;
    auto* layout = new QFormLayout(&dialog);
    auto* first = new QLineEdit;
    setItemId(first, 10);
    auto* placeholder = new QLineEdit;
    setItemId(placeholder, 11);
    placeholder->setToolTip("Bars to add");
    placeholder->setEnabled(false);
    setGroupStart(placeholder, true);
    layout->addRow("First", first);
    layout->addRow("&Count", placeholder);
    auto* control = new QPushButton;
    ASSERT_TRUE(attachToItem(&dialog, 11, control));
    EXPECT_EQ(itemWidget(&dialog, 11), control);
    EXPECT_EQ(item<QPushButton>(&dialog, 11), control);
    EXPECT_EQ(item<QLineEdit>(&dialog, 11), nullptr);
    EXPECT_EQ(control->toolTip(), "Bars to add");
    EXPECT_FALSE(control->isEnabled());
    EXPECT_TRUE(isGroupStart(control));
    EXPECT_EQ(layout->itemAt(1, QFormLayout::FieldRole)->widget(), control);
    // The row's label takes its mnemonic to the control.
    EXPECT_EQ(qobject_cast<QLabel*>(layout->itemAt(1, QFormLayout::LabelRole)->widget())->buddy(), control);
    EXPECT_FALSE(attachToItem(&dialog, 99, std::make_unique<QPushButton>().get()));
    EXPECT_EQ(itemId(nullptr), 0);
    EXPECT_EQ(itemWidget(&dialog, 0), nullptr);
}

}  // namespace
}  // namespace plat::ui
