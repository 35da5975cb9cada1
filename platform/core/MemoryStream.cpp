#include "platform/core/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace plat {

MemoryStream::MemoryStream(std::vector<uint8_t> data) : m_owned(std::move(data)) {}

MemoryStream::MemoryStream(std::span<const uint8_t> borrowed) : m_borrowed(borrowed), m_isBorrowed(true) {}

std::span<const uint8_t> MemoryStream::bytes() const
{
    return m_isBorrowed ? m_borrowed : std::span<const uint8_t>(m_owned);
}

size_t MemoryStream::read(void* buffer, size_t size)
{
    const std::span<const uint8_t> all = bytes();
    const size_t count = std::min(size, all.size() - m_position);
    if (count > 0)
        std::memcpy(buffer, all.data() + m_position, count);
    m_position += count;
    return count;
}

void MemoryStream::write(const void* data, size_t size)
{
    if (m_isBorrowed)
        throw std::logic_error("MemoryStream: cannot write to a borrowed buffer");
    const auto* bytesIn = static_cast<const uint8_t*>(data);
    m_owned.insert(m_owned.end(), bytesIn, bytesIn + size);
}

std::optional<uint64_t> MemoryStream::remaining() const { return bytes().size() - m_position; }

std::vector<uint8_t> MemoryStream::takeData()
{
    std::vector<uint8_t> data = std::move(m_owned);
    m_owned.clear();
    m_position = 0;
    if (m_isBorrowed)
        data.assign(m_borrowed.begin(), m_borrowed.end());
    m_borrowed = {};
    m_isBorrowed = false;
    return data;
}

void MemoryStream::seek(size_t position) { m_position = std::min(position, bytes().size()); }

}  // namespace plat
