#include "notabase/prefs/Preferences.h"

#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// Points the profile at a fresh temporary folder for each test.
class PrefFunctionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-prefs-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
        m_previousProvider = plat::setScreenMetricsProvider([] {
            return plat::ScreenMetrics{1600, 1000, 4, 5};
        });
    }
    void TearDown() override
    {
        plat::setScreenMetricsProvider(m_previousProvider);
        std::filesystem::remove_all(m_folder);
    }

    std::string m_folder;
    plat::ScreenMetricsProvider m_previousProvider;
};

TEST_F(PrefFunctionsTest, IntAndStringRoundTripAndDefaults)
{
    EXPECT_EQ(LoadIntPreference("Settings", "UndoLevels", 10), 10);
    EXPECT_EQ(LoadStringPreference("Settings", "Name", "none"), "none");

    EXPECT_NE(SaveIntPreference("Settings", "UndoLevels", -42), 0);
    EXPECT_NE(SaveStringPreference("Settings\\Tempo", "Word", "Allegro ma non troppo"), 0);
    EXPECT_EQ(LoadIntPreference("Settings", "UndoLevels", 10), -42);
    EXPECT_EQ(LoadStringPreference("Settings\\Tempo", "Word", ""), "Allegro ma non troppo");
    // A stored empty string is a value, not a missing one.
    EXPECT_NE(SaveStringPreference("Settings", "Empty", ""), 0);
    EXPECT_EQ(LoadStringPreference("Settings", "Empty", "default"), "");
}

TEST_F(PrefFunctionsTest, FloatsAreStoredWithSixDecimalsAndReadLeniently)
{
    EXPECT_FLOAT_EQ(LoadFloatPreference("Settings", "Ratio", 1.5f), 1.5f);
    ASSERT_NE(SaveFloatPreference("Settings", "Ratio", 0.75f), 0);
    EXPECT_EQ(LoadStringPreference("Settings", "Ratio", ""), "0.750000");
    EXPECT_FLOAT_EQ(LoadFloatPreference("Settings", "Ratio", 1.5f), 0.75f);

    struct Case {
        const char* stored;
        float expected;
    };
    const Case cases[] = {
        {"", 1.5f},          // empty: the default
        {"abc", 0.0f},       // no leading number: 0
        {"  2.25xyz", 2.25f},
        {"-3.5", -3.5f},
        {"+7", 7.0f},
        {"12", 12.0f},
        // No finite number: the default, so nothing downstream meets NaN or infinity.
        {"nan", 1.5f},
        {"-inf", 1.5f},
        {"infinity", 1.5f},
    };
    for (const Case& c : cases) {
        SaveStringPreference("Settings", "Text", c.stored);
        EXPECT_FLOAT_EQ(LoadFloatPreference("Settings", "Text", 1.5f), c.expected) << c.stored;
    }
}

// Makes a locale whose decimal mark is a comma the process locale while it lives; when the
// system has none, one is built into a temporary folder with localedef (glibc looks for it
// in LOCPATH).
class CommaLocale {
public:
    CommaLocale() : m_previous(std::setlocale(LC_ALL, nullptr))
    {
        if (std::setlocale(LC_ALL, kName))
            return;
        char folder[] = "/tmp/quavix-locale-XXXXXX";
        if (!::mkdtemp(folder))
            return;
        m_folder = folder;
        const std::string command = "localedef -i de_DE -f UTF-8 '" + m_folder + "/" + kName + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        ::setenv("LOCPATH", m_folder.c_str(), 1);
        std::setlocale(LC_ALL, kName);
    }
    ~CommaLocale()
    {
        std::setlocale(LC_ALL, m_previous.c_str());
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    // Whether printf now writes a decimal comma.
    static bool inEffect()
    {
        char probe[16];
        std::snprintf(probe, sizeof probe, "%.1f", 1.5);
        return std::string(probe) == "1,5";
    }

private:
    static constexpr const char* kName = "de_DE.UTF-8";
    std::string m_previous;
    std::string m_folder;
};

TEST_F(PrefFunctionsTest, FloatsIgnoreTheProcessLocale)
{
    std::string stored;
    float loaded = 0.0f;
    {
        const CommaLocale comma;
        if (!CommaLocale::inEffect())
            GTEST_SKIP() << "no locale with a decimal comma can be had here";
        SaveFloatPreference("Settings", "Ratio", 2.5f);
        stored = LoadStringPreference("Settings", "Ratio", "");
        loaded = LoadFloatPreference("Settings", "Ratio", 0.0f);
    }
    EXPECT_EQ(stored, "2.500000");
    EXPECT_FLOAT_EQ(loaded, 2.5f);
}

TEST_F(PrefFunctionsTest, FontStringsRoundTripAndFillMissingFields)
{
    plat::FontDescription font;
    font.faceName = "Times New Roman";
    font.height = -13;
    font.weight = plat::FontDescription::kBoldWeight;
    font.italic = true;
    font.underline = false;
    font.charSet = 2;
    ASSERT_NE(SaveFontPreference("Settings\\Fonts", "Score", font), 0);
    EXPECT_EQ(LoadStringPreference("Settings\\Fonts", "Score", ""), "Times New Roman, -13, 1, 1, 0, 2");
    EXPECT_EQ(LoadFontPreference("Settings\\Fonts", "Score", "Arial", 10, 0, 0, 1, 0), font);

    // Nothing stored: the arguments.
    const plat::FontDescription defaults = LoadFontPreference("Settings\\Fonts", "Missing", "Arial", 10, 1, 0, 1, 3);
    EXPECT_EQ(defaults.faceName, "Arial");
    EXPECT_EQ(defaults.height, 10);
    EXPECT_TRUE(defaults.isBold());
    EXPECT_FALSE(defaults.italic);
    EXPECT_TRUE(defaults.underline);
    EXPECT_EQ(defaults.charSet, 3);

    // Only the face name: height 0, the other fields from the arguments.
    SaveStringPreference("Settings\\Fonts", "FaceOnly", "Courier");
    const plat::FontDescription faceOnly = LoadFontPreference("Settings\\Fonts", "FaceOnly", "Arial", 10, 1, 1, 0, 7);
    EXPECT_EQ(faceOnly.faceName, "Courier");
    EXPECT_EQ(faceOnly.height, 0);
    EXPECT_TRUE(faceOnly.isBold());
    EXPECT_TRUE(faceOnly.italic);
    EXPECT_FALSE(faceOnly.underline);
    EXPECT_EQ(faceOnly.charSet, 7);
}

TEST_F(PrefFunctionsTest, StoredFontFlagsWinOverTheDefaultsBothWays)
{
    plat::FontDescription bold;
    bold.faceName = "Arial";
    bold.weight = plat::FontDescription::kBoldWeight;
    SaveFontPreference("Settings\\Fonts", "Bold", bold);
    EXPECT_TRUE(LoadFontPreference("Settings\\Fonts", "Bold", "Arial", 0, 0, 0, 0, 0).isBold());

    // A font saved plain, italic off and underline off stays so under defaults that are on.
    plat::FontDescription plain;
    plain.faceName = "Arial";
    SaveFontPreference("Settings\\Fonts", "Plain", plain);
    const plat::FontDescription loaded = LoadFontPreference("Settings\\Fonts", "Plain", "Arial", 0, 1, 1, 1, 0);
    EXPECT_FALSE(loaded.isBold());
    EXPECT_FALSE(loaded.italic);
    EXPECT_FALSE(loaded.underline);
}

TEST_F(PrefFunctionsTest, WindowPlacementWithoutValuesUsesTheWorkArea)
{
    plat::WindowPlacement placement;
    placement.show = plat::WindowPlacement::Show::maximized;
    EXPECT_EQ(LoadWindowPrefs("Main\\Window", placement), 0);
    EXPECT_EQ(placement.show, plat::WindowPlacement::Show::normal);
    EXPECT_EQ(placement.normalPosition, (plat::WindowPlacement::Rect{0, 0, 1600, 1000}));
    EXPECT_EQ(placement.minPosition, (plat::WindowPlacement::Point{0, 0}));
    EXPECT_EQ(placement.maxPosition, (plat::WindowPlacement::Point{-4, -5}));
}

TEST_F(PrefFunctionsTest, WindowPlacementsRoundTrip)
{
    using Show = plat::WindowPlacement::Show;
    struct Case {
        Show show;
        unsigned flags;
        int iconic;
        int maximized;
    };
    const Case cases[] = {
        {Show::normal, 0, 0, 0},
        {Show::maximized, 0, 0, 1},
        {Show::minimized, 0, 1, 0},
        {Show::minimized, plat::WindowPlacement::kRestoreToMaximized, 1, 1},
    };
    for (const Case& c : cases) {
        plat::WindowPlacement saved;
        saved.show = c.show;
        saved.flags = c.flags;
        saved.normalPosition = {20, 30, 820, 630};
        SaveWindowPrefs("Main\\Window", saved);
        EXPECT_EQ(LoadIntPreference("Main\\Window", "Iconic", -1), c.iconic);
        EXPECT_EQ(LoadIntPreference("Main\\Window", "Maximized", -1), c.maximized);
        EXPECT_EQ(LoadIntPreference("Main\\Window", "Width", -1), 800);

        plat::WindowPlacement loaded;
        EXPECT_EQ(LoadWindowPrefs("Main\\Window", loaded), 1);
        EXPECT_EQ(loaded.show, c.show);
        EXPECT_EQ(loaded.flags, c.flags);
        EXPECT_EQ(loaded.normalPosition, saved.normalPosition);
    }
}

TEST_F(PrefFunctionsTest, HostileStoredValuesAreHeldToTheirRange)
{
    constexpr int limit = kScreenCoordinateLimit;
    // Ints held to a range; the default stands only for nothing stored.
    struct IntCase {
        int stored;
        int expected;
    };
    const IntCase ints[] = {{INT_MIN, -5}, {INT_MAX, 5}, {-6, -5}, {6, 5}, {0, 0}, {-5, -5}};
    for (const IntCase& c : ints) {
        SaveIntPreference("Settings", "Held", c.stored);
        EXPECT_EQ(LoadIntPreference("Settings", "Held", 99, -5, 5), c.expected) << c.stored;
    }
    EXPECT_EQ(LoadIntPreference("Settings", "Missing", 99, -5, 5), 99);

    // Window placements: the edges are worked out without overflow and stay on the screen's
    // coordinates; a size that is not positive counts as none stored.
    struct WindowCase {
        int x, y, width, height;
        int stored;
        plat::WindowPlacement::Rect expected;
    };
    const WindowCase windows[] = {
        {INT_MAX, INT_MAX, INT_MAX, INT_MAX, 1, {limit, limit, 2 * limit, 2 * limit}},
        {INT_MIN, INT_MIN, 800, 600, 1, {-limit, -limit, -limit + 800, -limit + 600}},
        {2147483000, 10, 1000, 700, 1, {limit, 10, limit + 1000, 710}},
        {10, 20, INT_MIN, 600, 0, {10, 20, 1610, 1020}},
        {10, 20, -800, -600, 0, {10, 20, 1610, 1020}},
    };
    for (const WindowCase& c : windows) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.width));
        SaveIntPreference("Main", "x", c.x);
        SaveIntPreference("Main", "y", c.y);
        SaveIntPreference("Main", "Width", c.width);
        SaveIntPreference("Main", "Height", c.height);
        plat::WindowPlacement placement;
        EXPECT_EQ(LoadWindowPrefs("Main", placement), c.stored);
        EXPECT_EQ(placement.normalPosition, c.expected);
    }

    // Font heights: the stored sign is kept, the size held.
    struct FontCase {
        const char* stored;
        int height;
    };
    const FontCase fonts[] = {
        {"Arial, -2147483648", -kFontHeightLimit},
        {"Arial, 2147483647", kFontHeightLimit},
        {"Arial, -99999999999999", -kFontHeightLimit},
        {"Arial, -21", -21},
    };
    for (const FontCase& c : fonts) {
        SaveStringPreference("Settings\\Time", "Time Font", c.stored);
        EXPECT_EQ(LoadFontPreference("Settings\\Time", "Time Font", "Arial", -21, 0, 0, 0, 0).height, c.height)
            << c.stored;
    }
}

}  // namespace
