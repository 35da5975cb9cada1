#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/values/FCBase.h"

#include <cstdint>

// A cell holding one byte, packed into bits 8-15 of the cell word, with its logical operators
// and access to its bits.
class NOTABASE_API FCByte : public FCBase {
public:
    FCByte() = default;
    FCByte(uint8_t value) { SetValue(value); }
    FCByte(const FCByte&) = default;
    // Takes the value only.
    FCByte& operator=(const FCByte& other)
    {
        SetValue(other.GetValue());
        return *this;
    }
    FCByte& operator=(uint8_t value)
    {
        SetValue(value);
        return *this;
    }

    uint8_t GetValue() const { return static_cast<uint8_t>(GetCellWord() >> 8); }
    void SetValue(uint8_t value) { SetCellWord((GetCellWord() & ~uint32_t(0xFF00)) | (uint32_t(value) << 8)); }

    // Bit 0..7 of the value as 0 or 1; any other bit number answers 0.
    int GetBitValue(int bit) const;
    // Sets the bit when on is above 0, clears it otherwise; any other bit number changes nothing.
    void SetBitValue(int bit, unsigned char on);

    FCByte& operator!();
    FCByte& operator&&(uint8_t value);
    FCByte& operator||(uint8_t value);

    bool operator==(uint8_t value) const { return GetValue() == value; }
    bool operator!=(uint8_t value) const { return GetValue() != value; }
    bool operator==(const FCByte& other) const { return GetValue() == other.GetValue(); }
    bool operator!=(const FCByte& other) const { return GetValue() != other.GetValue(); }
};
