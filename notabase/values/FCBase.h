#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>

// The base of the value cells: one 32-bit cell word whose bit 0 is the dirty flag. Bits 0-3
// belong to the base; a derived cell may pack its value into bits 4-31. A new cell is dirty;
// setting a value never touches the flag, which is the owner's business.
class NOTABASE_API FCBase {
public:
    enum : uint32_t {
        flagDirty = 0x1,
        flagReserved = 0x2,  // cleared on construction, no accessor
        baseBits = 0xF,
    };

    FCBase() = default;
    FCBase(const FCBase&) = default;
    // Copies the whole cell word: the flags and any value packed into it.
    FCBase& operator=(const FCBase&) = default;
    virtual ~FCBase();

    int IsDirty() const { return (m_cell & flagDirty) ? 1 : 0; }
    // Only bit 0 of the argument is used.
    void SetDirty(int dirty) { m_cell = (m_cell & ~uint32_t(flagDirty)) | (static_cast<uint32_t>(dirty) & flagDirty); }

    // The whole cell word, for the owner that stores the cell.
    uint32_t GetCellWord() const { return m_cell; }
    void SetCellWord(uint32_t word) { m_cell = word; }

private:
    uint32_t m_cell = flagDirty;
};
