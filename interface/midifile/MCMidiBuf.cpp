#include "interface/midifile/MCMidiBuf.h"

MCMidiBuf::MCMidiBuf(unsigned long size) : m_bytes(size)
{
}

void MCMidiBuf::Truncate(size_t size)
{
    if (size < m_bytes.size())
        m_bytes.resize(size);
    if (m_cursor > m_bytes.size())
        m_cursor = m_bytes.size();
}

std::optional<unsigned char> MCMidiBuf::ReadByte()
{
    if (AtEnd())
        return std::nullopt;
    return m_bytes[m_cursor++];
}

const unsigned char* MCMidiBuf::ReadByteArray(unsigned long n)
{
    if (n > GetRemaining())
        return nullptr;
    const unsigned char* at = m_bytes.data() + m_cursor;
    m_cursor += n;
    return at;
}

std::optional<long> MCMidiBuf::ReadVariLength()
{
    const size_t start = m_cursor;
    long value = 0;
    for (int i = 0; i < kMaxVariLengthBytes; ++i) {
        if (AtEnd())
            break;
        const unsigned char byte = m_bytes[m_cursor++];
        value = (value << 7) | (byte & 0x7F);
        if (!(byte & 0x80))
            return value;
    }
    m_cursor = start;
    return std::nullopt;
}
