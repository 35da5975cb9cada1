#include "interface/midifile/MCMidiMemFile.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

MCMidiMemFile::MCMidiMemFile(std::string name, std::vector<uint8_t> bytes)
    : m_name(std::move(name)), m_bytes(std::move(bytes))
{
}

size_t MCMidiMemFile::Read(void* buffer, size_t size)
{
    if (m_position >= m_bytes.size())
        return 0;
    const size_t count = static_cast<size_t>(std::min<uint64_t>(size, m_bytes.size() - m_position));
    std::memcpy(buffer, m_bytes.data() + m_position, count);
    m_position += count;
    return count;
}

void MCMidiMemFile::Write(const void* data, size_t size)
{
    if (size == 0)
        return;
    if (m_position > m_bytes.max_size() - size)
        throw std::length_error("MIDI file too long");
    const uint64_t end = m_position + size;
    const auto* bytes = static_cast<const uint8_t*>(data);
    // A writer mostly appends a few bytes at a time: they go straight onto the end, without
    // the end first being filled with zeros.
    const size_t over = m_position < m_bytes.size() ? static_cast<size_t>(std::min<uint64_t>(size, m_bytes.size() - m_position)) : 0;
    if (m_position > m_bytes.size())
        m_bytes.resize(static_cast<size_t>(m_position));
    if (over > 0)
        std::memcpy(m_bytes.data() + m_position, bytes, over);
    m_bytes.insert(m_bytes.end(), bytes + over, bytes + size);
    m_position = end;
}

void MCMidiMemFile::Seek(uint64_t position)
{
    m_position = position;
}
