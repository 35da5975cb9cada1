#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>
#include <memory>

// A fixed number of bits in 16-bit words: bit n is bit n % 16 of word n / 16.
class NOTABASE_API MCBitArray {
public:
    MCBitArray() = default;
    explicit MCBitArray(int bits) { SetSize(bits); }
    MCBitArray(const MCBitArray& other);
    MCBitArray& operator=(const MCBitArray& other);

    // Frees the old bits; for n > 0 makes n cleared bits.
    void SetSize(int bits);
    int GetSize() const { return m_bits; }
    int GetWordCount() const { return m_words; }

    // Bits at or beyond the size are ignored (Set, Clear) or read as clear (Get).
    void Set(int n);
    void Clear(int n);
    int Get(int n) const;
    // 1 when any bit is set.
    int GetAll() const;
    void ClearAll();

private:
    bool inRange(int n) const { return n >= 0 && n < m_bits; }

    std::unique_ptr<uint16_t[]> m_storage;
    int m_bits = 0;
    int m_words = 0;
};
