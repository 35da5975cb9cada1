#include "app/core/CCopyData.h"

namespace {

void putU32(std::string& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

uint32_t getU32(const std::string& in, size_t at)
{
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(static_cast<unsigned char>(in[at + static_cast<size_t>(i)])) << (8 * i);
    return value;
}

}  // namespace

std::string CCopyData::Encode(uint32_t tag, const std::string& text)
{
    std::string record;
    putU32(record, tag);
    putU32(record, static_cast<uint32_t>(text.size()));
    return record + text;
}

std::optional<std::string> CCopyData::Decode(const std::string& record, uint32_t tag)
{
    if (record.size() < 8 || getU32(record, 0) != tag)
        return std::nullopt;
    const uint32_t length = getU32(record, 4);
    if (length != record.size() - 8)
        return std::nullopt;
    return record.substr(8);
}
