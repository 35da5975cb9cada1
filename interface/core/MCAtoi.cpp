#include "interface/core/MCAtoi.h"

#include <cctype>
#include <climits>

int MCAtoi(std::string_view text)
{
    size_t p = 0;
    while (p < text.size() && std::isspace(static_cast<unsigned char>(text[p])))
        ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-'))
        negative = text[p++] == '-';
    long long value = 0;
    while (p < text.size() && std::isdigit(static_cast<unsigned char>(text[p]))) {
        value = value * 10 + (text[p] - '0');
        if (value > 2147483648LL)
            value = 2147483648LL;
        ++p;
    }
    if (negative)
        return value >= 2147483648LL ? INT_MIN : int(-value);
    return value > INT_MAX ? INT_MAX : int(value);
}
