#pragma once

// Tests of windows that move between screens of different pixel ratios. The offscreen display
// of a test has one screen, so such a test runs itself again in a child process whose display
// has two screens side by side: "one" at ratio 1 and "two" at ratio 2.

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace twoscreens {

inline constexpr const char* kMarker = "QUAVIX_TWO_SCREENS";

// Whether this process is the child with the two screens.
inline bool InChild()
{
    return std::getenv(kMarker) != nullptr;
}

// In the parent: runs the current test in the child and reports its failures here.
inline void RunInChild()
{
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    char pattern[] = "/tmp/quavix-screens-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const std::string folder = pattern;
    const std::string config = folder + "/screens.json";
    std::ofstream(config) << R"({"screens": [
        {"name": "one", "x": 0, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1},
        {"name": "two", "x": 800, "y": 0, "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 2}]})";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", QString::fromStdString("offscreen:configfile=" + config));
    environment.insert(kMarker, "1");
    // The child's screens carry their own ratios, and it runs its one test whatever shard the
    // parent is.
    for (const char* name : {"QT_SCALE_FACTOR", "GTEST_TOTAL_SHARDS", "GTEST_SHARD_INDEX"})
        environment.remove(name);
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(), {QString::fromStdString("--gtest_filter=" + filter)});
    const bool finished = child.waitForFinished(120000);
    const std::string output = child.readAll().toStdString();
    std::error_code error;
    std::filesystem::remove_all(folder, error);
    ASSERT_TRUE(finished) << output;
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << output;
    EXPECT_EQ(child.exitCode(), 0) << output;
    EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

// In the child: moves window to the screen named name.
inline void MoveTo(QWidget& window, const char* name)
{
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen->name() == QLatin1String(name))
            window.windowHandle()->setScreen(screen);
    }
    QCoreApplication::processEvents();
}

}  // namespace twoscreens
