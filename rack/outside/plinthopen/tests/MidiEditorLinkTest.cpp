#include "rack/outside/plinthbase/ProgramStart.h"
#include "rack/outside/plinthopen/MidiEditorLink.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace rack {
namespace {

namespace fs = std::filesystem;

// A search path of the test's own, holding an editor program or not.
class MidiEditorLinkTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() / ("midi-editor-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        m_oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
        ::setenv("PATH", m_folder.c_str(), 1);
    }

    void TearDown() override
    {
        SetProgramStarter({});
        ::setenv("PATH", m_oldPath.c_str(), 1);
        fs::remove_all(m_folder);
    }

    std::string installEditor()
    {
        const std::string path = (m_folder / kMidiEditorProgram).string();
        std::ofstream(path) << "#!/bin/sh\nexit 0\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }

    fs::path m_folder;
    std::string m_oldPath;
};

TEST_F(MidiEditorLinkTest, WithoutAnEditorNothingIsStarted)
{
    bool started = false;
    SetProgramStarter([&started](const std::vector<std::string>&) {
        started = true;
        return true;
    });
    EXPECT_EQ(ms_EditorPath(), "");
    EXPECT_EQ(ms_Query() & 0xFFFF, 1);
    EXPECT_EQ(ms_OpenMidiFile("/home/Ann/song.mid") & 0xFFFF, 1);
    EXPECT_FALSE(started);
}

TEST_F(MidiEditorLinkTest, TheEditorOnThePathIsStartedWithTheFileAndAFailedStartIsSaid)
{
    const std::string editor = installEditor();
    std::vector<std::vector<std::string>> started;
    SetProgramStarter([&started](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    EXPECT_EQ(ms_EditorPath(), editor);
    EXPECT_EQ(ms_Query() & 0xFFFF, 0);
    EXPECT_EQ(ms_OpenMidiFile("/home/Ann/My Song.mid") & 0xFFFF, 0);
    EXPECT_EQ(ms_OpenMidiFile("") & 0xFFFF, 0);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], (std::vector<std::string>{editor, "/home/Ann/My Song.mid"}));
    EXPECT_EQ(started[1], (std::vector<std::string>{editor}));
    SetProgramStarter([](const std::vector<std::string>&) { return false; });
    EXPECT_EQ(ms_OpenMidiFile("/home/Ann/My Song.mid") & 0xFFFF, 1);
}

}  // namespace
}  // namespace rack
