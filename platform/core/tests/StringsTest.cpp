#include "platform/core/Strings.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <locale.h>
#include <optional>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

TEST(StringsTest, Format)
{
    EXPECT_EQ(plat::format("%s has %d staves", "Score", 12), "Score has 12 staves");
    EXPECT_EQ(plat::format("%04X|%-3s|%c", 0x2AB, "a", 'z'), "02AB|a  |z");
    EXPECT_EQ(plat::format("%s", ""), "");
    const std::string longText(5000, 'n');
    EXPECT_EQ(plat::format("<%s>", longText.c_str()), "<" + longText + ">");
}

TEST(StringsTest, FormatDouble)
{
    struct Case {
        double value;
        int decimals;
        const char* expected;
    };
    for (const Case c : {Case{0.1, -1, "0.1"}, Case{1.5, -1, "1.5"}, Case{-2.0, -1, "-2"}, Case{1e300, -1, "1e+300"},
                         Case{1.5, 2, "1.50"}, Case{2.345, 0, "2"}, Case{-0.125, 3, "-0.125"}})
        EXPECT_EQ(plat::formatDouble(c.value, c.decimals), c.expected) << c.value << " " << c.decimals;

    // The shortest form reads back to exactly the same value.
    for (const double value : {0.1, 1.0 / 3.0, 123456.789e-10, std::numeric_limits<double>::max()})
        EXPECT_EQ(plat::parseDouble(plat::formatDouble(value)), value);
}

TEST(StringsTest, ParseInt)
{
    struct Case {
        const char* text;
        int base;
        std::optional<int64_t> expected;
    };
    const std::vector<Case> cases = {
        {"0", 10, 0},
        {"42", 10, 42},
        {"-17", 10, -17},
        {"+5", 10, 5},
        {"9223372036854775807", 10, INT64_MAX},
        {"-9223372036854775808", 10, INT64_MIN},
        {"9223372036854775808", 10, std::nullopt},   // overflow
        {"-9223372036854775809", 10, std::nullopt},
        {"ff", 16, 255},
        {"FF", 16, 255},
        {"0x1F", 16, std::nullopt},                  // no prefixes
        {"12abc", 10, std::nullopt},                 // trailing junk
        {" 12", 10, std::nullopt},
        {"12 ", 10, std::nullopt},
        {"", 10, std::nullopt},
        {"-", 10, std::nullopt},
        {"+-3", 10, std::nullopt},
        {"--3", 10, std::nullopt},
        {"1.5", 10, std::nullopt},
        {"12", 1, std::nullopt},                     // no such base
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::parseInt(c.text, c.base), c.expected) << '"' << c.text << '"';
}

TEST(StringsTest, ParseUnsigned)
{
    EXPECT_EQ(plat::parseUnsigned("18446744073709551615"), UINT64_MAX);
    EXPECT_EQ(plat::parseUnsigned("18446744073709551616"), std::nullopt);
    EXPECT_EQ(plat::parseUnsigned("-1"), std::nullopt);
    EXPECT_EQ(plat::parseUnsigned("-0"), 0u);
    EXPECT_EQ(plat::parseUnsigned("7f", 16), 0x7Fu);
}

TEST(StringsTest, ParseDouble)
{
    struct Case {
        const char* text;
        std::optional<double> expected;
    };
    const std::vector<Case> cases = {
        {"0", 0.0},
        {"1.5", 1.5},
        {"-2.25", -2.25},
        {"+3", 3.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e3", 1000.0},
        {"1E-2", 0.01},
        {"1e-400", 0.0},            // too small reads as zero
        {"1e400", std::nullopt},    // too large
        {"-1e400", std::nullopt},
        {"1,5", std::nullopt},      // a comma is never a decimal mark here
        {"1.5x", std::nullopt},
        {"1.5 ", std::nullopt},
        {"", std::nullopt},
        {"-", std::nullopt},
        {"--1", std::nullopt},
        {"inf", std::nullopt},
        {"nan", std::nullopt},
        {"0x1p3", std::nullopt},
        {"e5", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(plat::parseDouble(c.text), c.expected) << '"' << c.text << '"';
}

TEST(StringsTest, CaseAndTrim)
{
    struct Case {
        const char* a;
        const char* b;
        int sign;
    };
    for (const Case c : {Case{"Tempo", "TEMPO", 0}, Case{"abc", "abd", -1}, Case{"ABD", "abc", 1}, Case{"ab", "abc", -1},
                         Case{"", "", 0}, Case{"[", "a", -1}, Case{"Größe", "GRößE", 0}}) {
        const int result = plat::compareNoCase(c.a, c.b);
        EXPECT_EQ((result > 0) - (result < 0), c.sign) << c.a << " / " << c.b;
        EXPECT_EQ(plat::equalsNoCase(c.a, c.b), c.sign == 0) << c.a << " / " << c.b;
    }
    // '[' lies between 'Z' and 'a': folding to lower case puts it before every letter.
    EXPECT_LT(plat::compareNoCase("[", "A"), 0);

    for (const auto& [text, expected] : std::vector<std::pair<const char*, const char*>>{
             {"  Allegro \t\r\n", "Allegro"}, {"x", "x"}, {" \t ", ""}, {"", ""}, {"a b", "a b"}})
        EXPECT_EQ(plat::trim(text), expected) << '"' << text << '"';

    // Only ASCII letters change case; other bytes, UTF-8 ones among them, stay.
    EXPECT_EQ(plat::upperAscii("Größe [a-z] 7"), "GRößE [A-Z] 7");
    EXPECT_EQ(plat::lowerAscii("Größe [A-Z] 7"), "größe [a-z] 7");
}

// A locale whose decimal mark is a comma. Built into a temporary folder with localedef when
// the system has none; glibc looks in LOCPATH for it.
class CommaLocale {
public:
    CommaLocale()
    {
        m_locale = newlocale(LC_ALL_MASK, kName, locale_t(0));
        if (m_locale != locale_t(0))
            return;
        char folder[] = "/tmp/quavix-locale-XXXXXX";
        if (!mkdtemp(folder))
            return;
        m_folder = folder;
        const std::string command = "localedef -i de_DE -f UTF-8 '" + m_folder + "/" + kName + "' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0)
            return;
        setenv("LOCPATH", m_folder.c_str(), 1);
#if defined(__SANITIZE_ADDRESS__)
        // glibc keeps a copy of LOCPATH that it never frees.
        const __lsan::ScopedDisabler glibcKeepsLocpath;
#endif
        m_locale = newlocale(LC_ALL_MASK, kName, locale_t(0));
    }
    ~CommaLocale()
    {
        if (m_locale != locale_t(0))
            freelocale(m_locale);
        if (!m_folder.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(m_folder, ignored);
        }
    }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    locale_t get() const { return m_locale; }
    static constexpr const char* kName = "de_DE.UTF-8";

private:
    locale_t m_locale = locale_t(0);
    std::string m_folder;
};

TEST(StringsTest, NumbersIgnoreTheLocaleOfProcessAndThread)
{
    const CommaLocale comma;
    if (comma.get() == locale_t(0))
        GTEST_SKIP() << "no locale with a decimal comma can be had here (localedef or de_DE sources missing)";

    const std::string savedGlobal = std::setlocale(LC_ALL, nullptr);
    const bool globalSet = std::setlocale(LC_ALL, CommaLocale::kName) != nullptr;
    const locale_t savedThread = uselocale(comma.get());

    char probe[16];
    std::snprintf(probe, sizeof probe, "%.2f", 1.5);
    EXPECT_STREQ(probe, "1,50") << "the comma locale is not in effect, so this test shows nothing";

    EXPECT_EQ(plat::format("%.2f|%g|%e", 1.5, 0.25, 1000.0), "1.50|0.25|1.000000e+03");
    EXPECT_EQ(plat::formatDouble(1.5), "1.5");
    EXPECT_EQ(plat::formatDouble(2.25, 3), "2.250");
    EXPECT_EQ(plat::parseDouble("1.5"), 1.5);
    EXPECT_EQ(plat::parseDouble("1,5"), std::nullopt);
    EXPECT_EQ(plat::parseDouble("1e400"), std::nullopt);
    EXPECT_EQ(plat::parseDouble("2.5e-400"), 0.0);
    EXPECT_EQ(plat::parseInt("-1234"), -1234);

    // The thread's own locale is back once formatting is done.
    std::snprintf(probe, sizeof probe, "%.1f", 0.5);
    EXPECT_STREQ(probe, "0,5");

    uselocale(savedThread);
    if (globalSet)
        std::setlocale(LC_ALL, savedGlobal.c_str());
}

}  // namespace
