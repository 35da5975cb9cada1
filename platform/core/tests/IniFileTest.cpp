#include "platform/core/IniFile.h"

#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

namespace plat {
namespace {

namespace fs = std::filesystem;

class IniFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "inifile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    std::string file(const std::string& name = "test.ini") const { return (m_folder / name).string(); }

    static void write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }

    static std::string read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }

    std::vector<std::string> folderEntries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path m_folder;
};

TEST_F(IniFileTest, ReadingRules)
{
    write(file(), "; the rack's settings\n"
                  "orphan=before any section\n"
                  "[Fonts]\n"
                  "Application=Arial\n"
                  "  Tags  =  \"Times New Roman\"  \n"
                  "Mode='x'\n"
                  "Half=\"open\n"
                  "Empty=\n"
                  ";Commented=1\n"
                  "no equals sign\n"
                  "Application=second one\n"
                  "[ Wave ]\n"
                  "SamplerMin=8000\n"
                  "SamplerMax=  44100junk\n"
                  "Negative=-12\n"
                  "Plus=+7\n"
                  "Junk=abc\n"
                  "Sign=-\n"
                  "Huge=99999999999\n"
                  "Tiny=-99999999999\n"
                  "Spaced=1 2\n"
                  "[wave]\n"
                  "SamplerMin=1\n");
    const IniFile ini(file());

    struct StringCase {
        const char* section;
        const char* key;
        const char* expected;  // with the default "-"
    };
    const StringCase strings[] = {
        {"Fonts", "Application", "Arial"},
        {"FONTS", "application", "Arial"},
        {"Fonts", "Tags", "Times New Roman"},
        {"Fonts", "Mode", "x"},
        {"Fonts", "Half", "\"open"},
        {"Fonts", "Empty", ""},
        {"Fonts", "Commented", "-"},
        {"Fonts", ";Commented", "-"},
        {"Fonts", "Missing", "-"},
        {"Fonts", "orphan", "-"},
        {"Nowhere", "Application", "-"},
        {"wave", "SamplerMin", "8000"},
        {"Wave", "SamplerMax", "44100junk"},
    };
    for (const StringCase& c : strings) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key);
        EXPECT_EQ(ini.getString(c.section, c.key, "-"), c.expected);
    }

    struct IntCase {
        const char* key;
        int32_t expected;  // with the default 99
    };
    const IntCase ints[] = {
        {"SamplerMin", 8000}, {"SamplerMax", 44100},  {"Negative", -12},
        {"Plus", 7},          {"Junk", 0},            {"Sign", 0},
        {"Huge", INT32_MAX},  {"Tiny", INT32_MIN},    {"Spaced", 1},
        {"Missing", 99},
    };
    for (const IntCase& c : ints) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(ini.getInt("Wave", c.key, 99), c.expected);
    }
    EXPECT_EQ(ini.getInt("Fonts", "Empty", 99), 99);

    EXPECT_EQ(ini.sections(), (std::vector<std::string>{"Fonts", "Wave"}));
    EXPECT_EQ(ini.keys("fonts"),
              (std::vector<std::string>{"Application", "Tags", "Mode", "Half", "Empty"}));
    EXPECT_TRUE(ini.keys("Nowhere").empty());
}

TEST_F(IniFileTest, MissingFileReadsAsEmpty)
{
    const IniFile ini(file("absent.ini"));
    EXPECT_EQ(ini.getString("A", "k", "default"), "default");
    EXPECT_EQ(ini.getInt("A", "k", -5), -5);
    EXPECT_TRUE(ini.sections().empty());
    EXPECT_FALSE(fs::exists(file("absent.ini")));
}

// Each change touches only its own line; every other byte of the file stays as it was.
TEST_F(IniFileTest, WritesKeepTheRestOfTheFile)
{
    struct Case {
        const char* what;
        std::string before;
        std::function<bool(IniFile&)> change;
        std::string after;
    };
    const Case cases[] = {
        {"value replaced, comments, blanks and line ends kept",
         "; settings\r\n[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2\r\n",
         [](IniFile& f) { return f.setInt("A", "x", 5); },
         "; settings\r\n[A]\r\nx=5\r\n\r\n; about B\r\n[B]\r\ny=2\r\n"},
        {"the key's spelling and spacing kept",
         "[Fonts]\nMODE  =  'old' \n",
         [](IniFile& f) { return f.setString("fonts", "mode", "new"); },
         "[Fonts]\nMODE  =  new\n"},
        {"new key after the section's last key, before its trailing blank and comment",
         "[A]\nx=1\n; note\n\n; about B\n[B]\ny=2\n",
         [](IniFile& f) { return f.setString("A", "z", "3"); },
         "[A]\nx=1\nz=3\n; note\n\n; about B\n[B]\ny=2\n"},
        {"new key in a section without keys",
         "[A]\n[B]\ny=2\n",
         [](IniFile& f) { return f.setString("a", "k", "v"); },
         "[A]\nk=v\n[B]\ny=2\n"},
        {"new key at the end of a file without a final line end",
         "[A]\r\nx=1",
         [](IniFile& f) { return f.setString("A", "k", "v"); },
         "[A]\r\nx=1\r\nk=v\r\n"},
        {"new section at the end, in the file's line ending",
         "[A]\r\nx=1\r\n",
         [](IniFile& f) { return f.setString("New", "k", "v"); },
         "[A]\r\nx=1\r\n\r\n[New]\r\nk=v\r\n"},
        {"new section after a file without a final line end",
         "[A]\nx=1",
         [](IniFile& f) { return f.setString("New", "k", "v"); },
         "[A]\nx=1\n\n[New]\nk=v\n"},
        {"new section after a trailing blank line",
         "[A]\nx=1\n\n",
         [](IniFile& f) { return f.setString("New", "k", "v"); },
         "[A]\nx=1\n\n[New]\nk=v\n"},
        {"new file",
         "",
         [](IniFile& f) { return f.setInt("Wave", "SamplerMax", 48000); },
         "[Wave]\nSamplerMax=48000\n"},
        {"only the first of duplicate keys changes",
         "[A]\nx=1\nX=2\n",
         [](IniFile& f) { return f.setString("A", "x", "9"); },
         "[A]\nx=9\nX=2\n"},
        {"key removed with its duplicates, only in the section read",
         "[A]\nx=1\ny=2\nX=3\n[B]\nx=4\n",
         [](IniFile& f) { return f.removeKey("a", "X"); },
         "[A]\ny=2\n[B]\nx=4\n"},
        {"section removed with all its lines, duplicates too",
         "; top\n[A]\nx=1\n; inside A\n[B]\ny=2\n[a]\nz=3\n",
         [](IniFile& f) { return f.removeSection("a"); },
         "; top\n[B]\ny=2\n"},
        {"removing what is missing changes nothing",
         "[A]\nx=1\n",
         [](IniFile& f) { return f.removeKey("A", "y") && f.removeKey("Z", "x") && f.removeSection("Z"); },
         "[A]\nx=1\n"},
        {"byte-order mark kept and skipped",
         "\xEF\xBB\xBF[A]\nx=1\n",
         [](IniFile& f) { return f.getInt("A", "x", 0) == 1 && f.setInt("A", "x", 2); },
         "\xEF\xBB\xBF[A]\nx=2\n"},
        {"an unchanged value leaves the file alone",
         "[A]\nx = 1 \n",
         [](IniFile& f) { return f.setString("A", "x", "1"); },
         "[A]\nx = 1 \n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = file();
        fs::remove(path);
        if (!c.before.empty())
            write(path, c.before);
        IniFile ini(path);
        EXPECT_TRUE(c.change(ini));
        EXPECT_EQ(read(path), c.after);
    }
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"test.ini"}) << "a temporary file was left";
}

// Names and values that would break the file's lines are refused, and the file is untouched.
TEST_F(IniFileTest, RefusesTextsThatWouldCorruptTheFile)
{
    const std::string before = "[A]\nx=1\n";
    write(file(), before);
    IniFile ini(file());
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    };
    const Case cases[] = {
        {"A", "x", "1\n[Evil]\nk=v"}, {"A", "x", "1\r"},   {"A\n[B", "x", "1"}, {"A]x", "k", "1"},
        {"", "x", "1"},               {" A", "x", "1"},    {"A", "", "1"},      {"A", "k=v", "1"},
        {"A", " x", "1"},             {"A", "[x", "1"},    {"A", ";x", "1"},    {"A", "x\ny", "1"},
        {"A", "x", "bad \xFF utf-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << "/" << c.key << "/" << c.value);
        EXPECT_FALSE(ini.setString(c.section, c.key, c.value));
    }
    EXPECT_EQ(read(file()), before);
}

TEST_F(IniFileTest, LegacyAndUtf8Texts)
{
    // An old file in Windows-1252: its texts read as UTF-8, and it stays in that encoding.
    write(file("old.ini"), "[Fonts]\nFace=Caf\xE9\nSign=\x80\x81\n");
    IniFile old(file("old.ini"));
    EXPECT_EQ(old.getString("Fonts", "Face", ""), "Caf\u00E9");
    EXPECT_EQ(old.getString("Fonts", "Sign", ""), "\u20AC\u0081");
    ASSERT_TRUE(old.setString("Fonts", "Name", "M\u00FCller \u20AC"));
    ASSERT_TRUE(old.setString("Fonts", "Note", "\u266A"));  // no Windows-1252 byte: UTF-8
    // Windows-1252 bytes that would also read as UTF-8 ("Ã©") are written as UTF-8.
    ASSERT_TRUE(old.setString("Fonts", "Tricky", "\u00C3\u00A9"));
    EXPECT_EQ(read(file("old.ini")), "[Fonts]\nFace=Caf\xE9\nSign=\x80\x81\nName=M\xFCller \x80\n"
                                     "Note=\xE2\x99\xAA\nTricky=\xC3\x83\xC2\xA9\n");
    const IniFile again(file("old.ini"));
    EXPECT_EQ(again.getString("Fonts", "Name", ""), "M\u00FCller \u20AC");
    EXPECT_EQ(again.getString("Fonts", "Note", ""), "\u266A");
    EXPECT_EQ(again.getString("Fonts", "Tricky", ""), "\u00C3\u00A9");
    EXPECT_EQ(again.getString("Fonts", "Face", ""), "Caf\u00E9");

    // A file already in UTF-8 gets UTF-8; a Windows-1252 section name still matches.
    write(file("new.ini"), "[Gr\u00FC\u00DFe]\nA=\u00E9\n");
    IniFile modern(file("new.ini"));
    ASSERT_TRUE(modern.setString("Gr\u00FC\u00DFe", "B", "\u00FC"));
    EXPECT_EQ(read(file("new.ini")), "[Gr\u00FC\u00DFe]\nA=\u00E9\nB=\u00FC\n");
    write(file("mixed.ini"), "[Gr\xFC\xDF" "e]\nA=1\n");
    EXPECT_EQ(IniFile(file("mixed.ini")).getInt("Gr\u00FC\u00DFe", "A", 0), 1);
}

// Every read sees the file as it is now, so objects on one file do not undo each other.
TEST_F(IniFileTest, ObjectsOnOneFileSeeEachOther)
{
    IniFile first(file());
    IniFile second(file());
    EXPECT_EQ(second.getString("A", "x", "-"), "-");
    ASSERT_TRUE(first.setString("A", "x", "1"));
    EXPECT_EQ(second.getString("A", "x", "-"), "1");
    ASSERT_TRUE(second.setString("A", "y", "2"));
    ASSERT_TRUE(first.setString("B", "z", "3"));
    EXPECT_EQ(read(file()), "[A]\nx=1\ny=2\n\n[B]\nz=3\n");

    write(file(), "[A]\nx=edited by hand\n");
    EXPECT_EQ(first.getString("A", "x", "-"), "edited by hand");
    EXPECT_EQ(first.getString("B", "z", "-"), "-");
    fs::remove(file());
    EXPECT_EQ(first.getString("A", "x", "-"), "-");
}

// Two threads writing through their own objects lose none of each other's keys.
TEST_F(IniFileTest, ConcurrentWritersLoseNothing)
{
    constexpr int kKeys = 40;
    auto writer = [this](const std::string& section) {
        IniFile ini(file());
        for (int i = 0; i < kKeys; ++i)
            EXPECT_TRUE(ini.setInt(section, "k" + std::to_string(i), i));
    };
    std::thread device(writer, "Device");
    writer("Main");
    device.join();
    const IniFile ini(file());
    for (const char* section : {"Main", "Device"}) {
        EXPECT_EQ(ini.keys(section).size(), static_cast<size_t>(kKeys)) << section;
        EXPECT_EQ(ini.getInt(section, "k" + std::to_string(kKeys - 1), -1), kKeys - 1) << section;
    }
}

TEST_F(IniFileTest, ReplacementKeepsModeAndWritesThroughLinks)
{
    write(file("real.ini"), "[A]\nx=1\n");
    ASSERT_EQ(::chmod(file("real.ini").c_str(), 0640), 0);
    fs::create_symlink(file("real.ini"), file("link.ini"));
    IniFile ini(file("link.ini"));
    ASSERT_TRUE(ini.setInt("A", "x", 2));
    EXPECT_TRUE(fs::is_symlink(file("link.ini")));
    EXPECT_EQ(read(file("real.ini")), "[A]\nx=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(file("real.ini").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(folderEntries(), (std::vector<std::string>{"link.ini", "real.ini"}));
}

// A file too large to be a profile file is neither read nor written over.
TEST_F(IniFileTest, OversizedFileIsLeftAlone)
{
    const std::string start = "[A]\nx=1\n";
    struct Case {
        const char* what;
        std::string tail;
    };
    const Case cases[] = {
        {"too many bytes", std::string(IniFile::kMaxFileSize, 'x')},
        {"too many lines", std::string(IniFile::kMaxLines, '\n')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string content = start + c.tail;
        write(file(), content);
        IniFile ini(file());
        EXPECT_EQ(ini.getInt("A", "x", -1), -1);
        EXPECT_TRUE(ini.sections().empty());
        EXPECT_FALSE(ini.setInt("A", "x", 2));
        EXPECT_FALSE(ini.removeSection("A"));
        EXPECT_TRUE(read(file()) == content);
    }

    // Nor does a write make a file too large to read back.
    write(file(), "[A]\n");
    IniFile ini(file());
    EXPECT_FALSE(ini.setString("A", "x", std::string(IniFile::kMaxFileSize, 'v')));
    EXPECT_EQ(read(file()), "[A]\n");
}

TEST_F(IniFileTest, WriteIntoMissingFolderFails)
{
    IniFile ini(file("no/such/folder/x.ini"));
    EXPECT_FALSE(ini.setInt("A", "x", 1));
    EXPECT_FALSE(fs::exists(m_folder / "no"));
}

// The rack's libraries spell one file in two cases; both reach the file that exists.
TEST_F(IniFileTest, FileNamesMatchWithoutRegardToCase)
{
    write(file("plinthrc.ini"), "[Fonts]\nApplication=Arial\n");
    IniFile ini(file("PLINTHRC.INI"));
    EXPECT_EQ(ini.path(), file("plinthrc.ini"));
    EXPECT_EQ(ini.getString("Fonts", "Application", ""), "Arial");
    ASSERT_TRUE(ini.setString("Fonts", "Tags", "Courier"));
    EXPECT_EQ(folderEntries(), std::vector<std::string>{"plinthrc.ini"});

    // Backslashes in a path are folder separators.
    fs::create_directory(m_folder / "sub");
    write(file("sub/x.ini"), "[A]\nx=7\n");
    EXPECT_EQ(IniFile(m_folder.string() + "\\sub\\X.INI").getInt("a", "X", 0), 7);
}

TEST_F(IniFileTest, BareNameLiesInTheUserFolder)
{
    Profile::setFolder(m_folder.string());
    IniFile ini("PLINTHRC.INI");
    EXPECT_EQ(ini.path(), (m_folder / "Tarnwick" / "PLINTHRC.INI").string());
    ASSERT_TRUE(ini.setString("Wave", "SamplerVariable", "1"));
    EXPECT_EQ(read((m_folder / "Tarnwick" / "PLINTHRC.INI").string()), "[Wave]\nSamplerVariable=1\n");
}

}  // namespace
}  // namespace plat
