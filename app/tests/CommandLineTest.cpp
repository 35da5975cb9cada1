#include "app/core/CCommandLineInfo.h"
#include "app/core/CCopyData.h"

#include <gtest/gtest.h>

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

}  // namespace
