#include "platform/core/Strings.h"

#include <charconv>
#include <clocale>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <locale.h>
#include <system_error>
#include <type_traits>

namespace plat {

namespace {

// Switches the calling thread to the C locale for the lifetime of the guard.
class CLocaleScope {
public:
    CLocaleScope() : m_previous(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(m_previous); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    static locale_t cLocale()
    {
        // Made once and kept for the life of the process: threads may format at any time.
        static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(0));
        return locale != locale_t(0) ? locale : LC_GLOBAL_LOCALE;
    }

    locale_t m_previous;
};

char lowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

char upperChar(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

template <class T>
std::optional<T> parseInteger(std::string_view text, int base)
{
    if (base < 2 || base > 36)
        return std::nullopt;
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // from_chars takes no '+', and a '-' only for signed types; the sign is handled here so
    // "-0" and "+5" read alike for both.
    if (text.empty() || text.front() == '+' || text.front() == '-')
        return std::nullopt;
    uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude, base);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    if constexpr (std::is_signed_v<T>) {
        constexpr uint64_t maxPositive = static_cast<uint64_t>(INT64_MAX);
        if (negative) {
            if (magnitude > maxPositive + 1)
                return std::nullopt;
            return magnitude == maxPositive + 1 ? INT64_MIN : -static_cast<int64_t>(magnitude);
        }
        if (magnitude > maxPositive)
            return std::nullopt;
        return static_cast<int64_t>(magnitude);
    } else {
        if (negative && magnitude != 0)
            return std::nullopt;
        return magnitude;
    }
}

}  // namespace

std::string vformat(const char* fmt, va_list args)
{
    const CLocaleScope scope;
    char small[256];
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (length < 0)
        return {};
    if (static_cast<size_t>(length) < sizeof small)
        return std::string(small, static_cast<size_t>(length));
    std::string text(static_cast<size_t>(length), '\0');
    std::vsnprintf(text.data(), text.size() + 1, fmt, args);
    return text;
}

std::string format(const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    std::string text = vformat(fmt, args);
    va_end(args);
    return text;
}

std::string formatDouble(double value, int decimals)
{
    if (decimals >= 0)
        return format("%.*f", decimals, value);
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (error != std::errc())
        return format("%.17g", value);
    return std::string(buffer, end);
}

std::optional<int64_t> parseInt(std::string_view text, int base) { return parseInteger<int64_t>(text, base); }

std::optional<uint64_t> parseUnsigned(std::string_view text, int base)
{
    return parseInteger<uint64_t>(text, base);
}

std::optional<double> parseDouble(std::string_view text)
{
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Only digits or a decimal mark may start the number: this refuses a second sign,
    // "inf", "nan" and hexadecimal floats.
    if (text.empty() || !((text.front() >= '0' && text.front() <= '9') || text.front() == '.'))
        return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value,
                                              std::chars_format::general);
    if (end != text.data() + text.size())
        return std::nullopt;
    if (error == std::errc::result_out_of_range) {
        // from_chars leaves the value alone on underflow and overflow alike: strtod tells
        // them apart. Too small reads as zero or a subnormal; too large has no value.
        const CLocaleScope scope;
        const std::string copy(text);
        value = std::strtod(copy.c_str(), nullptr);
        if (std::isinf(value))
            return std::nullopt;
    } else if (error != std::errc()) {
        return std::nullopt;
    }
    if (!std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

int compareNoCase(std::string_view a, std::string_view b)
{
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const unsigned char ca = static_cast<unsigned char>(lowerChar(a[i]));
        const unsigned char cb = static_cast<unsigned char>(lowerChar(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && compareNoCase(a, b) == 0; }

std::string upperAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = upperChar(c);
    return result;
}

std::string lowerAscii(std::string_view text)
{
    std::string result(text);
    for (char& c : result)
        c = lowerChar(c);
    return result;
}

std::string_view trim(std::string_view text)
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

}  // namespace plat
