#include "notabase/prefs/Preferences.h"

#include "platform/core/Profile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cmath>
#include <optional>
#include <string_view>
#include <vector>

namespace {

std::string_view skipBlanks(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '\n'
                             || text.front() == '\r' || text.front() == '\f' || text.front() == '\v'))
        text.remove_prefix(1);
    return text;
}

// The leading integer of a text, as the classic conversion reads it: blanks, an optional
// sign, digits; 0 when there is none. Values beyond the int range are clamped.
int leadingInt(std::string_view text)
{
    text = skipBlanks(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
        if (value > static_cast<long long>(INT_MAX) + 1)
            break;
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

// The leading decimal number of a text in the C locale; 0.0 when there is none.
float leadingFloat(std::string_view text)
{
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    float value = 0.0f;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        return value;
    return result.ec == std::errc() ? value : 0.0f;
}

std::vector<std::string_view> splitAtCommas(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto comma = text.find(',');
        fields.push_back(text.substr(0, comma));
        if (comma == std::string_view::npos)
            return fields;
        text.remove_prefix(comma + 1);
    }
}

}  // namespace

int LoadIntPreference(const char* section, const char* name, int defaultValue)
{
    return plat::Profile::instance().getInt(section, name).value_or(defaultValue);
}

int LoadIntPreference(const char* section, const char* name, int defaultValue, int low, int high)
{
    const std::optional<int> stored = plat::Profile::instance().getInt(section, name);
    return stored ? std::clamp(*stored, low, high) : defaultValue;
}

int SaveIntPreference(const char* section, const char* name, int value)
{
    return plat::Profile::instance().setInt(section, name, value) ? 1 : 0;
}

float LoadFloatPreference(const char* section, const char* name, float defaultValue)
{
    const auto text = plat::Profile::instance().getString(section, name);
    if (!text || text->empty())
        return defaultValue;
    const float value = leadingFloat(*text);
    return std::isfinite(value) ? value : defaultValue;
}

int SaveFloatPreference(const char* section, const char* name, float value)
{
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return 0;
    const std::string_view text(buffer.data(), static_cast<size_t>(result.ptr - buffer.data()));
    return plat::Profile::instance().setString(section, name, text) ? 1 : 0;
}

std::string LoadStringPreference(const char* section, const char* name, const char* defaultValue)
{
    if (auto text = plat::Profile::instance().getString(section, name))
        return std::move(*text);
    return defaultValue ? defaultValue : "";
}

int SaveStringPreference(const char* section, const char* name, const char* value)
{
    return plat::Profile::instance().setString(section, name, value ? value : "") ? 1 : 0;
}

plat::FontDescription LoadFontPreference(const char* section, const char* name, const char* faceName,
                                  int height, int bold, int italic, int underline, int charSet)
{
    plat::FontDescription font;
    font.faceName = faceName ? faceName : "";
    font.height = height;
    font.weight = bold ? plat::FontDescription::kBoldWeight : plat::FontDescription::kNormalWeight;
    font.italic = italic != 0;
    font.underline = underline != 0;
    font.charSet = charSet;

    const std::string stored = LoadStringPreference(section, name, "");
    if (stored.empty())
        return font;

    // A stored field wins over the argument both ways, so a font saved plain does not come
    // back bold because the caller's default was bold. Missing or empty flag fields keep the
    // defaults.
    const auto fields = splitAtCommas(stored);
    auto field = [&fields](size_t index) {
        return index < fields.size() ? skipBlanks(fields[index]) : std::string_view();
    };
    font.faceName = std::string(fields[0]);
    font.height = std::clamp(leadingInt(field(1)), -kFontHeightLimit, kFontHeightLimit);
    if (!field(2).empty())
        font.weight = leadingInt(field(2)) == 1 ? plat::FontDescription::kBoldWeight
                                                : plat::FontDescription::kNormalWeight;
    if (!field(3).empty())
        font.italic = leadingInt(field(3)) == 1;
    if (!field(4).empty())
        font.underline = leadingInt(field(4)) == 1;
    if (!field(5).empty())
        font.charSet = leadingInt(field(5));
    return font;
}

int SaveFontPreference(const char* section, const char* name, const plat::FontDescription& font)
{
    std::string text = font.faceName;
    for (int value : {font.height, font.isBold() ? 1 : 0, font.italic ? 1 : 0,
                      font.underline ? 1 : 0, font.charSet}) {
        text += ", ";
        text += std::to_string(value);
    }
    return SaveStringPreference(section, name, text.c_str());
}

int LoadWindowPrefs(const char* section, plat::WindowPlacement& placement)
{
    constexpr int limit = kScreenCoordinateLimit;
    const int x = LoadIntPreference(section, "x", 0, -limit, limit);
    const int y = LoadIntPreference(section, "y", 0, -limit, limit);
    int width = LoadIntPreference(section, "Width", 0, 0, limit);
    int height = LoadIntPreference(section, "Height", 0, 0, limit);
    const int iconic = LoadIntPreference(section, "Iconic", 0);
    const int maximized = LoadIntPreference(section, "Maximized", 0);

    const plat::ScreenMetrics screen = plat::currentScreenMetrics();
    int result = 1;
    if (width == 0 || height == 0) {
        width = screen.workAreaWidth;
        height = screen.workAreaHeight;
        result = 0;
    }

    placement.normalPosition = {x, y, x + width, y + height};
    placement.flags = 0;
    if (iconic) {
        placement.show = plat::WindowPlacement::Show::minimized;
        if (maximized)
            placement.flags = plat::WindowPlacement::kRestoreToMaximized;
    } else {
        placement.show = maximized ? plat::WindowPlacement::Show::maximized
                                   : plat::WindowPlacement::Show::normal;
    }
    placement.minPosition = {0, 0};
    placement.maxPosition = {-screen.borderWidth, -screen.borderHeight};
    return result;
}

void SaveWindowPrefs(const char* section, const plat::WindowPlacement& placement)
{
    const bool iconic = placement.show == plat::WindowPlacement::Show::minimized;
    const bool maximized = iconic
        ? (placement.flags & plat::WindowPlacement::kRestoreToMaximized) != 0
        : placement.show == plat::WindowPlacement::Show::maximized;
    const auto& normal = placement.normalPosition;
    SaveIntPreference(section, "x", normal.left);
    SaveIntPreference(section, "y", normal.top);
    SaveIntPreference(section, "Width", normal.width());
    SaveIntPreference(section, "Height", normal.height());
    SaveIntPreference(section, "Iconic", iconic ? 1 : 0);
    SaveIntPreference(section, "Maximized", maximized ? 1 : 0);
}
