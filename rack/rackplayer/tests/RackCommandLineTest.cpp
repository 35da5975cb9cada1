#include "rack/rackplayer/RackCommandLine.h"

#include <gtest/gtest.h>

namespace rack {
namespace {

TEST(RackCommandLineTest, OptionsTextsAndFilesAsTheLineAsks)
{
    struct Case {
        const char* line;
        bool secondCopy;
        bool autoPlay;
        bool playFirst;
        const char* closeText;
        const char* exitCommand;
        const char* file;
    };
    const Case cases[] = {
        {"", false, false, false, "", "", ""},
        {"/M", true, false, false, "", "", ""},
        {"-m /home/Ann/Take.WAV", true, false, false, "", "", "/home/Ann/Take.WAV"},
        {"/p", false, true, true, "", "", ""},
        {"/M /P", true, true, false, "", "", ""},
        {"/N \"Close Rack\" /home/a.wav", false, false, false, "Close Rack", "", "/home/a.wav"},
        // Parsing starts again behind the closing quote.
        {"/R \"player --reset\" -P", false, true, false, "", "player --reset", ""},
        // Without a closing quote the option changes nothing.
        {"/N \"Close Rack", false, false, false, "", "", ""},
        {"/N Close", false, false, false, "", "", "Close"},
        {"/x /Q a.mid b.mid", false, false, false, "", "", "b.mid"},
        // An absolute path is a file, even one whose second letter names an option.
        {"/pub/Song.mid", false, false, false, "", "", "/pub/Song.mid"},
        {"-Play /mnt/a.wav", false, true, true, "", "", "/mnt/a.wav"},
        {"\"/home/Ann/My Songs/Song One.mid\"", false, false, false, "", "", "/home/Ann/My Songs/Song One.mid"},
    };
    for (const Case& c : cases) {
        const RackCommandLine parsed = RackCommandLine::parse(c.line);
        EXPECT_EQ(parsed.secondCopy, c.secondCopy) << c.line;
        EXPECT_EQ(parsed.autoPlay, c.autoPlay) << c.line;
        EXPECT_EQ(parsed.playFirst, c.playFirst) << c.line;
        EXPECT_EQ(parsed.closeText, c.closeText) << c.line;
        EXPECT_EQ(parsed.exitCommand, c.exitCommand) << c.line;
        EXPECT_EQ(parsed.fileName, c.file) << c.line;
    }
}

TEST(RackCommandLineTest, LongTextsAreCutAndLongPathsKeptWhole)
{
    const std::string text(200, 'x');
    const std::string path = "/home/Ann/" + std::string(300, 'p') + ".wav";
    const RackCommandLine parsed = RackCommandLine::parse("/N \"" + text + "\" " + path);
    EXPECT_EQ(parsed.closeText, text.substr(0, RackCommandLine::kMaxText));
    EXPECT_EQ(parsed.fileName, path);
}

// Read token by token, the line costs its length once; asked by index, as it was, half a
// million arguments would take hours (65,536 took 8 s), beyond the test's time-out.
TEST(RackCommandLineTest, HalfAMillionArgumentsAreReadInOnePass)
{
    std::vector<std::string> arguments(1 << 19, "x");
    arguments.insert(arguments.begin(), {"/N", "Bye"});
    arguments.back() = "/home/Ann/last.wav";
    const RackCommandLine parsed = RackCommandLine::parse(RackCommandLine::join(arguments));
    EXPECT_EQ(parsed.closeText, "Bye");
    EXPECT_EQ(parsed.fileName, "/home/Ann/last.wav");
}

TEST(RackCommandLineTest, ArgumentsJoinedReadBackAsTheSameRequest)
{
    const std::vector<std::string> arguments = {"/N", "Bye", "-r", "run me", "/home/Ann/My Take.wav"};
    const std::string line = RackCommandLine::join(arguments);
    EXPECT_EQ(line, "/N \"Bye\" -r \"run me\" \"/home/Ann/My Take.wav\"");
    const RackCommandLine parsed = RackCommandLine::parse(line);
    EXPECT_EQ(parsed.closeText, "Bye");
    EXPECT_EQ(parsed.exitCommand, "run me");
    EXPECT_EQ(parsed.fileName, "/home/Ann/My Take.wav");
}

}  // namespace
}  // namespace rack
