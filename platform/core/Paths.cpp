#include "platform/core/Paths.h"

#include <unistd.h>

#include <vector>

namespace plat::paths {

namespace {

bool isSeparator(char c) { return c == '/' || c == '\\'; }

size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The index after the UTF-8 character that starts at i, so "?" stands for one character
// rather than one byte.
size_t nextCharacter(std::string_view text, size_t i)
{
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
        ++i;
    return i;
}

}  // namespace

std::string programPath()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0)
            return {};
        if (static_cast<size_t>(length) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(length));
        if (buffer.size() >= 65536)
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string programFolder() { return folder(programPath()); }

std::string folder(std::string_view path)
{
    const size_t separator = lastSeparator(path);
    if (separator == std::string_view::npos)
        return {};
    if (separator == 0)
        return std::string(path.substr(0, 1));
    return std::string(path.substr(0, separator));
}

std::string name(std::string_view path)
{
    const size_t separator = lastSeparator(path);
    return std::string(separator == std::string_view::npos ? path : path.substr(separator + 1));
}

std::string extension(std::string_view path)
{
    const std::string fileName = name(path);
    if (fileName == "." || fileName == "..")
        return {};
    const size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || dot == 0)
        return {};
    return fileName.substr(dot);
}

std::string join(std::string_view base, std::string_view rest)
{
    if (base.empty() || (!rest.empty() && isSeparator(rest.front())))
        return std::string(rest);
    if (rest.empty())
        return std::string(base);
    std::string joined(base);
    if (!isSeparator(joined.back()))
        joined += '/';
    joined += rest;
    return joined;
}

std::string withSlashes(std::string_view path)
{
    std::string result(path);
    for (char& c : result) {
        if (c == '\\')
            c = '/';
    }
    return result;
}

bool matches(std::string_view name, std::string_view pattern)
{
    // Greedy matching that remembers only the last "*": on a mismatch the last star takes one
    // more character. Linear in practice and never exponential, whatever the pattern.
    size_t p = 0;
    size_t n = 0;
    size_t afterStar = std::string_view::npos;
    size_t starMatchEnd = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            afterStar = ++p;
            starMatchEnd = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n = nextCharacter(name, n);
        } else if (p < pattern.size() && lowerAscii(pattern[p]) == lowerAscii(name[n])) {
            ++p;
            ++n;
        } else if (afterStar != std::string_view::npos) {
            starMatchEnd = nextCharacter(name, starMatchEnd);
            n = starMatchEnd;
            p = afterStar;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

}  // namespace plat::paths
