#include "notabase/tests/ArchiveFixtures.h"

#include <algorithm>
#include <stdexcept>
#include <string>

void setStoredSchema(std::vector<uint8_t>& bytes, std::string_view className, uint32_t schema)
{
    // A new class is stored as its name (a 16-bit count and the bytes), then its schema.
    std::vector<uint8_t> tag{static_cast<uint8_t>(className.size()), static_cast<uint8_t>(className.size() >> 8)};
    tag.insert(tag.end(), className.begin(), className.end());
    auto at = std::search(bytes.begin(), bytes.end(), tag.begin(), tag.end());
    if (at == bytes.end() || bytes.end() - at < static_cast<std::ptrdiff_t>(tag.size() + 4))
        throw std::logic_error("no class " + std::string(className) + " in the bytes");
    at += static_cast<std::ptrdiff_t>(tag.size());
    for (int i = 0; i < 4; ++i)
        *at++ = static_cast<uint8_t>(schema >> (8 * i));
}
