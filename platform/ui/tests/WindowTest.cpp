#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/rackwindow/Screen.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

using test::RecordingClass;
using test::Received;

class WindowTest : public testing::Test {
protected:
    void TearDown() override
    {
        for (Window* window : m_windows)
            if (Window::isWindow(window))
                window->destroy();
        test::deliverPosted();
    }

    Window* make(const RecordingClass& cls, uint32_t style, const QRect& rect, Window* parent = nullptr,
                 uintptr_t id = 0, const void* param = nullptr)
    {
        Window* window = Window::create(cls.name(), "caption", style, rect, parent, id, param);
        m_windows.push_back(window);
        return window;
    }

    static void sendMouse(Window* window, QEvent::Type type, Qt::MouseButton button, const QPoint& clientPoint,
                          Qt::MouseButtons held, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const QPoint local = clientPoint + QPoint(window->nonClientMargins().left(), window->nonClientMargins().top());
        QMouseEvent event(type, QPointF(local), QPointF(window->widget()->mapToGlobal(local)), button, held, modifiers);
        QCoreApplication::sendEvent(window->widget(), &event);
    }

    std::vector<Window*> m_windows;
};

TEST_F(WindowTest, CreationSendsCreateSizeAndMoveAndDestructionGoesParentFirst)
{
    RecordingClass cls("RecTestCreate");
    Window* top = make(cls, 0, QRect(100, 100, 300, 200));
    ASSERT_NE(top, nullptr);
    const int param = 42;
    Window* child = make(cls, style::kChild | style::kVisible, QRect(10, 20, 50, 30), top, 7, &param);
    ASSERT_NE(child, nullptr);

    const std::vector<Received> created = cls.of(kCreateMessage, child);
    ASSERT_EQ(created.size(), 1u);
    const auto* info = reinterpret_cast<const CreateInfo*>(created[0].lParam);
    EXPECT_EQ(cls.messages(child).front(), kCreateMessage);
    (void)info;  // only valid during the call; its fields are checked through the window
    EXPECT_EQ(child->id(), 7u);
    EXPECT_EQ(child->parent(), top);
    EXPECT_EQ(child->text(), "caption");
    EXPECT_EQ(top->children(), std::vector<Window*>{child});

    const std::vector<Received> sized = cls.of(kSizeMessage, child);
    ASSERT_EQ(sized.size(), 1u);
    EXPECT_EQ(pointX(sized[0].lParam), 50);
    EXPECT_EQ(pointY(sized[0].lParam), 30);
    const std::vector<Received> moved = cls.of(kMoveMessage, child);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(pointX(moved[0].lParam), 10);
    EXPECT_EQ(pointY(moved[0].lParam), 20);
    EXPECT_EQ(child->clientRect(), QRect(0, 0, 50, 30));

    // Moving to the same place says nothing; a new size says so once.
    child->move(QRect(10, 20, 50, 30));
    child->move(QRect(10, 20, 60, 30));
    EXPECT_EQ(cls.of(kSizeMessage, child).size(), 2u);
    EXPECT_EQ(cls.of(kMoveMessage, child).size(), 1u);

    cls.received.clear();
    top->destroy();
    EXPECT_EQ(cls.received, (std::vector<Received>{{top, kDestroyMessage, 0, 0}, {child, kDestroyMessage, 0, 0}}));
    EXPECT_FALSE(Window::isWindow(top));
    EXPECT_FALSE(Window::isWindow(child));
}

// A top-level window's text is the title of its widget, from creation on and whenever it
// changes; a child's is only its own.
TEST_F(WindowTest, ATopLevelWindowsTextIsItsTitle)
{
    RecordingClass cls("RecTestTitle");
    Window* top = make(cls, 0, QRect(100, 100, 300, 200));
    ASSERT_NE(top, nullptr);
    Window* child = make(cls, style::kChild, QRect(10, 20, 50, 30), top);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(top->widget()->windowTitle(), "caption");

    top->setText("New title");
    EXPECT_EQ(top->text(), "New title");
    EXPECT_EQ(top->widget()->windowTitle(), "New title");
    child->setText("label");
    EXPECT_EQ(child->text(), "label");
    EXPECT_EQ(child->widget()->windowTitle(), "");
    EXPECT_EQ(top->widget()->windowTitle(), "New title");
}

TEST_F(WindowTest, CreationFailsForUnknownClassOrphanChildOrRefusal)
{
    RecordingClass cls("RecTestRefuse");
    EXPECT_EQ(Window::create("NoSuchClass", "", 0, QRect(0, 0, 10, 10), nullptr), nullptr);
    EXPECT_EQ(Window::create(cls.name(), "", style::kChild, QRect(0, 0, 10, 10), nullptr), nullptr);

    cls.answer = [](Window*, MessageId message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
        if (message == kCreateMessage)
            return -1;
        return std::nullopt;
    };
    Window* refused = Window::create(cls.name(), "", 0, QRect(0, 0, 10, 10), nullptr);
    EXPECT_EQ(refused, nullptr);
    ASSERT_FALSE(cls.received.empty());
    Window* attempted = cls.received.front().window;
    EXPECT_FALSE(Window::isWindow(attempted));
    EXPECT_EQ(cls.messages(attempted), (std::vector<MessageId>{kCreateMessage, kDestroyMessage}));
}

TEST_F(WindowTest, ClassesRegisterOnceAndStayWhileWindowsOfThemExist)
{
    WindowClass windowClass;
    windowClass.name = "RecTestClass";
    windowClass.proc = defWindowProc;
    EXPECT_TRUE(WindowClass::registerClass(windowClass));
    EXPECT_FALSE(WindowClass::registerClass(windowClass));
    EXPECT_NE(WindowClass::find("rectestclass"), nullptr);
    Window* window = Window::create("RECTESTCLASS", "", 0, QRect(0, 0, 10, 10), nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(WindowClass::unregisterClass("RecTestClass"));
    window->destroy();
    EXPECT_TRUE(WindowClass::unregisterClass("RecTestClass"));
    EXPECT_FALSE(WindowClass::unregisterClass("RecTestClass"));
}

TEST_F(WindowTest, SendCallsAtOncePostWaitsForTheLoopAndDiesWithTheWindow)
{
    RecordingClass cls("RecTestPost");
    Window* a = make(cls, 0, QRect(0, 0, 10, 10));
    Window* b = make(cls, 0, QRect(0, 0, 10, 10));
    cls.received.clear();
    cls.answer = [](Window*, MessageId message, uintptr_t wParam, intptr_t) -> std::optional<intptr_t> {
        if (message == kUserMessage)
            return intptr_t(wParam) * 2;
        return std::nullopt;
    };
    EXPECT_EQ(a->send(kUserMessage, 21, 0), 42);
    EXPECT_TRUE(a->post(kUserMessage + 1, 1, 2));
    EXPECT_TRUE(b->post(kUserMessage + 1, 3, 4));
    EXPECT_TRUE(a->post(kUserMessage + 2, 5, 6));
    EXPECT_EQ(cls.received.size(), 1u);
    b->destroy();
    test::deliverPosted();
    EXPECT_EQ(cls.received, (std::vector<Received>{{a, kUserMessage, 21, 0},
                                                   {b, kDestroyMessage, 0, 0},
                                                   {a, kUserMessage + 1, 1, 2},
                                                   {a, kUserMessage + 2, 5, 6}}));
}

TEST_F(WindowTest, AWindowDestroyedInsideItsOwnMessageGoesSafely)
{
    RecordingClass cls("RecTestSelfDestroy");
    cls.answer = [](Window* window, MessageId message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
        if (message == kUserMessage) {
            window->destroy();
            EXPECT_FALSE(Window::isWindow(window));
            EXPECT_EQ(window->send(kUserMessage + 1), 0);
            return 1;
        }
        return std::nullopt;
    };
    Window* window = make(cls, 0, QRect(0, 0, 10, 10));
    window->post(kUserMessage);
    test::deliverPosted();
    EXPECT_FALSE(Window::isWindow(window));
    EXPECT_TRUE(cls.of(kUserMessage + 1).empty());
}

TEST_F(WindowTest, DestroyingAgainWhileHearingOfTheEndChangesNothing)
{
    RecordingClass cls("RecTestDestroyTwice");
    cls.answer = [](Window* window, MessageId message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
        if (message == kDestroyMessage)
            window->destroy();
        return std::nullopt;
    };
    Window* parent = make(cls, 0, QRect(0, 0, 10, 10));
    Window* child = make(cls, style::kChild, QRect(0, 0, 5, 5), parent);
    parent->destroy();
    EXPECT_FALSE(Window::isWindow(parent));
    EXPECT_FALSE(Window::isWindow(child));
    EXPECT_EQ(cls.of(kDestroyMessage).size(), 2u);
}

TEST_F(WindowTest, PropertiesAreTypedNamedAndOutliveTheWindowWhileHeld)
{
    struct Block {
        int value = 0;
    };
    RecordingClass cls("RecTestProps");
    Window* window = make(cls, 0, QRect(0, 0, 10, 10));
    window->setProperty("XXPBPROP", std::make_shared<Block>(Block{5}));
    ASSERT_NE(window->property<Block>("XXPBPROP"), nullptr);
    EXPECT_EQ(window->property<Block>("XXPBPROP")->value, 5);
    EXPECT_EQ(window->property<int>("XXPBPROP"), nullptr);
    EXPECT_EQ(window->property<Block>("XXCBPROP"), nullptr);

    const std::shared_ptr<Block> held = window->property<Block>("XXPBPROP");
    window->destroy();
    EXPECT_EQ(held->value, 5);
    EXPECT_EQ(held.use_count(), 1);

    Window* other = make(cls, 0, QRect(0, 0, 10, 10));
    other->setProperty("P", std::make_shared<int>(1));
    EXPECT_TRUE(other->removeProperty("P"));
    EXPECT_FALSE(other->removeProperty("P"));
    EXPECT_EQ(other->property<int>("P"), nullptr);
}

TEST_F(WindowTest, WindowTimersAndTimersWithoutAWindowRunOnTheInstalledClock)
{
    media::ManualTimerService timers(1000);
    const UiTimers::ScopedService installed(timers);
    RecordingClass cls("RecTestTimers");
    Window* window = make(cls, 0, QRect(0, 0, 10, 10));
    cls.received.clear();

    EXPECT_TRUE(window->setTimer(1, 75));
    EXPECT_TRUE(window->setTimer(2, 100));
    std::vector<uint32_t> windowless;
    const uint32_t plain = UiTimers::set(50, [&] { windowless.push_back(UiTimers::tickCount()); });
    ASSERT_NE(plain, 0u);

    timers.advance(150);
    std::vector<uintptr_t> ids;
    for (const Received& r : cls.of(kTimerMessage))
        ids.push_back(r.wParam);
    EXPECT_EQ(ids, (std::vector<uintptr_t>{1, 2, 1}));
    EXPECT_EQ(windowless, (std::vector<uint32_t>{1050, 1100, 1150}));

    // Setting an id again restarts it; killing ends it; the window's end ends the rest.
    EXPECT_TRUE(window->setTimer(1, 10));
    EXPECT_TRUE(window->killTimer(2));
    EXPECT_FALSE(window->killTimer(2));
    cls.received.clear();
    timers.advance(30);
    EXPECT_EQ(cls.of(kTimerMessage).size(), 3u);
    window->destroy();
    EXPECT_TRUE(UiTimers::kill(plain));
    EXPECT_EQ(timers.activeTimers(), 0u);
}

TEST_F(WindowTest, PaintingErasesWithTheClassBrushAndDrawsOnTheRetainedImage)
{
    RecordingClass cls("RecTestPaint", Brush::solid(rgb(0, 0, 255)));
    Window* window = make(cls, 0, QRect(0, 0, 20, 10));
    cls.received.clear();
    cls.answer = [](Window* w, MessageId message, uintptr_t, intptr_t) -> std::optional<intptr_t> {
        if (message != kPaintMessage)
            return std::nullopt;
        DrawContext dc = w->beginPaint();
        dc.fillRect(QRect(0, 0, 5, 5), Brush::solid(rgb(255, 0, 0)));
        return 0;
    };
    EXPECT_TRUE(window->needsPaint());
    window->update();
    EXPECT_EQ(cls.of(kPaintMessage).size(), 1u);
    EXPECT_FALSE(window->needsPaint());
    EXPECT_EQ(fromQColor(window->image().pixelColor(2, 2)), rgb(255, 0, 0));
    EXPECT_EQ(fromQColor(window->image().pixelColor(10, 5)), rgb(0, 0, 255));
    window->update();
    EXPECT_EQ(cls.of(kPaintMessage).size(), 1u);

    // Drawing outside painting stays until an erasing repaint.
    {
        DrawContext dc = window->drawContext();
        dc.setPixel(15, 5, rgb(0, 255, 0));
    }
    EXPECT_EQ(fromQColor(window->image().pixelColor(15, 5)), rgb(0, 255, 0));
    window->invalidate(false);
    window->update();
    EXPECT_EQ(fromQColor(window->image().pixelColor(15, 5)), rgb(0, 255, 0));
    window->invalidate();
    window->update();
    EXPECT_EQ(fromQColor(window->image().pixelColor(15, 5)), rgb(0, 0, 255));

    // The widget shows the image (what a screenshot takes).
    window->show(true);
    const QImage shown = window->widget()->grab().toImage();
    EXPECT_EQ(fromQColor(shown.pixelColor(2, 2)), rgb(255, 0, 0));
}

TEST_F(WindowTest, MouseEventsArriveAsMessagesInClientCoordinatesAndFollowTheCapture)
{
    RecordingClass cls("RecTestMouse");
    Window* top = make(cls, style::kVisible, QRect(50, 50, 200, 100));
    Window* a = make(cls, style::kChild | style::kVisible, QRect(10, 10, 40, 40), top);
    Window* b = make(cls, style::kChild | style::kVisible, QRect(100, 10, 40, 40), top);
    cls.received.clear();

    sendMouse(a, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 6), Qt::LeftButton, Qt::ShiftModifier);
    sendMouse(a, QEvent::MouseButtonDblClick, Qt::LeftButton, QPoint(5, 6), Qt::LeftButton);
    sendMouse(a, QEvent::MouseButtonRelease, Qt::RightButton, QPoint(7, 8), Qt::NoButton);
    EXPECT_EQ(cls.received, (std::vector<Received>{
                                {a, kLeftButtonDownMessage, kLeftButtonFlag | kShiftFlag, makeLParam(5, 6)},
                                {a, kLeftButtonDownMessage, kLeftButtonFlag, makeLParam(5, 6)},
                                {a, kRightButtonUpMessage, 0, makeLParam(7, 8)},
                            }));

    // While a captures the mouse, what happens over b reaches a, in a's coordinates.
    cls.received.clear();
    a->setCapture();
    EXPECT_EQ(Window::capture(), a);
    sendMouse(b, QEvent::MouseMove, Qt::NoButton, QPoint(1, 2), Qt::NoButton);
    Window::releaseCapture();
    EXPECT_EQ(Window::capture(), nullptr);
    sendMouse(b, QEvent::MouseMove, Qt::NoButton, QPoint(1, 2), Qt::NoButton);
    EXPECT_EQ(cls.received, (std::vector<Received>{
                                {a, kMouseMoveMessage, 0, makeLParam(91, 2)},
                                {b, kMouseMoveMessage, 0, makeLParam(1, 2)},
                            }));

    // A disabled window hears of it and gets no input.
    cls.received.clear();
    a->enable(false);
    a->enable(false);
    EXPECT_FALSE(a->isEnabled());
    EXPECT_EQ(cls.received, (std::vector<Received>{{a, kEnableMessage, 0, 0}}));
}

TEST_F(WindowTest, KeysCloseAndFocusBecomeMessages)
{
    RecordingClass cls("RecTestKeys");
    Window* top = make(cls, 0, QRect(0, 0, 50, 50));
    cls.received.clear();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QCoreApplication::sendEvent(top->widget(), &f1);
    QKeyEvent repeatedA(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", true);
    QCoreApplication::sendEvent(top->widget(), &repeatedA);
    EXPECT_EQ(cls.received, (std::vector<Received>{{top, kKeyDownMessage, kKeyF1, makeLParam(1, 0)},
                                                   {top, kKeyDownMessage, 'A', makeLParam(1, 0) | (intptr_t(1) << 30)}}));

    // Closing asks the procedure; the default destroys the window.
    QCloseEvent close;
    QCoreApplication::sendEvent(top->widget(), &close);
    EXPECT_FALSE(Window::isWindow(top));
    EXPECT_EQ(cls.messages(top).back(), kDestroyMessage);
}

TEST_F(WindowTest, APopupWithADialogFrameHasItsClientAreaInsideTheFrame)
{
    RecordingClass cls("RecTestPopup", Brush::stock(StockBrush::white));
    Window* owner = make(cls, 0, QRect(0, 0, 100, 100));
    Window* popup = make(cls, style::kPopup | style::kDialogFrame, QRect(30, 40, 60, 30), owner);
    ASSERT_NE(popup, nullptr);
    const QSize frame = Screen::dialogFrame();
    EXPECT_EQ(popup->clientRect(), QRect(0, 0, 60 - 2 * frame.width(), 30 - 2 * frame.height()));
    EXPECT_EQ(popup->windowRect(), QRect(30, 40, 60, 30));
    EXPECT_EQ(popup->clientToScreen(QPoint(0, 0)), QPoint(30 + frame.width(), 40 + frame.height()));
    EXPECT_EQ(popup->image().size(), popup->clientRect().size());
    EXPECT_TRUE(popup->widget()->isWindow());
}

// A top-level window is placed by the frame the desktop draws around it, so its title bar
// lands where it was asked to be and never above the screen; moving it does the same.
TEST_F(WindowTest, ATopLevelWindowIsPlacedByItsDesktopFrame)
{
    RecordingClass cls("RecTestPlaced");
    Window* top = make(cls, style::kVisible, QRect(40, 50, 200, 100));
    ASSERT_NE(top, nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(top->widget()->frameGeometry().topLeft(), QPoint(40, 50));
    EXPECT_EQ(top->windowRect(), QRect(40, 50, 200, 100));
    EXPECT_GE(top->clientToScreen(QPoint(0, 0)).y(), 50);
    top->move(QRect(1, 1, 200, 100));
    QCoreApplication::processEvents();
    EXPECT_EQ(top->widget()->frameGeometry().topLeft(), QPoint(1, 1));
    EXPECT_EQ(top->windowRect().topLeft(), QPoint(1, 1));
}

}  // namespace
}  // namespace plat::ui
