#include "app/core/CCommandLineInfo.h"
#include "app/core/CCopyData.h"
#include "app/program/CMainApp.h"
#include "platform/ui/window/InstanceChannel.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <unistd.h>

namespace {

TEST(CommandLineTest, SplitKeepsQuotedBlanksAndDropsEmptyTokens)
{
    struct Case {
        std::string text;
        std::vector<std::string> tokens;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"a.kvd", {"a.kvd"}},
        {"  a.kvd    b.mid ", {"a.kvd", "b.mid"}},
        {"\"/home/u/My Songs/a b.kvd\" /p", {"/home/u/My Songs/a b.kvd", "/p"}},
        {"x\"y z\"w", {"xy zw"}},
        {"\"\"", {""}},
        {"a\tb", {"a", "b"}},
        {"\"unterminated quote", {"unterminated quote"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CCommandLineInfo::Split(c.text), c.tokens) << c.text;
}

TEST(CommandLineTest, JoinQuotesWhatSplitWouldBreak)
{
    const std::vector<std::string> args = {"/home/u/My Songs/a b.kvd", "-p", "plain.mid", ""};
    EXPECT_EQ(CCommandLineInfo::Split(CCommandLineInfo::Join(args)), args);
}

TEST(CommandLineTest, FlagsAndShellCommands)
{
    struct Case {
        std::string text;
        CCommandLineInfo::ShellCommand command;
        std::vector<std::string> files;
    };
    const Case cases[] = {
        {"", CCommandLineInfo::FileNew, {}},
        {"/p", CCommandLineInfo::FilePrint, {}},
        {"-dde", CCommandLineInfo::FileDDE, {}},
        {"song.kvd", CCommandLineInfo::FileOpen, {"song.kvd"}},
        {"/home/u/song.kvd", CCommandLineInfo::FileOpen, {"/home/u/song.kvd"}},
        {"/p song.kvd", CCommandLineInfo::FilePrint, {"song.kvd"}},
        {"a.kvd \"b c.mid\"", CCommandLineInfo::FileOpen, {"a.kvd", "b c.mid"}},
        {"-unknown a.kvd", CCommandLineInfo::FileOpen, {"a.kvd"}},
    };
    for (const Case& c : cases) {
        CCommandLineInfo info;
        info.Parse(c.text);
        EXPECT_EQ(info.m_nShellCommand, c.command) << c.text;
        EXPECT_EQ(info.m_files, c.files) << c.text;
    }
    CCommandLineInfo printTo;
    printTo.Parse("/pt song.kvd Printer Driver Port");
    EXPECT_EQ(printTo.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.m_files, std::vector<std::string>{"song.kvd"});
    EXPECT_EQ(printTo.m_printerName, "Printer");
    EXPECT_EQ(printTo.m_portName, "Port");
}

TEST(CommandLineTest, CopyDataCarriesAnExplicitLengthAndIsChecked)
{
    const std::string record = CCopyData::Encode(CCopyData::kCommandLineTag, "\"a b.kvd\"");
    EXPECT_EQ(record.size(), 8u + 9u);
    EXPECT_EQ(CCopyData::Decode(record, 100), std::optional<std::string>("\"a b.kvd\""));
    EXPECT_EQ(CCopyData::Decode(CCopyData::Encode(100, ""), 100), std::optional<std::string>(""));
    EXPECT_FALSE(CCopyData::Decode(record, 101)) << "another tag";
    EXPECT_FALSE(CCopyData::Decode(record.substr(0, 7), 100)) << "no room for the header";
    EXPECT_FALSE(CCopyData::Decode(record.substr(0, record.size() - 1), 100)) << "shorter than its length";
    EXPECT_FALSE(CCopyData::Decode(record + "x", 100)) << "longer than its length";
}

// The display variables of one test, put back afterwards.
class DisplayEnvironment {
public:
    static constexpr const char* kNames[] = {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"};

    DisplayEnvironment()
    {
        for (const char* name : kNames) {
            if (const char* value = std::getenv(name))
                m_saved[name] = value;
        }
    }
    ~DisplayEnvironment()
    {
        for (const char* name : kNames) {
            if (const auto saved = m_saved.find(name); saved != m_saved.end())
                ::setenv(name, saved->second.c_str(), 1);
            else
                ::unsetenv(name);
        }
    }
    // Sets the three variables (nullptr: unset) and gives the key a copy would use.
    static std::string KeyWith(const char* platform, const char* display, const char* wayland)
    {
        const char* values[] = {platform, display, wayland};
        for (size_t i = 0; i < std::size(kNames); ++i) {
            if (values[i])
                ::setenv(kNames[i], values[i], 1);
            else
                ::unsetenv(kNames[i]);
        }
        return CMainApp::InstanceKey();
    }

private:
    std::map<std::string, std::string> m_saved;
};

// Copies find each other only on the same display, whatever way it is written; a copy on
// another X server, or under another Wayland compositor, keeps to itself.
TEST(InstanceKeyTest, OneKeyPerUserAndDisplay)
{
    const DisplayEnvironment restore;
    struct Case {
        const char* platform;
        const char* display;
        const char* wayland;
        const char* samePlatform;
        const char* sameDisplay;
        const char* sameWayland;
        bool same;
    };
    const Case cases[] = {
        {nullptr, ":0", nullptr, nullptr, ":0.0", nullptr, true},
        {nullptr, ":0", nullptr, "xcb", "unix:0.1", nullptr, true},
        {nullptr, ":0", nullptr, nullptr, ":1", nullptr, false},
        {nullptr, ":0", nullptr, nullptr, "otherhost:0", nullptr, false},
        {nullptr, ":0", nullptr, nullptr, "localhost:10.0", nullptr, false},
        {nullptr, ":0", "wayland-0", nullptr, ":1", "wayland-0", true},
        {nullptr, ":0", "wayland-0", nullptr, ":0", "wayland-1", false},
        {nullptr, ":0", "wayland-0", "xcb", ":0", "wayland-0", false},
        {"xcb", ":3", "wayland-0", "xcb", ":3.0", nullptr, true},
        {"wayland", nullptr, nullptr, "wayland", nullptr, "wayland-0", true},
    };
    for (const Case& c : cases) {
        const std::string first = DisplayEnvironment::KeyWith(c.platform, c.display, c.wayland);
        const std::string second = DisplayEnvironment::KeyWith(c.samePlatform, c.sameDisplay, c.sameWayland);
        EXPECT_EQ(first == second, c.same) << first << " / " << second;
    }
    EXPECT_NE(DisplayEnvironment::KeyWith("xcb", ":0", nullptr).find(" uid " + std::to_string(::geteuid()) + " "),
              std::string::npos);
}

// The channel of a running copy is found from its own display only.
TEST(InstanceKeyTest, TheRunningCopyIsFoundOnItsDisplayOnly)
{
    const DisplayEnvironment restore;
    plat::ui::InstanceChannel running(DisplayEnvironment::KeyWith("xcb", ":57", nullptr));
    ASSERT_TRUE(running.listen([](const std::string&) { return std::string("1"); }));
    EXPECT_TRUE(plat::ui::InstanceChannel::isRunning(DisplayEnvironment::KeyWith("xcb", ":57.0", nullptr)));
    EXPECT_FALSE(plat::ui::InstanceChannel::isRunning(DisplayEnvironment::KeyWith("xcb", ":58", nullptr)));
    EXPECT_FALSE(plat::ui::InstanceChannel::isRunning(DisplayEnvironment::KeyWith("wayland", ":57", "wayland-9")));
}

}  // namespace
