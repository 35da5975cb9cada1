// The whole program in a virtual display: started with a document, handed a second copy's
// command line, closed by a request to end. Skipped where Xvfb is not installed.

#include "app/program/CMainApp.h"
#include "app/tests/VirtualDisplay.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"
#include "platform/ui/window/InstanceChannel.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef QUAVIX_BIN
#define QUAVIX_BIN "."
#endif
#ifndef QUAVIX_TEST_PLUGINS
#define QUAVIX_TEST_PLUGINS "PlugIns"
#endif

namespace fs = std::filesystem;

namespace {

std::string readText(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!VirtualDisplay::Installed())
            GTEST_SKIP() << "Xvfb is not installed (scripts/setup-deps.sh installs it)";
        char folder[] = "/tmp/quavix-program-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        // The program as installed: itself, the files beside it and the test views.
        const fs::path prog = m_dir / "prog";
        fs::create_directories(prog / "PlugIns");
        for (const char* name : {"Quavix", "libBackdrape.so", "libKnobset.so", "addr.sys", "Music.tip"})
            fs::copy(fs::path(QUAVIX_BIN) / name, prog / name);
        fs::copy(fs::path(QUAVIX_BIN) / "Templates", prog / "Templates", fs::copy_options::recursive);
        fs::copy(fs::path(QUAVIX_TEST_PLUGINS) / "libTestView.so", prog / "PlugIns" / "libTestView.so");
        fs::create_directories(m_dir / "files");
        fs::copy(prog / "Templates" / "Piano.kvt", m_dir / "files" / "first.kvd");
        fs::copy(prog / "Templates" / "String Quartet.kvt", m_dir / "files" / "second song.kvd");
        for (const char* sub : {"config", "runtime", "data"})
            fs::create_directories(m_dir / sub);
        fs::permissions(m_dir / "runtime", fs::perms::owner_all, fs::perm_options::replace);

        // Its settings: no tip and no wizard in the way.
        m_previousApplication = plat::Profile::application();
        plat::Profile::setFolder((m_dir / "config").string());
        plat::Profile::setApplication(CMainApp::kApplication);
        SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
        SaveIntPreference("Settings", "FirstRun", 0);

        m_previousRuntime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
        ::setenv("XDG_RUNTIME_DIR", (m_dir / "runtime").c_str(), 1);

        ASSERT_TRUE(m_display.Start()) << "Xvfb did not come up";
    }

    void TearDown() override
    {
        for (QProcess* process : {&m_first, &m_second}) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished(5000);
            }
        }
        if (!m_dir.empty()) {
            plat::Profile::setApplication(m_previousApplication);
            ::setenv("XDG_RUNTIME_DIR", m_previousRuntime.c_str(), 1);
            fs::remove_all(m_dir);
        }
    }

    void Start(QProcess& process, const QStringList& args, const QProcessEnvironment& extra = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(extra);
        env.remove("QT_QPA_PLATFORM");
        env.insert("DISPLAY", QString::fromStdString(m_display.Name()));
        env.insert("XDG_CONFIG_HOME", QString::fromStdString((m_dir / "config").string()));
        env.insert("XDG_RUNTIME_DIR", QString::fromStdString((m_dir / "runtime").string()));
        env.insert("XDG_DATA_HOME", QString::fromStdString((m_dir / "data").string()));
        env.insert("QUAVIX_MEDIA", "memory");
        env.insert("QUAVIX_TRACE", "1");
        // In a sanitizer build: the desktop bus library keeps a buffer to the end, which is
        // not the program's to free.
        const fs::path suppressions = m_dir / "lsan.supp";
        std::ofstream(suppressions) << "leak:libdbus-1.so\n";
        env.insert("LSAN_OPTIONS", QString::fromStdString("suppressions=" + suppressions.string()));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QString::fromStdString((m_dir / "files").string()));
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(QString::fromStdString((m_dir / "prog" / "Quavix").string()), args);
        ASSERT_TRUE(process.waitForStarted(5000));
    }

    // The key of the program's channel: a copy on the test's display, as Start runs it.
    std::string ProgramKey() const
    {
        const char* platform = std::getenv("QT_QPA_PLATFORM");
        const std::string saved = platform ? platform : "";
        ::unsetenv("QT_QPA_PLATFORM");
        ::setenv("DISPLAY", m_display.Name().c_str(), 1);
        const std::string key = CMainApp::InstanceKey();
        if (platform)
            ::setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
        return key;
    }

    // Waits (at most 20 s) until the process printed text; everything it printed so far.
    bool WaitForOutput(QProcess& process, const std::string& text)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 20000) {
            m_output += process.readAll().toStdString();
            if (m_output.find(text) != std::string::npos)
                return true;
            if (process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(200);
        }
        return false;
    }

    fs::path m_dir;
    VirtualDisplay m_display;
    std::string m_previousApplication;
    std::string m_previousRuntime;
    std::string m_output;
    QProcess m_first;
    QProcess m_second;
};

TEST_F(ProgramTest, OneCopyTakesTheOtherCopysFilesAndEndsCleanly)
{
    const std::string first = (m_dir / "files" / "first.kvd").string();
    Start(m_first, {"first.kvd"});
    ASSERT_TRUE(WaitForOutput(m_first, "CMainApp::OpenFile -- opened " + first)) << m_output;
    ASSERT_TRUE(WaitForOutput(m_first, "CMainApp::InitComponents -- One moment please...")) << m_output;
    const std::string order = m_output;
    const size_t components = order.find("Loading Components...");
    const size_t sequencer = order.find("InitSequencer: 25");
    const size_t plugins = order.find("Loading Plugins...");
    const size_t loaded = order.find("CPlugin::Initialize: 1");
    EXPECT_TRUE(components < sequencer && sequencer < plugins && plugins < loaded) << order;
    EXPECT_LT(order.find("One moment please..."), order.find("CMainApp::OpenFile")) << "files open last";
    EXPECT_TRUE(plat::ui::InstanceChannel::isRunning(ProgramKey()));

    // A second copy, started in the files' folder with a name that holds a blank, hands the
    // name over whole and made absolute, and ends without a window.
    Start(m_second, {"second song.kvd"});
    ASSERT_TRUE(m_second.waitForFinished(15000));
    EXPECT_EQ(m_second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_second.exitCode(), 0);
    EXPECT_NE(m_second.readAll().toStdString().find("handed over: 1"), std::string::npos);
    EXPECT_TRUE(WaitForOutput(m_first, "CMainApp::OpenFile -- opened " + (m_dir / "files" / "second song.kvd").string()))
        << m_output;

    const std::string settings = readText((m_dir / "config" / "Tarnwick" / "Quavix.conf").string());
    EXPECT_NE(settings.find("Running=1"), std::string::npos) << settings;

    // A request to end closes the frame as the user would.
    m_first.terminate();
    ASSERT_TRUE(m_first.waitForFinished(20000));
    m_output += m_first.readAll().toStdString();
    EXPECT_EQ(m_first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_first.exitCode(), 0) << m_output;
    const std::string after = readText((m_dir / "config" / "Tarnwick" / "Quavix.conf").string());
    EXPECT_NE(after.find("Running=0"), std::string::npos) << after;
    EXPECT_NE(after.find("File2=" + first), std::string::npos) << "the recent files, newest first: " << after;
    EXPECT_FALSE(plat::ui::InstanceChannel::isRunning(ProgramKey()));
}

TEST_F(ProgramTest, LosingTheDisplayKeepsTheChangedDocumentAndEndsCleanly)
{
    QProcessEnvironment edits;
    edits.insert("QUAVIX_TEST_VIEW_EDITS", "first.kvd");
    Start(m_first, {"first.kvd"}, edits);
    ASSERT_TRUE(WaitForOutput(m_first, "TestView -- changed first.kvd")) << m_output;
    // A document the user did not change leaves nothing behind.
    const std::string second = (m_dir / "files" / "second song.kvd").string();
    Start(m_second, {"second song.kvd"});
    ASSERT_TRUE(m_second.waitForFinished(15000));
    ASSERT_TRUE(WaitForOutput(m_first, "CMainApp::OpenFile -- opened " + second)) << m_output;
    ASSERT_TRUE(WaitForOutput(m_first, "CMainApp::InitComponents -- One moment please...")) << m_output;

    ASSERT_TRUE(m_display.Kill());
    ASSERT_TRUE(m_first.waitForFinished(20000));
    m_output += m_first.readAll().toStdString();
    EXPECT_EQ(m_first.exitStatus(), QProcess::NormalExit) << m_output;
    EXPECT_EQ(m_first.exitCode(), 0) << m_output;
    EXPECT_NE(m_output.find("DisplayLoss -- the display is gone"), std::string::npos) << m_output;
    for (const fs::path& report : {m_dir / "prog" / "BugReport", m_dir / "data" / "Tarnwick" / "BugReport"})
        EXPECT_FALSE(fs::exists(report)) << report;

    // The changed document's copy is where auto-save puts it, recorded for the next start.
    const fs::path copy = m_dir / "files" / "~first.kvd";
    ASSERT_TRUE(fs::exists(copy));
    EXPECT_GT(fs::file_size(copy), 0u);
    const std::string settings = readText((m_dir / "config" / "Tarnwick" / "Quavix.conf").string());
    EXPECT_NE(settings.find("Running=0"), std::string::npos) << settings;
    EXPECT_NE(settings.find(copy.string()), std::string::npos) << settings;
    EXPECT_FALSE(fs::exists(m_dir / "files" / "~second song.kvd"));
}

}  // namespace
