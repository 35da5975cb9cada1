#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/window/EventLoop.h"
#include "platform/ui/window/InstanceChannel.h"
#include "platform/ui/rackwindow/Window.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>
#include <fstream>

#include <unistd.h>

namespace rack {
namespace {

class SecondCopyTest : public test::RackFixture {
protected:
    void TearDown() override
    {
        if (m_started) {
            if (plat::ui::Window::isWindow(rackState().frame))
                rackState().frame->send(plat::ui::kCloseMessage);
            deliver();
            rack_Shutdown();
        }
        RackFixture::TearDown();
    }

    void start()
    {
        ASSERT_EQ(rack_Startup("", "/opt/rack/rackplayer"), 1);
        m_started = true;
        deliver();
    }

    // Sends a request from another thread, as a second copy does, while this thread serves
    // the rack; whatever the rack does with the request afterwards is left in its queue.
    std::optional<std::string> ask(const std::string& request)
    {
        m_answered = false;
        std::optional<std::string> answer;
        std::thread sender([&] {
            answer = plat::ui::InstanceChannel::send(rack_InstanceKey(), request, 5000);
            m_answered = true;
        });
        while (!m_answered)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        return answer;
    }

    static std::string waveFile(const std::string& name)
    {
        const std::string path =
            (std::filesystem::temp_directory_path() / (name + " " + std::to_string(::getpid()) + ".wav")).string();
        std::ofstream out(path, std::ios::binary);
        const uint8_t wave[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0,
                                'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 128, 128};
        out.write(reinterpret_cast<const char*>(wave), sizeof wave);
        return path;
    }

    // Runs the program as a second copy naming file, in folder (the test's own when empty),
    // while this rack serves its requests; the copy must end by itself with code 0.
    void runSecondCopy(const std::string& file, const QString& folder)
    {
        // The second copy shares this rack's profile, so it finds this rack.
        QProcess second;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_CONFIG_HOME", QString::fromStdString(plat::paths::folder(plat::Profile::userFolder())));
        environment.insert("QT_QPA_PLATFORM", "offscreen");
        second.setProcessEnvironment(environment);
        if (!folder.isEmpty())
            second.setWorkingDirectory(folder);
        QObject::connect(&second, &QProcess::finished, [] { plat::ui::EventLoop::postQuit(0); });
        // A bound, in case the second copy never ends; it is never waited out in a good run.
        QTimer bound;
        bound.setSingleShot(true);
        QObject::connect(&bound, &QTimer::timeout, [] { plat::ui::EventLoop::postQuit(1); });
        bound.start(60000);
        second.start(QString::fromStdString(plat::paths::join(plat::paths::programFolder(), "rackplayer")),
                     {QString::fromStdString(file)});
        ASSERT_TRUE(second.waitForStarted(10000));
        plat::ui::EventLoop::run();
        deliver();
        ASSERT_EQ(second.state(), QProcess::NotRunning);
        EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(second.exitCode(), 0);
    }

    bool m_started = false;
    std::atomic<bool> m_answered = false;
};

// The request is answered first and the file opened afterwards from the event loop, so a
// message box about it never runs while the other copy's connection is being served.
TEST_F(SecondCopyTest, AFileHandedOverIsAnsweredBeforeAnyMessageAboutItOpens)
{
    const std::string path = waveFile("Busy Deck");
    start();
    rackState().waveState = kDeckPlaying;
    std::vector<bool> answeredAtPrompt;
    plat::UserPrompt::ScopedHook hook([&](const plat::UserPrompt::Message& message) {
        // A box is modal: while it shows, the other copy must be able to hear its answer.
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
        while (!m_answered && std::chrono::steady_clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        answeredAtPrompt.push_back(m_answered);
        return plat::UserPrompt::defaultAnswer(message);
    });
    EXPECT_EQ(ask(std::string(kRequestOpen) + path), "OK");
    deliver();
    EXPECT_EQ(answeredAtPrompt, std::vector<bool>{true});
    EXPECT_EQ(obj_GetWaveCount(), 0);
    rackState().waveState = kDeckIdle;
    EXPECT_EQ(ask(std::string(kRequestOpen) + path), "OK");
    deliver();
    EXPECT_EQ(obj_GetWaveCount(), 1);
    std::remove(path.c_str());
}

// A second copy that gave up waiting asks the rack to show itself: a modal box of the
// rack's stays in front of the frame.
TEST_F(SecondCopyTest, ShowingTheRackKeepsItsModalBoxInFront)
{
    start();
    QWidget* frame = rackState().frame->widget();
    QMessageBox box(QMessageBox::Information, "Stereo Rack", "A box", QMessageBox::Ok, frame);
    box.setWindowModality(Qt::ApplicationModal);
    box.show();
    QCoreApplication::processEvents();
    ASSERT_EQ(QApplication::activeModalWidget(), &box);
    EXPECT_EQ(ask(std::string(kRequestShow)), "OK");
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), &box);
    box.hide();
    EXPECT_EQ(ask(std::string(kRequestShow)), "OK");
    QCoreApplication::processEvents();
    EXPECT_EQ(QApplication::activeWindow(), frame);
}

TEST_F(SecondCopyTest, ASecondCopyHandsItsFileToTheRunningRackAndEndsWithZero)
{
    const std::string path = waveFile("Hand Over");
    start();
    EXPECT_EQ(obj_GetWaveCount(), 0);
    runSecondCopy(path, QString());
    ASSERT_EQ(obj_GetWaveCount(), 1);
    EXPECT_EQ(obj_GetWave(0, 0)->path, path);
    EXPECT_EQ(rackState().waveCount, 1);
    std::remove(path.c_str());
}

// A copy started in another folder names the file relative to that folder, not the rack's.
TEST_F(SecondCopyTest, AFileNamedRelativeToTheSecondCopysFolderOpensInTheRunningRack)
{
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("Second Copy " + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const std::string path = waveFile("Relative");
    const std::filesystem::path inFolder = folder / std::filesystem::path(path).filename();
    std::filesystem::rename(path, inFolder);
    start();
    ASSERT_NE(std::filesystem::current_path(), folder);
    runSecondCopy(inFolder.filename().string(), QString::fromStdString(folder.string()));
    ASSERT_EQ(obj_GetWaveCount(), 1);
    EXPECT_EQ(obj_GetWave(0, 0)->path, inFolder.string());
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace rack
