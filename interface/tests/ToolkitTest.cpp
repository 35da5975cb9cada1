#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCMarquee.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/core/ColorWellButton.h"
#include "interface/core/InterfaceImages.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCPaths.h"
#include "interface/core/TipDialog.h"
#include "platform/core/Profile.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/ImageResources.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// A window that records the notices of its controls.
class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    std::vector<std::pair<int, int>> notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

// Every character 10 pixels wide makes the marquee's arithmetic easy to follow.
QFont monospace()
{
    QFont font("DejaVu Sans Mono");
    font.setPixelSize(16);
    return font;
}

class MarqueeTest : public testing::Test {
protected:
    MCMarquee marquee;
    int charWidth = 0;
    std::vector<std::string> events;

    void SetUp() override
    {
        marquee.resize(100, 20);
        marquee.SetFont(monospace());
        charWidth = QFontMetrics(monospace()).horizontalAdvance('M');
        marquee.SetTextStartHandler([this] { events.push_back("start"); });
        marquee.SetGapEndedHandler([this] { events.push_back("gap"); });
    }
};

TEST_F(MarqueeTest, TextEntersOnTheRightAndLeavesOnTheLeftOnePixelATick)
{
    marquee.SetText("AB");
    marquee.SetGapFraction(0.5);
    marquee.StartScrolling(true);
    ASSERT_TRUE(marquee.IsScrolling());
    EXPECT_EQ(marquee.ShownRight(), 100);
    marquee.OnScrollMarquee();
    // The right edge was reached: "A" came in at once.
    EXPECT_EQ(marquee.ShownText(), "A");
    EXPECT_EQ(marquee.ShownLeft(), 99);
    EXPECT_EQ(marquee.ShownRight(), 99 + charWidth);
    EXPECT_EQ(events, std::vector<std::string>{"start"});
    const int left = marquee.ShownLeft();
    marquee.OnScrollMarquee();
    EXPECT_EQ(marquee.ShownLeft(), left - 1);
    // After the last character, a gap of half the width.
    while (marquee.ShownText().size() < 2)
        marquee.OnScrollMarquee();
    EXPECT_EQ(marquee.ShownText(), "AB");
    EXPECT_EQ(marquee.GapRemaining(), 50);
    // The gap runs out in blanks, then the text starts again.
    int ticks = 0;
    while (events.size() < 3 && ticks < 1000) {
        marquee.OnScrollMarquee();
        ++ticks;
    }
    EXPECT_EQ(events, (std::vector<std::string>{"start", "gap", "start"}));
    const std::string shown = marquee.ShownText();
    EXPECT_EQ(shown.substr(shown.size() - 1), "A");
    EXPECT_NE(shown.find(' '), std::string::npos);
    // What scrolled out on the left is gone.
    for (int i = 0; i < 200; ++i)
        marquee.OnScrollMarquee();
    EXPECT_GE(marquee.ShownLeft() + charWidth, 0);
    EXPECT_LE(int(marquee.ShownText().size()) * charWidth, 100 + 2 * charWidth);
}

TEST_F(MarqueeTest, AnEmptyTextScrollsBlanksAndALargerStepMovesFaster)
{
    marquee.SetScrollDelta(3);
    EXPECT_EQ(marquee.GetScrollDelta(), 3);
    marquee.StartScrolling(true);
    for (int i = 0; i < 40; ++i)
        marquee.OnScrollMarquee();
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(marquee.ShownText().find_first_not_of(' '), std::string::npos);
    EXPECT_FALSE(marquee.ShownText().empty());
    const int left = marquee.ShownLeft(), right = marquee.ShownRight();
    marquee.OnScrollMarquee();
    EXPECT_TRUE(marquee.ShownRight() == right - 3 || marquee.ShownRight() == right - 3 + charWidth);
    EXPECT_TRUE(marquee.ShownLeft() == left - 3 || marquee.ShownLeft() == left - 3 + charWidth);
}

TEST_F(MarqueeTest, ARunningMarqueeOverABitmapStrip)
{
    const plat::ui::ImageResources::Entry strip[] = {{"STRIP", [](int scale) {
        return InterfaceImages::Paint(300, 24, scale, false, [](QPainter& painter) {
            QLinearGradient gradient(0, 0, 300, 0);
            gradient.setColorAt(0, QColor(20, 40, 90));
            gradient.setColorAt(1, QColor(60, 110, 170));
            painter.fillRect(QRect(0, 0, 300, 24), gradient);
            painter.setPen(QColor(90, 140, 200));
            for (int x = 0; x < 300; x += 12)
                painter.drawLine(x, 23, x + 10, 23);
        });
    }}};
    const plat::ui::ImageResources::Registration images("MarqueeTest", strip);
    const plat::Resources::ModuleSwitch module("MarqueeTest");
    MCBitmap background;
    ASSERT_EQ(background.Create("STRIP", 1), 1);
    marquee.resize(300, 24);
    marquee.SetBackground(&background, QRect(0, 0, 300, 24));
    marquee.SetColors(0xFFFFFF, 0);
    marquee.SetText("Quavix: compose, play and record music.");
    // Stopped, a marquee with a background paints nothing of its own.
    marquee.show();
    marquee.StartScrolling(true);
    for (int i = 0; i < 220; ++i)
        marquee.OnScrollMarquee();
    const QImage shot = marquee.grab().toImage();
    EXPECT_FALSE(widgettest::saveScreenshot(marquee, "marquee-running").empty());
    // The background shows where there is no text, the text in white somewhere.
    EXPECT_EQ(QColor(shot.pixel(shot.width() - 2, 2)).blue() > 100, true);
    bool white = false;
    for (int x = 0; x < shot.width() && !white; ++x)
        for (int y = 0; y < shot.height() && !white; ++y)
            white = qRed(shot.pixel(x, y)) > 240 && qGreen(shot.pixel(x, y)) > 240;
    EXPECT_TRUE(white);
    marquee.StartScrolling(false);
}

TEST(MenuButtonTest, TheMenuDropsWhereAskedAndThePickReachesTheWindow)
{
    NoticeWindow window;
    auto* button = new MCMenuButton(&window);
    plat::ui::setItemId(button, 1300);
    button->setGeometry(10, 20, 30, 16);
    QMenu menu;
    menu.addAction("&Major")->setData(1301);
    menu.addAction("&Minor")->setData(1302);
    menu.addAction("No command");
    button->SetMenu(&menu);
    window.show();

    std::vector<QPoint> shownAt;
    QAction* pick = menu.actions()[1];
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&](QMenu&, const QPoint& at) {
        shownAt.push_back(at);
        return pick;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    const QPoint origin = button->mapToGlobal(QPoint(0, 0));
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::processEvents();
    button->SetDropDirection(1);
    pick = menu.actions()[2];
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_EQ(shownAt.size(), 2u);
    EXPECT_EQ(shownAt[0], origin + QPoint(0, 16));
    EXPECT_EQ(shownAt[1], origin + QPoint(30, 0));
    EXPECT_EQ(window.notices, (std::vector<std::pair<int, int>>{{1302, 0}}));
    EXPECT_TRUE(button->IsDrawnUp());
}

TEST(MenuButtonTest, TheClickThatClosesTheMenuOverTheButtonDoesNotOpenItAgain)
{
    NoticeWindow window;
    auto* button = new MCMenuButton(&window);
    button->resize(30, 16);
    QMenu menu;
    menu.addAction("&One")->setData(1);
    button->SetMenu(&menu);
    window.show();
    int shown = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.popupMenu = [&](QMenu&, const QPoint&) -> QAction* {
        ++shown;
        // The user clicks the button while the menu is open: the menu closes, and the press
        // waits in the queue.
        const QPoint centre = button->rect().center();
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, centre,
                                                            button->mapToGlobal(centre), Qt::LeftButton,
                                                            Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, centre,
                                                            button->mapToGlobal(centre), Qt::LeftButton,
                                                            Qt::NoButton, Qt::NoModifier));
        return nullptr;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    QTest::mouseClick(button, Qt::LeftButton);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, 1);
    // A later click opens it again.
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(shown, 2);
    EXPECT_TRUE(window.notices.empty());
}

std::string writeTips(const std::string& folder, const std::string& text)
{
    const std::string path = folder + "/Music.tip";
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(TipFileTest, ParagraphsAreTipsAndBadFilesAreRefused)
{
    const widgettest::ProfileFolder folder;
    TipFile tips;
    tips.Parse("# comment\n\nFirst tip\non two lines.\n\n\n  Second tip.  \r\n# note\nstill second\n");
    ASSERT_EQ(tips.Count(), 2u);
    EXPECT_EQ(tips.Tip(1), "First tip on two lines.");
    EXPECT_EQ(tips.Tip(2), "Second tip. still second");
    EXPECT_EQ(tips.Tip(3), tips.Tip(1));
    EXPECT_EQ(tips.Normalize(0), 1);
    EXPECT_EQ(tips.Normalize(-4), 1);
    EXPECT_EQ(tips.Normalize(4), 2);

    tips.Parse(std::string(3000, 'x') + "\n\nBad \xFF byte\n");
    EXPECT_EQ(QString::fromStdString(tips.Tip(1)).size(), 2000);
    EXPECT_EQ(tips.Tip(2), "Bad \xEF\xBF\xBD byte");

    std::string many;
    for (int i = 0; i < 1200; ++i)
        many += "Tip\n\n";
    tips.Parse(many);
    EXPECT_EQ(tips.Count(), TipFile::kMaxTips);

    EXPECT_FALSE(tips.Load(folder.path() + "/missing.tip"));
    EXPECT_NE(tips.Error().find("not found"), std::string::npos);
    EXPECT_FALSE(tips.Load(folder.path()));
    EXPECT_FALSE(tips.Load(writeTips(folder.path(), "# nothing but comments\n")));
    EXPECT_NE(tips.Error().find("no tips"), std::string::npos);
    EXPECT_FALSE(tips.Load(writeTips(folder.path(), std::string(TipFile::kMaxFileSize + 1, 'x'))));
    EXPECT_NE(tips.Error().find("too large"), std::string::npos);
    // Our own tips beside the program load.
    EXPECT_TRUE(tips.Load(MCGetAppPath("Music.tip"))) << tips.Error();
    EXPECT_GE(tips.Count(), 10u);
}

TEST(TipDialogTest, TheCallerReadsTheFlagAndTheNumberAndSavesTheNext)
{
    const widgettest::ProfileFolder folder;
    plat::Profile& profile = plat::Profile::instance();
    const std::string path = writeTips(folder.path(), "One.\n\nTwo.\n\nThree.\n");
    profile.setInt("Settings\\Tips", "TipNumber", 3);
    TipDialog dialog(path, profile.getInt("Settings\\Tips", "TipNumber").value_or(1), true);
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [](QDialog& shown) {
        auto* box = shown.findChild<QCheckBox*>();
        box->setChecked(false);
        for (QPushButton* button : shown.findChildren<QPushButton*>())
            if (button->text() == "&Next Tip")
                button->click();
        return int(QDialog::Accepted);
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    EXPECT_EQ(dialog.GetTipNumber(), 3);
    plat::ui::ModalHooks::runDialog(dialog);
    EXPECT_FALSE(dialog.GetShowAtStartUp());
    EXPECT_EQ(dialog.GetTipNumber(), 1);  // past the last, back to the first
    profile.setInt("Settings\\Tips", "ShowStartUp", dialog.GetShowAtStartUp() ? 1 : 0);
    profile.setInt("Settings\\Tips", "TipNumber", dialog.GetTipNumber() + 1);
    const TipDialog next(path, profile.getInt("Settings\\Tips", "TipNumber").value_or(1), true);
    EXPECT_EQ(next.GetTipNumber(), 2);
}

TEST(TipDialogTest, OurOwnTipsShown)
{
    TipDialog dialog(MCGetAppPath("Music.tip"), 1, true);
    dialog.show();
    ASSERT_GE(dialog.Tips().Count(), 1u);
    bool found = false;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        found = found || label->text().toStdString() == dialog.Tips().Tip(1);
    EXPECT_TRUE(found);
    EXPECT_FALSE(widgettest::saveScreenshot(dialog, "tip-of-the-day").empty());
}

TEST(ColorWellTest, AChosenColourIsShownAndReported)
{
    NoticeWindow page;
    auto* layout = new QVBoxLayout(&page);
    auto* placeholder = new QPushButton("colour", &page);
    plat::ui::setItemId(placeholder, 1420);
    layout->addWidget(placeholder);
    auto* well = new ColorWellButton;
    ASSERT_TRUE(well->Attach(&page, 1420));
    EXPECT_EQ(plat::ui::itemWidget(&page, 1420), well);
    well->SetColor(0x123456);
    std::vector<plat::ui::ColorRef> changes;
    well->SetChangeHandler([&](plat::ui::ColorRef colour) { changes.push_back(colour); });
    page.show();

    std::optional<plat::ui::ColorRef> answer = 0x0000FF;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.chooseColor = [&](plat::ui::ColorRef initial, QWidget*) {
        EXPECT_EQ(initial, well->GetColor());
        return answer;
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    QTest::mouseClick(well, Qt::LeftButton);
    EXPECT_EQ(well->GetColor(), 0x0000FFu);
    // The same colour again, or a cancelled chooser, is no change.
    QTest::mouseClick(well, Qt::LeftButton);
    answer = std::nullopt;
    QTest::keyClick(well, Qt::Key_Space);
    EXPECT_EQ(changes, std::vector<plat::ui::ColorRef>{0x0000FF});
    EXPECT_EQ(page.notices, (std::vector<std::pair<int, int>>{{1420, 0}}));
    const QImage shot = well->grab().toImage();
    const QPoint centre = shot.rect().center();
    EXPECT_EQ(shot.pixel(centre), qRgb(255, 0, 0));
}

}  // namespace
