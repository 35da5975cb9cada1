#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCCheckBox.h"
#include "interface/controls/MCFeedbackButton.h"
#include "interface/core/InterfaceImages.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCImageMgr.h"
#include "platform/core/Resources.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/resource/ImageResources.h"
#include "platform/ui/timer/UiTimers.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Notices = std::vector<std::pair<int, int>>;

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    Notices notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

// A transport button's face in state 0 (up), 1 (down), 2 (disabled) or 3 (a loop mark):
// magenta around a key-coloured face, so the transparent colour and the recolouring show.
QImage transportFace(int state, int size, int scale)
{
    return InterfaceImages::Paint(size, size, scale, true, [state, size](QPainter& painter) {
        painter.fillRect(QRect(0, 0, size, size), plat::ui::toQColor(InterfaceImages::kClearKey));
        const QRect face(1, 1, size - 2, size - 2);
        painter.fillRect(face, plat::ui::toQColor(state == 1 ? 0x404040 : 0xC8C8C8));
        painter.setPen(Qt::NoPen);
        painter.setBrush(state == 2 ? QColor(140, 140, 140) : state == 1 ? QColor(40, 200, 60) : QColor(20, 20, 20));
        const int m = size / 4;
        painter.drawPolygon(QPolygon({QPoint(m + 1, m), QPoint(size - m, size / 2), QPoint(m + 1, size - m)}));
        if (state == 3) {
            painter.setBrush(QColor(220, 60, 40));
            painter.drawRect(QRect(size - m - 2, 2, m, m));
        }
    });
}

class ButtonTest : public testing::Test {
protected:
    static const std::vector<plat::ui::ImageResources::Entry>& images()
    {
        static const std::vector<plat::ui::ImageResources::Entry> list = [] {
            std::vector<plat::ui::ImageResources::Entry> entries;
            for (int state = 0; state < 4; ++state)
                entries.push_back({"PLAY" + std::to_string(state), [state](int scale) { return transportFace(state, 20, scale); }});
            entries.push_back({"TWO0", [](int scale) { return transportFace(0, 12, scale); }});
            entries.push_back({"TWO1", [](int scale) { return transportFace(1, 16, scale); }});
            entries.push_back({"ONE0", [](int scale) { return transportFace(0, 10, scale); }});
            entries.push_back({"BIG0", [](int scale) { return transportFace(0, 40, scale); }});
            entries.push_back({plat::ui::ImageResources::imageName(15000), [](int scale) { return transportFace(0, 8, scale); }});
            entries.push_back({plat::ui::ImageResources::imageName(15001), [](int scale) { return transportFace(1, 8, scale); }});
            return entries;
        }();
        return list;
    }

    void SetUp() override
    {
        window.resize(200, 100);
        window.show();
    }
    void TearDown() override { MCImageMgr::GetImageMgr().RemoveImages(); }

    MCButton* button(const char* prefix, int style, int mode = MCBitmapButtonBase::HotTrack)
    {
        auto* b = new MCButton(&window);
        plat::ui::setItemId(b, 1200);
        b->LoadBitmaps(prefix);
        b->SetButtonStyle(style);
        b->SetButtonMode(mode);
        b->move(10, 10);
        b->show();
        return b;
    }

    static void press(QWidget* widget, QPoint at = QPoint(5, 5))
    {
        QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    static void move(QWidget* widget, QPoint at)
    {
        QMouseEvent event(QEvent::MouseMove, at, widget->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    static void release(QWidget* widget, QPoint at = QPoint(5, 5))
    {
        QMouseEvent event(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                          Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }

    const plat::ui::ImageResources::Registration registration{"ButtonTest", images()};
    const plat::Resources::ModuleSwitch module{"ButtonTest"};
    NoticeWindow window;
};

TEST(ButtonStatesTest, NextStateByStyle)
{
    struct Case {
        int style, state, count, next;
    };
    const Case cases[] = {
        {0, 0, 3, 1}, {0, 1, 3, 0}, {0, 2, 3, 0}, {1, 0, 2, 1}, {1, 1, 2, 0}, {3, 0, 2, 1}, {3, 1, 2, 0},
        {2, 0, 3, 1}, {2, 1, 3, 2}, {2, 2, 3, 0}, {2, 0, 1, 0}, {2, 0, 0, 0}, {-1, 0, 3, 0}, {7, 0, 3, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.style) + " " + std::to_string(c.state));
        EXPECT_EQ(MCBitmapButtonBase::NextState(c.style, c.state, c.count), c.next);
    }
}

TEST_F(ButtonTest, LoadingFindsTheNumberedImagesAndReplacesWhatWasThere)
{
    MCButton* b = button("TWO", MCBitmapButtonBase::Push);
    EXPECT_EQ(b->GetStateCount(), 2);
    EXPECT_EQ(b->size(), QSize(12, 12));
    QSize info;
    EXPECT_TRUE(b->GetBitmapInfo(1, info));
    EXPECT_EQ(info, QSize(16, 16));
    EXPECT_FALSE(b->GetBitmapInfo(2, info));
    EXPECT_TRUE(b->LoadBitmaps("PLAY"));
    EXPECT_EQ(b->GetStateCount(), 4);
    EXPECT_EQ(b->size(), QSize(20, 20));
    EXPECT_TRUE(b->LoadBitmaps("MISSING"));
    EXPECT_EQ(b->GetStateCount(), 0);
    EXPECT_TRUE(b->LoadBitmaps(15000u));
    EXPECT_EQ(b->GetStateCount(), 2);
    // A bitmap taken out without destroying it comes back to the caller.
    std::unique_ptr<MCBitmap> taken = b->DeleteBitmap(0, false);
    ASSERT_NE(taken, nullptr);
    EXPECT_EQ(b->GetStateCount(), 1);
    b->AddBitmap(std::move(taken), 0);
    EXPECT_EQ(b->GetStateCount(), 2);
    EXPECT_EQ(b->DeleteBitmap(5, true), nullptr);

    // The states clamp to the bitmaps.
    EXPECT_EQ(b->SetButtonState(1), 0);
    EXPECT_EQ(b->SetButtonState(5), 1);
    EXPECT_EQ(b->GetButtonState(), 0);
    EXPECT_EQ(b->SetButtonState(-1), 0);
    EXPECT_EQ(b->GetButtonState(), 0);
}

TEST_F(ButtonTest, AutoLoadTakesTheCaptionAndTellsOfAnEmptyOne)
{
    auto* placeholder = new QPushButton("PLAY", &window);
    plat::ui::setItemId(placeholder, 1201);
    auto* empty = new QPushButton("", &window);
    plat::ui::setItemId(empty, 1202);
    auto* play = new MCButton;
    EXPECT_TRUE(play->AutoLoad(1201, &window));
    EXPECT_EQ(plat::ui::itemWidget(&window, 1201), play);
    EXPECT_EQ(play->GetStateCount(), 4);
    auto* blank = new MCButton;
    EXPECT_FALSE(blank->AutoLoad(1202, &window));
    auto orphan = std::make_unique<MCButton>();
    EXPECT_FALSE(orphan->AutoLoad(1299, &window));
}

TEST_F(ButtonTest, CycleToggleAndIndicatorFollowTheirRules)
{
    MCButton* cycle = button("PLAY", MCBitmapButtonBase::Cycle);
    cycle->LoadBitmaps("PLAY");
    cycle->DeleteBitmap(3, true);
    std::vector<int> states;
    for (int i = 0; i < 4; ++i) {
        QTest::mouseClick(cycle, Qt::LeftButton);
        states.push_back(cycle->GetButtonState());
    }
    EXPECT_EQ(states, (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(window.notices.size(), 4u);

    MCButton* single = button("ONE", MCBitmapButtonBase::Cycle);
    QTest::mouseClick(single, Qt::LeftButton);
    EXPECT_EQ(single->GetButtonState(), 0);

    // A toggle let go outside keeps its state and sends nothing.
    MCButton* toggle = button("TWO", MCBitmapButtonBase::Toggle);
    window.notices.clear();
    press(toggle);
    EXPECT_EQ(toggle->CurrentShownState(), 1);
    move(toggle, QPoint(60, 60));
    release(toggle, QPoint(60, 60));
    EXPECT_EQ(toggle->GetButtonState(), 0);
    EXPECT_TRUE(window.notices.empty());
    press(toggle);
    release(toggle);
    EXPECT_EQ(toggle->GetButtonState(), 1);
    EXPECT_EQ(window.notices, (Notices{{1200, 0}}));

    MCButton* indicator = button("TWO", MCBitmapButtonBase::Indicator);
    window.notices.clear();
    QTest::mouseClick(indicator, Qt::LeftButton);
    indicator->setFocus();
    QTest::keyClick(indicator, Qt::Key_Space);
    EXPECT_EQ(indicator->GetButtonState(), 0);
    EXPECT_TRUE(window.notices.empty());
}

TEST_F(ButtonTest, NotifyOnPressSendsOnThePressAndSpaceCommitsDifferInTheTwoClasses)
{
    MCButton* push = button("TWO", MCBitmapButtonBase::Push, MCBitmapButtonBase::HotTrack | MCBitmapButtonBase::NotifyOnPress);
    press(push);
    EXPECT_EQ(window.notices, (Notices{{1200, 0}}));
    EXPECT_TRUE(push->isDown());
    release(push);
    EXPECT_FALSE(push->isDown());
    EXPECT_EQ(window.notices.size(), 1u);

    // Space on a toggle: MCButton commits only with NotifyOnPress, MCButton2 only without.
    MCButton* plain = button("TWO", MCBitmapButtonBase::Toggle);
    plain->setFocus();
    window.notices.clear();
    QTest::keyClick(plain, Qt::Key_Space);
    EXPECT_EQ(plain->GetButtonState(), 0);
    EXPECT_EQ(window.notices, (Notices{{1200, 0}}));

    auto* two = new MCButton2(&window);
    plat::ui::setItemId(two, 1210);
    two->LoadBitmaps("TWO", MCImageMgr::kNoColor, MCImageMgr::kNoColor, MCImageMgr::kNoColor);
    EXPECT_EQ(two->GetStateCount(), 2);
    two->SetButtonStyle(MCBitmapButtonBase::Toggle);
    two->show();
    two->setFocus();
    window.notices.clear();
    QTest::keyClick(two, Qt::Key_Space);
    EXPECT_EQ(two->GetButtonState(), 1);
    EXPECT_EQ(window.notices, (Notices{{1210, 0}}));
    two->SetButtonMode(MCBitmapButtonBase::NotifyOnPress);
    window.notices.clear();
    QTest::keyClick(two, Qt::Key_Space);
    EXPECT_EQ(two->GetButtonState(), 1);
    EXPECT_EQ(window.notices, (Notices{{1210, 0}}));
}

TEST_F(ButtonTest, HoverFollowsThePointerAndMCButton2KeepsItWhileDisabled)
{
    MCButton* one = button("TWO", MCBitmapButtonBase::Push);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(one, &enter);
    EXPECT_TRUE(one->IsHot());
    QApplication::sendEvent(one, &leave);
    EXPECT_FALSE(one->IsHot());
    one->setEnabled(false);
    QApplication::sendEvent(one, &enter);
    EXPECT_FALSE(one->IsHot());

    auto* two = new MCButton2(&window);
    two->SetButtonMode(MCBitmapButtonBase::HotTrack);
    two->setEnabled(false);
    QHoverEvent hoverEnter(QEvent::HoverEnter, QPointF(2, 2), QPointF(2, 2), QPointF(-1, -1));
    QApplication::sendEvent(two, &hoverEnter);
    EXPECT_TRUE(two->IsHot());
    QHoverEvent hoverLeave(QEvent::HoverLeave, QPointF(-1, -1), QPointF(-1, -1), QPointF(2, 2));
    QApplication::sendEvent(two, &hoverLeave);
    EXPECT_FALSE(two->IsHot());
}

TEST_F(ButtonTest, FacesShowTheButtonColourThroughTheTransparentColourAndFitTheButton)
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(30, 60, 90));
    window.setPalette(palette);
    MCButton* small = button("PLAY", MCBitmapButtonBase::Push);
    small->SetTransparentColor(InterfaceImages::kClearKey);
    small->resize(30, 26);
    MCDrawItem item;
    item.itemState = 0;
    const std::optional<QImage> face = small->CreateImage(item);
    ASSERT_TRUE(face);
    const qreal ratio = small->devicePixelRatioF();
    EXPECT_EQ(face->deviceIndependentSize().toSize(), QSize(30, 26));
    const auto at = [&](int x, int y) { return face->pixelColor(int(x * ratio), int(y * ratio)); };
    // Centred: the 20 x 20 image at (5, 3); its magenta border shows the face colour.
    EXPECT_EQ(at(1, 1), QColor(30, 60, 90));
    EXPECT_EQ(at(5, 3), QColor(30, 60, 90));
    EXPECT_EQ(at(6, 4), QColor(200, 200, 200));
    EXPECT_EQ(at(24, 12), QColor(30, 60, 90));

    // Larger than the button: stretched over it.
    MCButton* big = button("BIG", MCBitmapButtonBase::Push);
    big->resize(20, 20);
    const std::optional<QImage> stretched = big->CreateImage(item);
    ASSERT_TRUE(stretched);
    EXPECT_EQ(stretched->deviceIndependentSize().toSize(), QSize(20, 20));
    EXPECT_EQ(stretched->pixelColor(0, 0), QColor(255, 0, 255));  // no transparent colour set

    // A factory's image takes the place of the composed one; without one the button composes.
    SetDrawItemFunc([](QWidget*, const MCDrawItem& wanted) -> std::optional<QImage> {
        if (wanted.itemState != 1)
            return std::nullopt;
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(Qt::yellow);
        return image;
    });
    MCButton* made = button("TWO", MCBitmapButtonBase::Push);
    SetDrawItemFunc(nullptr);
    item.itemState = 1;
    EXPECT_EQ(made->CreateImage(item)->pixelColor(0, 0), QColor(Qt::yellow));
    item.itemState = 0;
    EXPECT_EQ(made->CreateImage(item)->deviceIndependentSize().toSize(), QSize(12, 12));
}

TEST_F(ButtonTest, AFaceDrawnByAFunctionIsDrawnAgainWhenTheButtonIsEnabledOrDisabled)
{
    MCButton* play = button("TWO", MCBitmapButtonBase::Push);
    play->SetDrawItemFunc([](QWidget*, const MCDrawItem& wanted) -> std::optional<QImage> {
        QImage image(12, 12, QImage::Format_RGB32);
        image.fill(wanted.disabled ? Qt::gray : Qt::green);
        return image;
    });
    play->resize(12, 12);
    const auto centre = [play] {
        const QImage shown = play->grab().toImage();
        return shown.pixelColor(shown.width() / 2, shown.height() / 2);
    };
    EXPECT_EQ(centre(), QColor(Qt::green));
    play->setEnabled(false);
    EXPECT_EQ(centre(), QColor(Qt::gray));
    play->setEnabled(true);
    EXPECT_EQ(centre(), QColor(Qt::green));
}

TEST_F(ButtonTest, AHeldFeedbackButtonRepeatsOnlyWhileThePointerIsOverIt)
{
    plat::media::ManualTimerService timers;
    const plat::ui::UiTimers::ScopedService scoped(timers);
    auto* repeat = new MCFeedbackButton(&window);
    plat::ui::setItemId(repeat, 1220);
    repeat->LoadBitmaps("PLAY");
    repeat->show();
    const auto delivered = [&] {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        return window.notices.size();
    };
    press(repeat);
    EXPECT_TRUE(repeat->IsHeld());
    timers.advance(99);
    EXPECT_EQ(delivered(), 0u);
    timers.advance(1);
    EXPECT_EQ(delivered(), 1u);
    EXPECT_TRUE(repeat->IsFast());
    timers.advance(50);
    EXPECT_EQ(delivered(), 3u);
    // On the edge still counts; outside it nothing comes, and it resumes on the way back.
    move(repeat, QPoint(20, 20));
    timers.advance(25);
    EXPECT_EQ(delivered(), 4u);
    move(repeat, QPoint(21, 5));
    timers.advance(100);
    EXPECT_EQ(delivered(), 4u);
    move(repeat, QPoint(5, 5));
    timers.advance(25);
    EXPECT_EQ(delivered(), 5u);
    release(repeat);
    EXPECT_FALSE(repeat->IsHeld());
    EXPECT_EQ(delivered(), 6u);  // the click
    timers.advance(500);
    EXPECT_EQ(delivered(), 6u);
    EXPECT_EQ(timers.activeTimers(), 0u);
}

TEST_F(ButtonTest, CheckBoxSwitchesBetweenTwoAndThreeStates)
{
    auto* placeholder = new QCheckBox("&Loop", &window);
    plat::ui::setItemId(placeholder, 1230);
    MCCheckBox* box = new MCCheckBox;
    box->SetIndeterminate(true);
    ASSERT_TRUE(box->SubclassCheckBox(1230, &window));
    EXPECT_EQ(box->text(), "&Loop");
    EXPECT_TRUE(box->isTristate());
    box->setCheckState(Qt::PartiallyChecked);
    box->SetIndeterminate(false);
    EXPECT_FALSE(box->isTristate());
    EXPECT_FALSE(box->GetIndeterminate());
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(window.notices, (Notices{{1230, 0}}));
    EXPECT_FALSE(MCCheckBox().SubclassCheckBox(1299, &window));
}

TEST_F(ButtonTest, AStripOfButtonsInEachState)
{
    QWidget strip;
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(212, 208, 200));
    palette.setColor(QPalette::Window, QColor(212, 208, 200));
    strip.setPalette(palette);
    strip.setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(&strip);
    const auto add = [&](int state, bool enabled, int mode) {
        auto* b = new MCButton(&strip);
        b->LoadBitmaps("PLAY");
        b->SetTransparentColor(InterfaceImages::kClearKey);
        b->SetButtonMode(mode);
        b->SetButtonState(state);
        b->SetDisabledState(2);
        b->setEnabled(enabled);
        b->setFixedSize(28, 28);
        layout->addWidget(b);
        return b;
    };
    add(0, true, MCBitmapButtonBase::HotTrack);
    add(1, true, MCBitmapButtonBase::HotTrack);
    add(0, false, MCBitmapButtonBase::HotTrack);
    add(3, true, MCBitmapButtonBase::HotTrack);
    add(0, true, MCBitmapButtonBase::Framed);
    add(1, true, MCBitmapButtonBase::Framed);
    auto* two = new MCButton2(&strip);
    two->LoadBitmaps("PLAY", InterfaceImages::kFaceKey, InterfaceImages::kHighlightKey, InterfaceImages::kShadowKey);
    layout->addWidget(two);
    strip.show();
    const QImage shot = strip.grab().toImage();
    EXPECT_FALSE(widgettest::saveScreenshot(
                     strip, "buttons-states-ratio-" + std::to_string(int(strip.devicePixelRatioF())))
                     .empty());
    EXPECT_FALSE(shot.isNull());
}

}  // namespace
