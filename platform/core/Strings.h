#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// Texts are UTF-8 in std::string. Everything here formats and parses numbers in the C
// locale, whatever locale the process or the calling thread has set, so stored and shown
// numbers never depend on the user's decimal mark.

// printf-style formatting into a string.
PLATCORE_API std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
PLATCORE_API std::string vformat(const char* fmt, va_list args) __attribute__((format(printf, 1, 0)));

// A double in its shortest form that reads back to the same value ("0.1", "1e+300"), or
// with a fixed number of decimals when decimals >= 0 ("1.50").
PLATCORE_API std::string formatDouble(double value, int decimals = -1);

// The whole text must be the number: an optional sign, digits (in base 2 to 36 for
// integers, without a prefix), nothing before or after. Overflow gives no value.
PLATCORE_API std::optional<int64_t> parseInt(std::string_view text, int base = 10);
PLATCORE_API std::optional<uint64_t> parseUnsigned(std::string_view text, int base = 10);
// Decimal or scientific notation with '.' as the decimal mark; "inf" and "nan" are refused,
// and so is a value too large for a double.
PLATCORE_API std::optional<double> parseDouble(std::string_view text);

// Compares ASCII letters without regard to case; other bytes compare as they are.
// Negative, zero or positive, like strcmp.
PLATCORE_API int compareNoCase(std::string_view a, std::string_view b);
PLATCORE_API bool equalsNoCase(std::string_view a, std::string_view b);
// The text with its ASCII letters in upper or in lower case; other bytes as they are.
PLATCORE_API std::string upperAscii(std::string_view text);
PLATCORE_API std::string lowerAscii(std::string_view text);

// The text without leading and trailing spaces, tabs and line ends.
PLATCORE_API std::string_view trim(std::string_view text);

}  // namespace plat
