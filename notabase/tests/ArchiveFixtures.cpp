#include "notabase/tests/ArchiveFixtures.h"

#include "notabase/values/MCTime.h"

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

OldRecord::OldRecord(int version) : m_version(version), m_archive(m_stream, plat::Archive::Mode::store)
{
}

OldRecord& OldRecord::head()
{
    return u8(0);
}

OldRecord& OldRecord::timedHead(float t, uint16_t voiceTrack)
{
    head();
    time(t);
    m_archive.writeU16(voiceTrack);
    return *this;
}

OldRecord& OldRecord::time(float t)
{
    if (m_version < 1)
        m_archive.writeFloat(t);
    else
        MCTime(t).Serialize(m_archive, m_version);
    return *this;
}

OldRecord& OldRecord::u8(uint8_t value)
{
    m_archive.writeU8(value);
    return *this;
}

OldRecord& OldRecord::i32(int32_t value)
{
    m_archive.writeI32(value);
    return *this;
}

OldRecord& OldRecord::string(std::string_view text)
{
    m_archive.writeString(text);
    return *this;
}

std::vector<uint8_t> OldRecord::bytes()
{
    m_archive.flush();
    const auto written = m_stream.bytes();
    return {written.begin(), written.end()};
}
