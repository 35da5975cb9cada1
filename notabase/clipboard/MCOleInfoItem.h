#pragma once

#include "notabase/NotabaseExport.h"

#include <cstdint>
#include <memory>

// One entry of the side information of a copied list: a block of bytes and its size. The
// item owns a copy of the bytes; without bytes (a size below 1) it has size 0 and no block.
class NOTABASE_API MCOleInfoItem {
public:
    MCOleInfoItem() = default;
    MCOleInfoItem(int size, const void* data);
    MCOleInfoItem(const MCOleInfoItem& other);
    MCOleInfoItem& operator=(const MCOleInfoItem& other);

    int GetInfoSize() const { return m_size; }
    // The block, or null when there is none.
    const void* GetInfo() const { return m_data.get(); }
    // Replaces size and block together with a copy of the bytes, so the size always tells
    // how many bytes the block holds.
    void SetInfo(const void* data, int size);

private:
    int m_size = 0;
    std::unique_ptr<uint8_t[]> m_data;
};
