#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/core/MessageLoop.h"
#include "platform/ui/window/EventLoop.h"
#include "platform/ui/window/InstanceChannel.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QDropEvent>
#include <QWidget>
#include <QMimeData>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <thread>

namespace plat::ui {
namespace {

using test::RecordingClass;

TEST(WindowExtrasTest, DroppedFilesArriveWholeWithTheirCaseAndOnlyWhereAccepted)
{
    RecordingClass cls("RecTestDrop");
    Window* window = Window::create(cls.name(), "drop", style::kVisible, QRect(10, 10, 200, 100), nullptr);
    ASSERT_NE(window, nullptr);
    // A long path with mixed case: a deck must get it as it is, never cut or upper-cased.
    const std::string longPath = "/tmp/" + std::string(200, 'a') + "/Mixed Case/Take One.wav";
    std::vector<std::string> seen;
    cls.answer = [&seen](Window*, MessageId message, uintptr_t wParam, intptr_t) -> std::optional<intptr_t> {
        if (message == kDropFilesMessage)
            seen = *reinterpret_cast<const std::vector<std::string>*>(wParam);
        return std::nullopt;
    };

    EXPECT_FALSE(window->acceptsFiles());
    window->acceptFiles(true);
    EXPECT_TRUE(window->acceptsFiles());

    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(longPath)), QUrl::fromLocalFile("/tmp/b.mid")});
    QDragEnterEvent enter(QPoint(20, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(20, 30), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &drop);
    EXPECT_EQ(seen, (std::vector<std::string>{longPath, "/tmp/b.mid"}));

    // Something other than local files is not a drop of files.
    seen.clear();
    QMimeData web;
    web.setUrls({QUrl("http://example.invalid/x.wav")});
    QDragEnterEvent webEnter(QPoint(20, 30), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &webEnter);
    EXPECT_FALSE(webEnter.isAccepted());
    QDropEvent webDrop(QPointF(20, 30), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(window->widget(), &webDrop);
    EXPECT_TRUE(seen.empty());
    window->destroy();
}

TEST(WindowExtrasTest, TopmostKeepsPositionAndVisibility)
{
    RecordingClass cls("RecTestTopmost");
    Window* window = Window::create(cls.name(), "top", style::kVisible, QRect(40, 50, 200, 100), nullptr);
    ASSERT_NE(window, nullptr);
    const QRect before = window->windowRect();
    window->setTopmost(true);
    EXPECT_TRUE(window->isTopmost());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowRect(), before);
    window->setTopmost(false);
    EXPECT_FALSE(window->isTopmost());
    EXPECT_TRUE(window->isVisible());
    window->destroy();
}

TEST(WindowExtrasTest, EventLoopDeliversTasksPostedFromOtherThreadsAndEndsWithTheQuitCode)
{
    std::atomic<bool> delivered = false;
    MessageLoop& mainQueue = MessageLoop::current();
    std::thread other([&mainQueue, &delivered] {
        mainQueue.postTask([&delivered] {
            delivered = true;
            EventLoop::postQuit(7);
        });
    });
    other.join();
    EXPECT_EQ(EventLoop::run(), 7);
    EXPECT_TRUE(delivered);
}

TEST(WindowExtrasTest, InstanceChannelHandsARequestToTheListeningCopyAndReturnsItsAnswer)
{
    const std::string key = "channel-test-" + std::to_string(::getpid());
    EXPECT_FALSE(InstanceChannel::isRunning(key));
    InstanceChannel first(key);
    std::string received;
    ASSERT_TRUE(first.listen([&received](const std::string& request) {
        received = request;
        return std::string("done");
    }));
    InstanceChannel second(key);
    EXPECT_FALSE(second.listen([](const std::string&) { return std::string(); }));

    // The second copy waits for the answer, so it asks from its own thread while the first
    // serves in its event loop.
    std::optional<std::string> answer;
    std::thread asker([&answer, &key] {
        answer = InstanceChannel::send(key, "OPEN /tmp/Some File.wav");
        EventLoop::postQuit(0);
    });
    EventLoop::run();
    asker.join();
    EXPECT_EQ(received, "OPEN /tmp/Some File.wav");
    EXPECT_EQ(answer, std::optional<std::string>("done"));
    EXPECT_EQ(InstanceChannel::send(key + "-none", "x", 200), std::nullopt);
}

}  // namespace
}  // namespace plat::ui
