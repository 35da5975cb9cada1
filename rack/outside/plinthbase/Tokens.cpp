#include "rack/outside/plinthbase/Tokens.h"

#include <algorithm>
#include <limits>

namespace rack {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The start, and the bounds of the text of token index.
struct Token {
    size_t start = std::string_view::npos;
    size_t textBegin = 0;
    size_t textEnd = 0;
};

Token findToken(int index, std::string_view text)
{
    size_t pos = 0;
    TextToken next;
    for (int i = 0; NextStringToken(text, pos, next); ++i)
        if (i == index) {
            const auto begin = size_t(next.text.data() - text.data());
            return Token{next.start, begin, begin + next.text.size()};
        }
    return {};
}

int64_t leadingNumber(std::string_view text)
{
    size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '-' || text[pos] == '+'))
        negative = text[pos++] == '-';
    int64_t value = 0;
    for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos)
        value = std::min<int64_t>(value * 10 + (text[pos] - '0'), int64_t(1) << 40);
    return negative ? -value : value;
}

template <class T>
T clampTo(int64_t value)
{
    return static_cast<T>(
        std::clamp<int64_t>(value, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

}  // namespace

bool NextStringToken(std::string_view text, size_t& pos, TextToken& token)
{
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos >= text.size())
        return false;
    token.start = pos;
    token.quoted = text[pos] == '"';
    if (token.quoted) {
        const size_t close = text.find('"', pos + 1);
        const size_t end = close == std::string_view::npos ? text.size() : close;
        token.text = text.substr(pos + 1, end - pos - 1);
        pos = close == std::string_view::npos ? text.size() : close + 1;
    } else {
        const size_t begin = pos;
        while (pos < text.size() && !isBlank(text[pos]))
            ++pos;
        token.text = text.substr(begin, pos - begin);
    }
    return true;
}

int GetLongStringVector(int index, std::string_view text, std::string& out)
{
    const Token token = findToken(index, text);
    if (token.start == std::string_view::npos)
        return 0;
    out.assign(text.substr(token.textBegin, token.textEnd - token.textBegin));
    return 1;
}

int GetStringVector(int index, std::string_view text, std::string& out)
{
    if (!GetLongStringVector(index, text, out))
        return 0;
    if (out.size() > 31)
        out.resize(31);
    return 1;
}

int GetStringIndex(int index, std::string_view text)
{
    const Token token = findToken(index, text);
    return token.start == std::string_view::npos ? -1 : static_cast<int>(token.start);
}

int16_t Asci2Int(std::string_view text)
{
    return clampTo<int16_t>(leadingNumber(text));
}

uint16_t Asci2Word(std::string_view text)
{
    return clampTo<uint16_t>(leadingNumber(text));
}

int32_t Asci2Long(std::string_view text)
{
    return clampTo<int32_t>(leadingNumber(text));
}

}  // namespace rack
