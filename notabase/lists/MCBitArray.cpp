#include "notabase/lists/MCBitArray.h"

#include <algorithm>

MCBitArray::MCBitArray(const MCBitArray& other)
{
    *this = other;
}

MCBitArray& MCBitArray::operator=(const MCBitArray& other)
{
    if (this != &other) {
        SetSize(other.m_bits);
        std::copy_n(other.m_storage.get(), m_words, m_storage.get());
    }
    return *this;
}

void MCBitArray::SetSize(int bits)
{
    m_storage.reset();
    m_bits = 0;
    m_words = 0;
    if (bits <= 0)
        return;
    m_words = (bits + 15) / 16;
    m_bits = bits;
    m_storage = std::make_unique<uint16_t[]>(static_cast<size_t>(m_words));
}

void MCBitArray::Set(int n)
{
    if (inRange(n))
        m_storage[n / 16] = static_cast<uint16_t>(m_storage[n / 16] | (1u << (n % 16)));
}

void MCBitArray::Clear(int n)
{
    if (inRange(n))
        m_storage[n / 16] = static_cast<uint16_t>(m_storage[n / 16] & ~(1u << (n % 16)));
}

int MCBitArray::Get(int n) const
{
    return inRange(n) && (m_storage[n / 16] & (1u << (n % 16))) ? 1 : 0;
}

int MCBitArray::GetAll() const
{
    for (int i = 0; i < m_words; ++i) {
        if (m_storage[i])
            return 1;
    }
    return 0;
}

void MCBitArray::ClearAll()
{
    std::fill_n(m_storage.get(), m_words, uint16_t{0});
}
