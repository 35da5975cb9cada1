#include "rack/outside/plinthbase/BaseStrings.h"
#include "rack/outside/plinthbase/DiskSpace.h"
#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthbase/ProgramStart.h"
#include "rack/outside/plinthbase/TextFit.h"
#include "rack/outside/plinthbase/Tokens.h"

#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthart/tests/RackTestEnvironment.h"

#include "platform/core/UserPrompt.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

namespace rack {
namespace {

TEST(PlinthBaseTest, TokensKeepCaseAndLengthAndQuotedBlanks)
{
    const std::string longName = "/home/User/" + std::string(180, 'x') + "/Take.WAV";
    const std::string line = "  /n \"Close Rack\" " + longName + " \"/tmp/My Songs/a.mid\"";
    struct Case {
        int index;
        int found;
        std::string token;
        int position;
    };
    const Case cases[] = {
        {0, 1, "/n", 2},
        {1, 1, "Close Rack", 5},
        {2, 1, longName, 18},
        {3, 1, "/tmp/My Songs/a.mid", int(19 + longName.size())},
        {4, 0, "", -1},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(GetLongStringVector(c.index, line, out), c.found) << c.index;
        if (c.found) {
            EXPECT_EQ(out, c.token) << c.index;
        }
        EXPECT_EQ(GetStringIndex(c.index, line), c.position) << c.index;
    }
    std::string shortToken;
    ASSERT_EQ(GetStringVector(2, line, shortToken), 1);
    EXPECT_EQ(shortToken, longName.substr(0, 31));
    std::string none;
    EXPECT_EQ(GetLongStringVector(0, "   ", none), 0);
}

TEST(PlinthBaseTest, NumbersReadTheirLeadingDigitsAndClamp)
{
    EXPECT_EQ(Asci2Int(" 42 17"), 42);
    EXPECT_EQ(Asci2Int("-7x"), -7);
    EXPECT_EQ(Asci2Int("x"), 0);
    EXPECT_EQ(Asci2Int("99999"), 32767);
    EXPECT_EQ(Asci2Word("70000"), 65535);
    EXPECT_EQ(Asci2Word("-3"), 0);
    EXPECT_EQ(Asci2Long("44100"), 44100);
    EXPECT_EQ(Asci2Long("99999999999999"), 2147483647);
}

TEST(PlinthBaseTest, StringsAreCutToTheBufferWithoutSplittingACharacter)
{
    EXPECT_EQ(GetString(kStrWindowTitle), "Stereo Rack");
    EXPECT_EQ(GetString(kStrWindowTitle, 7), "Stereo");
    EXPECT_EQ(GetString(kStrUnnamedRecording, 30), "Untitled Recording");
    EXPECT_EQ(GetString(99999), "");
}

TEST(PlinthBaseTest, DiskLimitOfALargeDiskNeverWrapsNegative)
{
    struct Case {
        std::optional<uint64_t> free;
        int32_t limit;
    };
    const Case cases[] = {
        {uint64_t(1) << 20, 1 << 20},
        {uint64_t(0x7FFFFFFF), 0x7FFFFFFF},
        {uint64_t(3) << 30, 0x7FFFFFFF},   // 3 GiB: a plain 32-bit cast reads negative
        {uint64_t(5) << 40, 0x7FFFFFFF},
        {std::nullopt, 0},
    };
    for (const Case& c : cases) {
        SetDiskSpaceProbe([&c](const std::string&) { return c.free; });
        EXPECT_EQ(GetDiskLimit("/tmp/x.wav"), c.limit);
    }
    SetDiskSpaceProbe({});
    // The real disk, asked for a file that does not exist yet.
    EXPECT_GT(GetDiskLimit(std::filesystem::temp_directory_path().string() + "/no/such/file.wav"), 0);
}

TEST(PlinthBaseTest, ReadOnlyFilesAreSeenEvenByAUserAllowedToWriteThem)
{
    const std::string path = std::filesystem::temp_directory_path().string() + "/plinthbase-ro-" +
                             std::to_string(getpid()) + ".wav";
    std::ofstream(path) << "x";
    EXPECT_EQ(IsFileReadOnly(path), 0);
    chmod(path.c_str(), 0444);
    EXPECT_EQ(IsFileReadOnly(path), 1);
    chmod(path.c_str(), 0644);
    std::filesystem::remove(path);
    EXPECT_EQ(IsFileReadOnly(path), 0);
}

TEST(PlinthBaseTest, MessageBoxesMapStylesAndAnswerTheButtonId)
{
    std::vector<plat::UserPrompt::Message> asked;
    plat::UserPrompt::ScopedHook hook([&asked](const plat::UserPrompt::Message& message) {
        asked.push_back(message);
        return plat::UserPrompt::defaultAnswer(message);
    });
    EXPECT_EQ(MsgBox(nullptr, 521, 0, kMbOk | kMbIconExclamation), 1);
    EXPECT_EQ(SpfMsgBox(nullptr, 1301, "/tmp/Take.wav", 314, kMbYesNoCancel | kMbIconStop | kMbDefButton2), 7);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].caption, "Stereo Rack");
    EXPECT_EQ(asked[0].icon, plat::UserPrompt::Icon::warning);
    EXPECT_EQ(asked[1].text, "The file /tmp/Take.wav is read-only: it cannot be recorded over.");
    EXPECT_EQ(asked[1].caption, "Recording");
    EXPECT_EQ(asked[1].buttons, plat::UserPrompt::Buttons::yesNoCancel);
    EXPECT_EQ(asked[1].icon, plat::UserPrompt::Icon::error);
}

TEST(PlinthBaseTest, CommandLinesAreSplitAndStartedThroughTheHook)
{
    std::vector<std::vector<std::string>> started;
    SetProgramStarter([&started](const std::vector<std::string>& argv) {
        started.push_back(argv);
        return true;
    });
    EXPECT_EQ(RunCommandLine("\"/opt/my tools/editor\" --new"), 1);
    EXPECT_EQ(RunCommandLine("   "), 0);
    // An editor named by the profile gets the file as its last argument.
    EXPECT_EQ(RunProgram("RunWaveEditor", "/tmp/Take One.wav", 1), 0);
    ASSERT_TRUE(PlinthProfile::setString("Setup", "RunWaveEditor", "wave-editor --open"));
    EXPECT_EQ(RunProgram("RunWaveEditor", "/tmp/Take One.wav", 1), 1);
    EXPECT_EQ(RunProgram("RunWaveEditor", nullptr, 1), 1);
    SetProgramStarter({});
    ASSERT_EQ(started.size(), 3u);
    EXPECT_EQ(started[0], (std::vector<std::string>{"/opt/my tools/editor", "--new"}));
    EXPECT_EQ(started[1], (std::vector<std::string>{"wave-editor", "--open", "/tmp/Take One.wav"}));
    EXPECT_EQ(started[2], (std::vector<std::string>{"wave-editor", "--open"}));
    EXPECT_EQ(GetFilenameName("/home/User/Music/Take One.wav"), "Take One.wav");
    EXPECT_EQ(GetFilenameName("C:\\Music\\a.mid"), "a.mid");
}

}  // namespace
}  // namespace rack
