#include "app/core/CDialogToolTips.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"

#include <QApplication>
#include <QDialog>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QToolTip>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr int kPrompted = 64001, kPlain = 64002, kTooLong = 64003, kWithoutText = 64004, kOwnTip = 64005;

const std::string kLong(80, 'x');
const plat::Resources::Entry kTexts[] = {
    {kPrompted, "Moves the time to the start of the piece\nGo to the start"},
    {kPlain, "Toggle advanced settings"},
    {kTooLong, kLong},
    {kOwnTip, "From the string table"},
};

class DialogToolTipsTest : public ::testing::Test {
protected:
    plat::Resources::Registration m_strings{"DialogToolTipsTest", kTexts};
    plat::Resources::ModuleSwitch m_module{"DialogToolTipsTest"};
};

TEST_F(DialogToolTipsTest, TheTipIsTheTextAfterThePromptAndShortOnly)
{
    const struct {
        int id;
        const char* tip;
    } cases[] = {
        {kPrompted, "Go to the start"}, {kPlain, "Toggle advanced settings"}, {kTooLong, ""},
        {kWithoutText, ""},             {0, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CDialogToolTips::TextFor(c.id).toStdString(), c.tip) << c.id;
}

TEST_F(DialogToolTipsTest, TheDialogAnswersForTheControlUnderThePointer)
{
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* button = new QPushButton("Go", &dialog);
    plat::ui::setItemId(button, kPrompted);
    auto* edit = new QLineEdit(&dialog);
    plat::ui::setItemId(edit, kTooLong);
    auto* own = new QPushButton("Own", &dialog);
    plat::ui::setItemId(own, kOwnTip);
    own->setToolTip("Its own tip");
    layout->addWidget(button);
    layout->addWidget(edit);
    layout->addWidget(own);
    CDialogToolTips::Install(&dialog);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));

    // A hidden tip lingers for a moment, so the control without a tip goes first.
    const auto tipAt = [](QWidget* control) {
        const QPoint inside = control->rect().center();
        QHelpEvent help(QEvent::ToolTip, inside, control->mapToGlobal(inside));
        QApplication::sendEvent(control, &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };
    EXPECT_EQ(tipAt(edit), "");
    EXPECT_EQ(tipAt(own), "Its own tip");
    EXPECT_EQ(tipAt(button), "Go to the start");
}

}  // namespace
