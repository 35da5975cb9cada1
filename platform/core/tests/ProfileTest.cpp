#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>

namespace plat {
namespace {

namespace fs = std::filesystem;

// Points the profile at a fresh temporary folder for each test, so no test reads or writes
// the user's settings. The folder is left pointing at the removed one afterwards, never back
// at the user's.
class ProfileTest : public testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "profile-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        Profile::setFolder(m_folder.string());
        Profile::setApplication("ProfileTest");
    }

    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
    }

    fs::path conf(const std::string& application) const
    {
        return m_folder / "Tarnwick" / (application + ".conf");
    }

    // Opens what is on disk now under another name, so nothing cached from the writes
    // answers the reads.
    void reopenFromDisk()
    {
        static int generation = 0;
        const std::string copy = "ProfileTestCopy" + std::to_string(++generation);
        fs::copy_file(conf("ProfileTest"), conf(copy));
        Profile::setApplication(copy);
    }

    void writeConf(const std::string& text)
    {
        fs::create_directories(conf("ProfileTest").parent_path());
        std::ofstream(conf("ProfileTest"), std::ios::binary) << text;
    }

    fs::path m_folder;
};

TEST_F(ProfileTest, EveryValueTypeSurvivesTheFile)
{
    Profile& profile = Profile::instance();
    EXPECT_EQ(profile.filePath(), conf("ProfileTest").string());

    const std::vector<uint8_t> bytes{0x00, 0x01, 0x7F, 0x80, 0xFF, '\n', '=', '@'};
    const std::vector<std::string> texts{
        "", "Arial, -12, 1, 0, 0, 0", "@ByteArray(x)", "a=b;c#d", "Grüße ♪", " spaced ", "42",
        "line\nbreak", "back\\slash \"quoted\""};
    ASSERT_TRUE(profile.setInt("Settings", "Tempo", 120));
    ASSERT_TRUE(profile.setInt("Settings", "Lowest", INT32_MIN));
    ASSERT_TRUE(profile.setInt("Settings", "Highest", INT32_MAX));
    ASSERT_TRUE(profile.setBinary("Settings", "Blob", bytes));
    ASSERT_TRUE(profile.setBinary("Settings", "EmptyBlob", {}));
    for (size_t i = 0; i < texts.size(); ++i)
        ASSERT_TRUE(profile.setString("Texts", "t" + std::to_string(i), texts[i]));

    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as written" : "read again from the file");
        EXPECT_EQ(profile.getInt("Settings", "Tempo"), 120);
        EXPECT_EQ(profile.getInt("Settings", "Lowest"), INT32_MIN);
        EXPECT_EQ(profile.getInt("Settings", "Highest"), INT32_MAX);
        EXPECT_EQ(profile.getBinary("Settings", "Blob"), bytes);
        EXPECT_EQ(profile.getBinary("Settings", "EmptyBlob"), std::vector<uint8_t>{});
        for (size_t i = 0; i < texts.size(); ++i)
            EXPECT_EQ(profile.getString("Texts", "t" + std::to_string(i)), texts[i]) << i;
        reopenFromDisk();
    }
}

// The file keeps no types: a value is read as whatever it holds.
TEST_F(ProfileTest, ValuesReadAcrossTypes)
{
    writeConf("[Stored]\n"
              "Number=42\n"
              "Negative=-7\n"
              "Padded=\" 13 \"\n"
              "Plus=+5\n"
              "Junk=12abc\n"
              "Empty=\n"
              "TooBig=4294967296\n"
              "Word=hello\n"
              "Blob=@ByteArray(AB)\n"
              "List=Arial, -12, 1\n");
    struct Case {
        const char* name;
        std::optional<int32_t> asInt;
        std::optional<std::string> asString;
        bool isBinary;
    };
    const Case cases[] = {
        {"Number", 42, "42", false},
        {"Negative", -7, "-7", false},
        {"Padded", 13, " 13 ", false},
        {"Plus", 5, "+5", false},
        {"Junk", std::nullopt, "12abc", false},
        {"Empty", std::nullopt, "", false},
        {"TooBig", std::nullopt, "4294967296", false},
        {"Word", std::nullopt, "hello", false},
        {"Blob", std::nullopt, std::nullopt, true},
        {"List", std::nullopt, "Arial, -12, 1", false},
        {"Missing", std::nullopt, std::nullopt, false},
    };
    Profile& profile = Profile::instance();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(profile.getInt("Stored", c.name), c.asInt);
        EXPECT_EQ(profile.getString("Stored", c.name), c.asString);
        EXPECT_EQ(profile.getBinary("Stored", c.name).has_value(), c.isBinary);
        EXPECT_EQ(profile.contains("Stored", c.name), std::string(c.name) != "Missing");
    }

    // And what this program writes reads across types after the file is read again.
    ASSERT_TRUE(profile.setInt("Written", "Int", 77));
    ASSERT_TRUE(profile.setString("Written", "Text", "-31"));
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass == 0 ? "as written" : "read again from the file");
        EXPECT_EQ(profile.getString("Written", "Int"), "77");
        EXPECT_EQ(profile.getInt("Written", "Text"), -31);
        EXPECT_FALSE(profile.getBinary("Written", "Int"));
        reopenFromDisk();
    }
}

TEST_F(ProfileTest, SectionPathsAndNameCase)
{
    Profile& profile = Profile::instance();
    ASSERT_TRUE(profile.setInt("Settings\\Tempo\\Allegro", "Beats", 132));
    ASSERT_TRUE(profile.setString("", "TopLevel", "yes"));

    const char* spellings[] = {"Settings\\Tempo\\Allegro", "\\Settings\\Tempo\\Allegro",
                               "Settings/Tempo/Allegro", "settings\\TEMPO\\allegro",
                               "Settings\\\\Tempo\\Allegro\\"};
    for (const char* section : spellings) {
        SCOPED_TRACE(section);
        EXPECT_EQ(profile.getInt(section, "Beats"), 132);
        EXPECT_EQ(profile.getInt(section, "BEATS"), 132);
    }
    EXPECT_EQ(profile.getString("", "toplevel"), "yes");

    // A write through another spelling changes the stored value, not a second copy.
    ASSERT_TRUE(profile.setInt("SETTINGS\\tempo\\ALLEGRO", "beats", 140));
    EXPECT_EQ(profile.getInt("Settings\\Tempo\\Allegro", "Beats"), 140);
    EXPECT_EQ(profile.sectionNames(""), std::vector<std::string>{"Settings"});
    EXPECT_EQ(profile.valueNames("Settings\\Tempo\\Allegro"), std::vector<std::string>{"Beats"});

    // Names that would reach into another section are refused.
    for (const char* bad : {"", "a/b", "a\\b"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(profile.setInt("Settings", bad, 1));
        EXPECT_FALSE(profile.getInt("Settings", bad));
    }
    EXPECT_EQ(profile.sectionNames("Settings"), std::vector<std::string>{"Tempo"});
}

TEST_F(ProfileTest, ListingAndDeleting)
{
    Profile& profile = Profile::instance();
    ASSERT_TRUE(profile.setInt("Mixer", "Volume", 100));
    ASSERT_TRUE(profile.setString("Mixer", "Name", "Main"));
    ASSERT_TRUE(profile.setInt("Mixer\\Channel1", "Pan", 64));
    ASSERT_TRUE(profile.setInt("Mixer\\Channel2", "Pan", 32));
    ASSERT_TRUE(profile.setInt("Mixer\\Channel2\\Send", "Level", 5));
    ASSERT_TRUE(profile.setInt("Other", "Kept", 1));

    auto sorted = [](std::vector<std::string> names) {
        std::sort(names.begin(), names.end());
        return names;
    };
    EXPECT_EQ(sorted(profile.valueNames("Mixer")), (std::vector<std::string>{"Name", "Volume"}));
    EXPECT_EQ(sorted(profile.sectionNames("Mixer")),
              (std::vector<std::string>{"Channel1", "Channel2"}));
    EXPECT_TRUE(profile.valueNames("Nowhere").empty());
    EXPECT_TRUE(profile.sectionNames("Nowhere").empty());

    EXPECT_TRUE(profile.removeValue("Mixer", "volume"));
    EXPECT_FALSE(profile.getInt("Mixer", "Volume"));
    EXPECT_TRUE(profile.removeValue("Mixer", "Volume"));  // already gone
    EXPECT_TRUE(profile.removeValue("Nowhere", "Volume"));

    EXPECT_TRUE(profile.removeSection("mixer\\channel2"));
    EXPECT_FALSE(profile.getInt("Mixer\\Channel2\\Send", "Level"));
    EXPECT_FALSE(profile.getInt("Mixer\\Channel2", "Pan"));
    EXPECT_EQ(profile.getInt("Mixer\\Channel1", "Pan"), 64);
    EXPECT_EQ(profile.sectionNames("Mixer"), std::vector<std::string>{"Channel1"});

    EXPECT_FALSE(profile.removeSection(""));
    EXPECT_FALSE(profile.removeSection("\\"));
    EXPECT_TRUE(profile.removeSection("Mixer"));
    EXPECT_TRUE(profile.removeSection("Mixer"));
    reopenFromDisk();
    EXPECT_FALSE(profile.contains("Mixer", "Name"));
    EXPECT_FALSE(profile.getInt("Mixer\\Channel1", "Pan"));
    EXPECT_EQ(profile.getInt("Other", "Kept"), 1);
}

// A file written by hand may hold names that no call can address: an empty one, or one
// holding a separator. They are not listed, and what is listed reads back.
TEST_F(ProfileTest, OnlyReadableNamesAreListed)
{
    writeConf("[Mixer]\n=empty\na%5Cb=1\n%5C=2\nName=Main\nVolume=3\nChannel1\\Pan=64\n"
              "[Mixer%5CInner]\nx=1\n");
    Profile& profile = Profile::instance();
    std::vector<std::string> names = profile.valueNames("Mixer");
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Name", "Volume"}));
    for (const std::string& name : names)
        EXPECT_TRUE(profile.getString("Mixer", name)) << name;
    EXPECT_EQ(profile.sectionNames(""), std::vector<std::string>{"Mixer"});
    EXPECT_EQ(profile.sectionNames("Mixer"), std::vector<std::string>{"Channel1"});
}

// A profile that cannot be written says so, and does not pretend to hold the value.
TEST_F(ProfileTest, FailedWriteIsReported)
{
    const fs::path blocker = m_folder / "not-a-folder";
    std::ofstream(blocker) << "x";
    Profile::setFolder(blocker.string());
    Profile& profile = Profile::instance();
    EXPECT_FALSE(profile.setInt("Settings", "Tempo", 120));
    EXPECT_FALSE(profile.getInt("Settings", "Tempo"));
    EXPECT_FALSE(profile.setString("Settings", "Name", "x"));
    EXPECT_FALSE(profile.getString("Settings", "Name"));
}

// Writing what the file already holds does not write it again; a file replaced meanwhile
// (by another copy of the program) gets the value all the same.
TEST_F(ProfileTest, RewritingAStoredValueLeavesTheFileAlone)
{
    Profile& profile = Profile::instance();
    ASSERT_TRUE(profile.setInt("Settings", "Tempo", 120));
    ASSERT_TRUE(profile.setString("Settings", "Name", "Allegro"));
    ASSERT_TRUE(profile.setBinary("Settings", "Blob", {1, 2, 3}));
    const auto inode = [this] {
        struct stat info {};
        return ::stat(conf("ProfileTest").c_str(), &info) == 0 ? info.st_ino : ino_t(0);
    };
    const ino_t written = inode();
    ASSERT_NE(written, 0u);
    EXPECT_TRUE(profile.setInt("Settings", "Tempo", 120));
    EXPECT_TRUE(profile.setString("Settings", "tempo", "120")) << "the file keeps no types";
    EXPECT_TRUE(profile.setString("Settings", "Name", "Allegro"));
    EXPECT_TRUE(profile.setBinary("Settings", "Blob", {1, 2, 3}));
    EXPECT_EQ(inode(), written) << "nothing was synced";
    EXPECT_TRUE(profile.setInt("Settings", "Tempo", 96));
    EXPECT_NE(inode(), written);

    // Another writer puts 60 in the file; setting 96 again must replace it.
    std::stringstream text;
    text << std::ifstream(conf("ProfileTest")).rdbuf();
    std::string changed = text.str();
    const size_t at = changed.find("Tempo=96");
    ASSERT_NE(at, std::string::npos) << changed;
    changed.replace(at, 8, "Tempo=60");
    const fs::path replacement = m_folder / "replacement";
    std::ofstream(replacement) << changed;
    fs::rename(replacement, conf("ProfileTest"));
    EXPECT_TRUE(profile.setInt("Settings", "Tempo", 96));
    reopenFromDisk();
    EXPECT_EQ(profile.getInt("Settings", "Tempo"), 96);
    EXPECT_EQ(profile.getString("Settings", "Name"), "Allegro");
}

// Values set in a batch are read back at once but reach the file together, when the
// outermost batch ends.
TEST_F(ProfileTest, ABatchWritesTheFileOnceAtItsEnd)
{
    Profile& profile = Profile::instance();
    ASSERT_TRUE(profile.setInt("Settings", "Tempo", 120));
    const auto onDisk = [this] {
        std::stringstream text;
        text << std::ifstream(conf("ProfileTest")).rdbuf();
        return text.str();
    };
    {
        const Profile::Batch outer;
        {
            const Profile::Batch inner;
            EXPECT_TRUE(profile.setInt("Settings", "Tempo", 96));
            EXPECT_TRUE(profile.setString("Settings\\Select", "Name", "Allegro"));
        }
        EXPECT_TRUE(profile.setInt("Settings", "Bars", 4));
        EXPECT_EQ(profile.getInt("Settings", "Tempo"), 96);
        EXPECT_EQ(profile.getString("Settings\\Select", "Name"), "Allegro");
        const std::string during = onDisk();
        EXPECT_NE(during.find("Tempo=120"), std::string::npos) << during;
        EXPECT_EQ(during.find("Allegro"), std::string::npos) << during;
    }
    const std::string after = onDisk();
    EXPECT_NE(after.find("Tempo=96"), std::string::npos) << after;
    EXPECT_NE(after.find("Bars=4"), std::string::npos) << after;
    reopenFromDisk();
    EXPECT_EQ(profile.getString("Settings\\Select", "Name"), "Allegro");

    // After the batch, each write reaches the file again by itself.
    Profile::setApplication("ProfileTest");
    EXPECT_TRUE(profile.setInt("Settings", "Tempo", 60));
    EXPECT_NE(onDisk().find("Tempo=60"), std::string::npos);
}

// A read never answers from what an earlier read found once the settings changed: values
// read as missing, as stored, and through other spellings follow every write, removal and
// batch, however many values were read in between.
TEST_F(ProfileTest, ReadsFollowEveryChange)
{
    Profile& profile = Profile::instance();
    ASSERT_TRUE(profile.setInt("Mixer\\Channel1", "Pan", 64));
    struct Probe {
        const char* section;
        const char* name;
    };
    const Probe probes[] = {{"Mixer\\Channel1", "Pan"}, {"mixer/CHANNEL1", "pan"}, {"Mixer\\Channel2", "Pan"},
                            {"MIXER", "volume"}, {"Nowhere", "Pan"}};
    struct Step {
        const char* what;
        std::function<void()> change;
        std::optional<int32_t> expected[std::size(probes)];
    };
    const Step steps[] = {
        {"a new section", [&] { EXPECT_TRUE(profile.setInt("mixer\\Channel2", "Pan", 32)); },
         {64, 64, 32, std::nullopt, std::nullopt}},
        {"a value set through another spelling",
         [&] { EXPECT_TRUE(profile.setInt("MIXER\\channel1", "PAN", 10)); }, {10, 10, 32, std::nullopt, std::nullopt}},
        {"a value in a section holding subsections", [&] { EXPECT_TRUE(profile.setString("Mixer", "Volume", "7")); },
         {10, 10, 32, 7, std::nullopt}},
        {"a value removed", [&] { EXPECT_TRUE(profile.removeValue("mixer\\channel1", "pan")); },
         {std::nullopt, std::nullopt, 32, 7, std::nullopt}},
        {"a value set in a batch, read while it lasts",
         [&] {
             const Profile::Batch batch;
             EXPECT_TRUE(profile.setInt("mixer\\channel1", "PAN", 5));
             EXPECT_EQ(profile.getInt("Mixer\\Channel1", "Pan"), 5);
             EXPECT_TRUE(profile.setInt("mixer\\channel1", "PAN", 6));
             EXPECT_EQ(profile.getInt("Mixer\\Channel1", "Pan"), 6);
         },
         {6, 6, 32, 7, std::nullopt}},
        {"many other values read",
         [&] {
             for (int i = 0; i < 3000; ++i)
                 profile.getInt(i % 2 ? "Mixer" : "Elsewhere", "Name" + std::to_string(i));
             EXPECT_TRUE(profile.setInt("Mixer", "Volume", 8));
         },
         {6, 6, 32, 8, std::nullopt}},
        {"the section removed", [&] { EXPECT_TRUE(profile.removeSection("MIXER")); },
         {std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        for (const Probe& probe : probes) {
            profile.getInt(probe.section, probe.name);
            profile.contains(probe.section, probe.name);
        }
        step.change();
        for (size_t i = 0; i < std::size(probes); ++i) {
            SCOPED_TRACE(std::string(probes[i].section) + " " + probes[i].name);
            EXPECT_EQ(profile.getInt(probes[i].section, probes[i].name), step.expected[i]);
            EXPECT_EQ(profile.contains(probes[i].section, probes[i].name), step.expected[i].has_value());
        }
    }
}

// Another program that rewrites the file is heard from when this profile next writes it, as
// the file is read back then: values read before, stored or missing, read as the file has
// them. That write may be a batch's, holding values read while the other program wrote.
TEST_F(ProfileTest, AWriteTakesInWhatAnotherProgramWrote)
{
    Profile& profile = Profile::instance();
    for (const bool inBatch : {false, true}) {
        SCOPED_TRACE(inBatch ? "the file rewritten in place during a batch" : "the file replaced");
        const int32_t tempo = inBatch ? 72 : 60;
        const int32_t bars = inBatch ? 3 : 4;
        ASSERT_TRUE(profile.setInt("Settings", "Tempo", 120));
        ASSERT_TRUE(profile.removeSection("Other"));
        std::optional<Profile::Batch> batch;
        if (inBatch) {
            batch.emplace();
            ASSERT_TRUE(profile.setInt("Settings", "Bars", bars));
        }
        EXPECT_EQ(profile.getInt("settings", "TEMPO"), 120);
        EXPECT_FALSE(profile.getInt("OTHER", "value"));
        EXPECT_FALSE(profile.contains("Other", "Value"));

        const std::string text = "[Other]\nValue=" + std::to_string(tempo / 12) + "\n\n[Settings]\nTempo=" +
                                 std::to_string(tempo) + (inBatch ? "\n" : "\nLong=padding\n");
        if (inBatch) {
            std::ofstream(conf("ProfileTest"), std::ios::trunc) << text;
            batch.reset();
        } else {
            const fs::path replacement = m_folder / "replacement";
            std::ofstream(replacement) << text;
            fs::rename(replacement, conf("ProfileTest"));
            ASSERT_TRUE(profile.setInt("Settings", "Bars", bars));
        }

        EXPECT_EQ(profile.getInt("settings", "TEMPO"), tempo);
        EXPECT_EQ(profile.getInt("OTHER", "value"), tempo / 12);
        EXPECT_TRUE(profile.contains("Other", "Value"));
        EXPECT_EQ(profile.getInt("Settings", "Bars"), bars);
    }
    reopenFromDisk();
    EXPECT_EQ(profile.getInt("Settings", "Tempo"), 72);
    EXPECT_EQ(profile.getInt("Other", "Value"), 6);
    EXPECT_EQ(profile.getInt("Settings", "Bars"), 3);
}

TEST_F(ProfileTest, ConcurrentReadsAndWrites)
{
    Profile& profile = Profile::instance();
    constexpr int kRounds = 50;
    auto writer = [&profile](const std::string& section) {
        for (int i = 0; i < kRounds; ++i) {
            EXPECT_TRUE(profile.setInt(section, "Counter", i));
            EXPECT_EQ(profile.getInt(section, "Counter"), i);
            EXPECT_TRUE(profile.setString(section, "Text", std::to_string(i)));
            profile.valueNames(section);
        }
    };
    // The settings file is opened here first: a Qt object made on a thread Qt did not start
    // gives that thread Qt's own data, which its end does not always free before the leak
    // check at exit.
    profile.getInt("Main", "Counter");
    std::thread device(writer, "Device");
    writer("Main");
    device.join();
    reopenFromDisk();
    EXPECT_EQ(profile.getInt("Main", "Counter"), kRounds - 1);
    EXPECT_EQ(profile.getInt("Device", "Counter"), kRounds - 1);
    EXPECT_EQ(profile.getString("Device", "Text"), std::to_string(kRounds - 1));
}

}  // namespace
}  // namespace plat
