#include "notabase/values/FCByte.h"

int FCByte::GetBitValue(int bit) const
{
    if (bit < 0 || bit > 7)
        return 0;
    return (GetValue() >> bit) & 1;
}

void FCByte::SetBitValue(int bit, unsigned char on)
{
    if (bit < 0 || bit > 7)
        return;
    const uint8_t mask = static_cast<uint8_t>(1u << bit);
    SetValue(on > 0 ? static_cast<uint8_t>(GetValue() | mask) : static_cast<uint8_t>(GetValue() & ~mask));
}

FCByte& FCByte::operator!()
{
    SetValue(GetValue() ? 0 : 1);
    return *this;
}

FCByte& FCByte::operator&&(uint8_t value)
{
    SetValue((GetValue() && value) ? 1 : 0);
    return *this;
}

FCByte& FCByte::operator||(uint8_t value)
{
    SetValue((GetValue() || value) ? 1 : 0);
    return *this;
}
