#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCValue.h"

#include <cstdint>

// A cell holding an int, with its arithmetic and bitwise operators and access to its halves
// and bits, in which data components and elements pack small fields.
class NOTABASE_API FCInt : public FCIntegralValue<FCInt, int> {
public:
    using FCIntegralValue::FCIntegralValue;
    using FCIntegralValue::operator=;

    uint16_t GetLowValue() const { return static_cast<uint16_t>(static_cast<uint32_t>(m_value)); }
    uint16_t GetHighValue() const { return static_cast<uint16_t>(static_cast<uint32_t>(m_value) >> 16); }
    // Each stores one half and leaves the other as it is.
    void SetLowValue(uint16_t low);
    void SetHighValue(uint16_t high);
    // Bit 0..31 as 0 or 1; any other bit number answers 0.
    int GetBitValue(int bit) const;
    // Sets the bit when on is above 0, clears it otherwise; any other bit number changes nothing.
    void SetBitValue(int bit, unsigned char on);
};
