#include "app/core/CRecentFileList.h"
#include "app/program/CMainApp.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

class RecentFileListTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/quavix-recent-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        plat::Profile::setFolder(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    std::string m_dir;
};

TEST_F(RecentFileListTest, NewestFirstOnceEachAndNoMoreThanItsSize)
{
    CRecentFileList list(3);
    for (const char* path : {"/a.kvd", "/b.kvd", "/c.mid", "/a.kvd", "/d.kvd"})
        list.Add(path);
    EXPECT_EQ(list.Items(), (std::vector<std::string>{"/d.kvd", "/a.kvd", "/c.mid"}));
    list.Save();
    CRecentFileList again(3);
    again.Load();
    EXPECT_EQ(again.Items(), list.Items());
    again.Remove(1);
    again.Remove(7);
    again.Save();
    CRecentFileList third(3);
    third.Load();
    EXPECT_EQ(third.Items(), (std::vector<std::string>{"/d.kvd", "/c.mid"}));
}

TEST_F(RecentFileListTest, TemplatesNeverEnterTheProgramsList)
{
    CMainApp app({});
    app.AddToRecentFileList("/music/Single Staff.kvt");
    app.AddToRecentFileList("/music/PIANO.KVT");
    app.AddToRecentFileList("/music/song.kvd");
    app.AddToRecentFileList("/music/kvt/tune.mid");
    EXPECT_EQ(app.RecentFiles().Items(), (std::vector<std::string>{"/music/kvt/tune.mid", "/music/song.kvd"}));
    EXPECT_EQ(app.RecentFiles().Size(), 7u);
}

}  // namespace

namespace {

class StartUpTest : public RecentFileListTest {};

TEST_F(StartUpTest, AStaleRunningMarkDoesNotStopTheStart)
{
    const std::string runtime = m_dir + "/runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    const char* previous = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = previous ? previous : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    const std::string application = plat::Profile::application();
    plat::Profile::setApplication(CMainApp::kApplication);
    SaveIntPreference("Settings", "Running", 1);
    {
        CMainApp app({"song.kvd"});
        EXPECT_EQ(app.ActivatePrevInstance(), 1) << "after a crash no copy answers: this one starts";
        EXPECT_EQ(app.RegisterFrameClass(), 1);
        CMainApp second({"other.kvd"});
        EXPECT_EQ(second.RegisterFrameClass(), 0) << "one copy listens";
        EXPECT_EQ(app.ExitInstance(), 0);
        EXPECT_EQ(LoadIntPreference("Settings", "Running", 1), 0);
    }
    plat::Profile::setApplication(application);
    ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
}

}  // namespace
