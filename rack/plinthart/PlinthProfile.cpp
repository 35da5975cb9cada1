#include "rack/plinthart/PlinthProfile.h"

#include "platform/core/IniFile.h"

namespace rack {

namespace {

// The longest start of text that fits size bytes without splitting a UTF-8 character.
std::string cut(std::string text, size_t size)
{
    if (text.size() <= size)
        return text;
    size_t end = size;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

}  // namespace

std::string PlinthProfile::path()
{
    return plat::IniFile(kFileName).path();
}

std::string PlinthProfile::getString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                     size_t bufferSize)
{
    if (bufferSize == 0)
        return std::string();
    // The file is looked for anew on each use: another program may have written it.
    return cut(plat::IniFile(kFileName).getString(section, key, defaultValue), bufferSize - 1);
}

bool PlinthProfile::setString(std::string_view section, std::string_view key, std::string_view value)
{
    return plat::IniFile(kFileName).setString(section, key, value);
}

}  // namespace rack
