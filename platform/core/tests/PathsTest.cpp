#include "platform/core/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace plat {
namespace {

TEST(PathsTest, FileNameParts)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/home/user/Song.KVT", "/home/user", "Song.KVT", ".KVT"},
        {"C:\\Music\\Song.kvt", "C:\\Music", "Song.kvt", ".kvt"},
        {"Templates\\Piano/Solo.tpl", "Templates\\Piano", "Solo.tpl", ".tpl"},
        {"Song.tar.gz", "", "Song.tar.gz", ".gz"},
        {"/Song", "/", "Song", ""},
        {"\\Song.mid", "\\", "Song.mid", ".mid"},
        {"folder.d/README", "folder.d", "README", ""},
        {"/home/user/.profile", "/home/user", ".profile", ""},
        {"a/b/", "a/b", "", ""},
        {"name.", "", "name.", "."},
        {"..", "", "..", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(paths::folder(c.path), c.folder);
        EXPECT_EQ(paths::name(c.path), c.name);
        EXPECT_EQ(paths::extension(c.path), c.extension);
    }
}

TEST(PathsTest, Join)
{
    struct Case {
        const char* base;
        const char* rest;
        const char* joined;
    };
    const Case cases[] = {
        {"/opt/quavix", "PlugIns", "/opt/quavix/PlugIns"},
        {"/opt/quavix/", "PlugIns", "/opt/quavix/PlugIns"},
        {"C:\\Music\\", "Song.kvt", "C:\\Music\\Song.kvt"},
        {"", "Song.kvt", "Song.kvt"},
        {"/opt", "", "/opt"},
        {"/opt", "/etc/x", "/etc/x"},
        {"/", "bin", "/bin"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.base << " + " << c.rest);
        EXPECT_EQ(paths::join(c.base, c.rest), c.joined);
    }
    EXPECT_EQ(paths::withSlashes("C:\\Music\\Song.kvt"), "C:/Music/Song.kvt");
}

TEST(PathsTest, PatternMatching)
{
    struct Case {
        const char* name;
        const char* pattern;
        bool matches;
    };
    const Case cases[] = {
        {"song.kvt", "*.KVT", true},
        {"SONG.KVT", "*.kvt", true},
        {"song.kvt.bak", "*.KVT", false},
        {"song.kv", "*.KVT", false},
        {".kvt", "*.KVT", true},
        {"PLINTHRC.INI", "plinthrc.ini", true},
        {"plinthrc.ini", "PLINTHRC.INI", true},
        {"libnotes.so", "lib*.so", true},
        {"lib.so", "lib*.so", true},
        {"a.b.c", "*.*", true},
        {"abc", "a?c", true},
        {"ac", "a?c", false},
        {"a\u00E9c", "a?c", true},   // "?" is one character, not one byte
        {"\u00E9", "\u00C9", false}, // only ASCII letters fold
        {"aXbXc", "*X*X*", true},
        {"aXb", "*X*X*", false},
        {"anything", "*", true},
        {"", "*", true},
        {"", "?", false},
        {"", "", true},
        {"x", "", false},
        {"mississippi", "m*iss*ppi", true},
        {"mississippi", "m*iss*ppx", false},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*a*c", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name << " ~ " << c.pattern);
        EXPECT_EQ(paths::matches(c.name, c.pattern), c.matches);
    }
}

TEST(PathsTest, ProgramLocation)
{
    const std::string program = paths::programPath();
    EXPECT_EQ(paths::name(program), "platcore_tests");
    EXPECT_EQ(paths::programFolder(), paths::folder(program));
    EXPECT_TRUE(std::filesystem::path(paths::programFolder()).is_absolute());
    EXPECT_TRUE(std::filesystem::is_directory(paths::programFolder()));
}

}  // namespace
}  // namespace plat
