#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/tests/RackFixture.h"

#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/ui/window/EventLoop.h"
#include "platform/ui/window/Window.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
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

    bool m_started = false;
};

TEST_F(SecondCopyTest, ASecondCopyHandsItsFileToTheRunningRackAndEndsWithZero)
{
    const std::string path =
        (std::filesystem::temp_directory_path() / ("Hand Over " + std::to_string(::getpid()) + ".wav")).string();
    {
        std::ofstream out(path, std::ios::binary);
        const uint8_t wave[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0,
                                1, 0, 1, 0, 0x11, 0x2B, 0, 0, 0x11, 0x2B, 0, 0, 1, 0, 8, 0,
                                'd', 'a', 't', 'a', 4, 0, 0, 0, 128, 128, 128, 128};
        out.write(reinterpret_cast<const char*>(wave), sizeof wave);
    }
    ASSERT_EQ(rack_Startup("", "/opt/rack/rackplayer"), 1);
    m_started = true;
    deliver();
    EXPECT_EQ(obj_GetWaveCount(), 0);

    // The second copy shares this rack's profile, so it finds this rack.
    QProcess second;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_CONFIG_HOME", QString::fromStdString(plat::paths::folder(plat::Profile::userFolder())));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    second.setProcessEnvironment(environment);
    QObject::connect(&second, &QProcess::finished, [] { plat::ui::EventLoop::postQuit(0); });
    // A bound, in case the second copy never ends; it is never waited out in a good run.
    QTimer bound;
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { plat::ui::EventLoop::postQuit(1); });
    bound.start(60000);
    second.start(QString::fromStdString(plat::paths::join(plat::paths::programFolder(), "rackplayer")),
                 {QString::fromStdString(path)});
    ASSERT_TRUE(second.waitForStarted(10000));
    // This rack serves the second copy's requests meanwhile.
    plat::ui::EventLoop::run();
    ASSERT_EQ(second.state(), QProcess::NotRunning);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    ASSERT_EQ(obj_GetWaveCount(), 1);
    EXPECT_EQ(obj_GetWave(0, 0)->path, path);
    EXPECT_EQ(rackState().waveCount, 1);

    std::remove(path.c_str());
}

}  // namespace
}  // namespace rack
