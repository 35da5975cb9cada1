#include "notabase/values/FCMidiSysEx.h"

#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

namespace {

constexpr int deviceIndex = 2;

constexpr unsigned char gmSystemOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
constexpr unsigned char gmSystemOff[] = {0xF0, 0x7E, 0x7F, 0x09, 0x02, 0xF7};
constexpr unsigned char gsSystemOn[] = {0xF0, 0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7};
constexpr unsigned char xgSystemOn[] = {0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
constexpr unsigned char masterVolume[] = {0xF0, 0x7F, 0x7F, 0x04, 0x01, 0x00, 0x00, 0xF7};
constexpr unsigned char masterBalance[] = {0xF0, 0x7F, 0x7F, 0x04, 0x02, 0x00, 0x00, 0xF7};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// One token of one or two hexadecimal digits, with an optional "0x"; nothing for any other.
std::optional<unsigned char> parseByte(std::string_view token)
{
    if (token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X'))
        token.remove_prefix(2);
    if (token.empty() || token.size() > 2)
        return std::nullopt;
    unsigned value = 0;
    for (char c : token) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<unsigned char>(value);
}

}  // namespace

FCMidiSysEx::FCMidiSysEx(const FCMidiSysEx& other) : FCMidi(other)
{
    SetSysExBuf(other.GetSysExBuf(), other.GetSysExBufLength());
}

FCMidiSysEx::FCMidiSysEx(const unsigned char* bytes, unsigned int length)
{
    SetSysExBuf(bytes, length);
}

FCMidiSysEx& FCMidiSysEx::operator=(const FCMidiSysEx& other)
{
    if (this != &other)
        SetSysExBuf(other.GetSysExBuf(), other.GetSysExBufLength());
    return *this;
}

FCMidiSysEx::~FCMidiSysEx() = default;

void FCMidiSysEx::setLength(unsigned int length)
{
    SetCellWord((GetCellWord() & baseBits) | (static_cast<uint32_t>(length) << 4));
}

void FCMidiSysEx::SetSysExBuf(const unsigned char* bytes, unsigned int length)
{
    if (!bytes || length == 0) {
        m_buffer.reset();
        setLength(0);
        return;
    }
    if (length > maxLength)
        throw std::length_error("a system-exclusive message of more than 2^28 - 1 bytes");
    auto copy = std::make_unique<unsigned char[]>(length);
    std::memcpy(copy.get(), bytes, length);
    m_buffer = std::move(copy);
    setLength(length);
}

void FCMidiSysEx::SetSysExBuf(std::unique_ptr<unsigned char[]> bytes, unsigned int length)
{
    if (!bytes || length == 0) {
        m_buffer.reset();
        setLength(0);
        return;
    }
    if (length > maxLength)
        throw std::length_error("a system-exclusive message of more than 2^28 - 1 bytes");
    m_buffer = std::move(bytes);
    setLength(length);
}

void FCMidiSysEx::setCanned(const unsigned char* bytes, unsigned int length, unsigned int device)
{
    SetSysExBuf(bytes, length);
    m_buffer[deviceIndex] = static_cast<unsigned char>(device & 0x7F);
}

void FCMidiSysEx::SetGMSystemOn(unsigned int device)
{
    setCanned(gmSystemOn, sizeof gmSystemOn, device);
}

void FCMidiSysEx::SetGMSystemOff(unsigned int device)
{
    setCanned(gmSystemOff, sizeof gmSystemOff, device);
}

void FCMidiSysEx::SetGSSystemOn(unsigned int device)
{
    setCanned(gsSystemOn, sizeof gsSystemOn, device);
}

void FCMidiSysEx::SetXGSystemOn(unsigned int device)
{
    setCanned(xgSystemOn, sizeof xgSystemOn, device);
}

void FCMidiSysEx::SetMasterVolume(unsigned long value)
{
    SetSysExBuf(masterVolume, sizeof masterVolume);
    m_buffer[5] = static_cast<unsigned char>(value & 0x7F);
    m_buffer[6] = static_cast<unsigned char>((value >> 7) & 0x7F);
}

void FCMidiSysEx::SetMasterBalance(unsigned long value)
{
    SetSysExBuf(masterBalance, sizeof masterBalance);
    m_buffer[5] = static_cast<unsigned char>(value & 0x7F);
    m_buffer[6] = static_cast<unsigned char>((value >> 7) & 0x7F);
}

int FCMidiSysEx::SysExCompare(const unsigned char* reference, unsigned int length, int skipIndex, int skipCount) const
{
    if (GetSysExBufLength() < length)
        return 0;
    for (unsigned int i = 0; i < length; ++i) {
        const long index = static_cast<long>(i);
        if (index >= skipIndex && index < static_cast<long>(skipIndex) + skipCount)
            continue;
        if (m_buffer[i] != reference[i])
            return 0;
    }
    return 1;
}

int FCMidiSysEx::IsGMSystemOnMsg() const
{
    return SysExCompare(gmSystemOn, sizeof gmSystemOn, deviceIndex, 1);
}

int FCMidiSysEx::IsGMSystemOffMsg() const
{
    return SysExCompare(gmSystemOff, sizeof gmSystemOff, deviceIndex, 1);
}

int FCMidiSysEx::IsGSSystemOnMsg() const
{
    return SysExCompare(gsSystemOn, sizeof gsSystemOn, deviceIndex, 1);
}

int FCMidiSysEx::IsXGSystemOnMsg() const
{
    return SysExCompare(xgSystemOn, sizeof xgSystemOn, deviceIndex, 1);
}

int FCMidiSysEx::IsMasterVolumeMsg() const
{
    return SysExCompare(masterVolume, sizeof masterVolume, deviceIndex, 1);
}

int FCMidiSysEx::IsMasterBalanceMsg() const
{
    return SysExCompare(masterBalance, sizeof masterBalance, deviceIndex, 1);
}

std::string FCMidiSysEx::ConvertToString() const
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(static_cast<size_t>(GetSysExBufLength()) * 3);
    for (unsigned int i = 0; i < GetSysExBufLength(); ++i) {
        text += digits[m_buffer[i] >> 4];
        text += digits[m_buffer[i] & 0x0F];
        text += ' ';
    }
    return text;
}

int FCMidiSysEx::ConvertFromString(std::string_view text)
{
    static constexpr std::string_view delimiters = " ,";
    std::vector<unsigned char> bytes;
    size_t at = 0;
    while (at < text.size()) {
        const size_t start = text.find_first_not_of(delimiters, at);
        if (start == std::string_view::npos)
            break;
        size_t end = text.find_first_of(delimiters, start);
        if (end == std::string_view::npos)
            end = text.size();
        const std::optional<unsigned char> byte = parseByte(text.substr(start, end - start));
        if (!byte)
            return 0;
        bytes.push_back(*byte);
        at = end;
    }
    if (bytes.size() > maxLength)
        return 0;
    SetSysExBuf(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return bytes.empty() ? 0 : 1;
}
