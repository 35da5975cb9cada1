#include "interface/midifile/MCMidiText.h"

#include <cstdint>

namespace {

// Code points of the bytes 0x80 to 0x9F; the five bytes the code page leaves unassigned map to
// the C1 control of the same number, so every byte survives.
constexpr char16_t kHigh[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

bool MCMidiText::IsValidUtf8(std::string_view text)
{
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        int extra = 0;
        uint32_t code = 0;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xE0) == 0xC0) {
            extra = 1;
            code = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            extra = 2;
            code = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            extra = 3;
            code = byte & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values beyond Unicode are not UTF-8.
        static constexpr uint32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
        if (code < kMin[extra] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
            return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return true;
}

std::string MCMidiText::FromFile(std::string_view bytes)
{
    if (IsValidUtf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            out += c;
        else if (byte < 0xA0)
            AppendUtf8(out, kHigh[byte - 0x80]);
        else
            AppendUtf8(out, byte);
    }
    return out;
}

std::string MCMidiText::ToFile(std::string_view text)
{
    if (!IsValidUtf8(text))
        return std::string(text);
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        uint32_t code = byte;
        size_t length = 1;
        if (byte >= 0xF0) {
            code = byte & 0x07;
            length = 4;
        } else if (byte >= 0xE0) {
            code = byte & 0x0F;
            length = 3;
        } else if (byte >= 0xC0) {
            code = byte & 0x1F;
            length = 2;
        }
        for (size_t k = 1; k < length; ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        i += length;
        if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) {
            out += static_cast<char>(code);
            continue;
        }
        bool found = false;
        for (int k = 0; k < 32 && !found; ++k) {
            if (kHigh[k] == code) {
                out += static_cast<char>(0x80 + k);
                found = true;
            }
        }
        if (!found)
            return std::string(text);
    }
    return out;
}
