#include "notabase/values/FCInt.h"

void FCInt::SetLowValue(uint16_t low)
{
    m_value = static_cast<int>((static_cast<uint32_t>(m_value) & 0xFFFF0000u) | low);
}

void FCInt::SetHighValue(uint16_t high)
{
    m_value = static_cast<int>((static_cast<uint32_t>(m_value) & 0x0000FFFFu) | (static_cast<uint32_t>(high) << 16));
}

int FCInt::GetBitValue(int bit) const
{
    if (bit < 0 || bit > 31)
        return 0;
    return static_cast<int>((static_cast<uint32_t>(m_value) >> bit) & 1u);
}

void FCInt::SetBitValue(int bit, unsigned char on)
{
    if (bit < 0 || bit > 31)
        return;
    const uint32_t mask = 1u << bit;
    const uint32_t bits = static_cast<uint32_t>(m_value);
    m_value = static_cast<int>(on > 0 ? bits | mask : bits & ~mask);
}
