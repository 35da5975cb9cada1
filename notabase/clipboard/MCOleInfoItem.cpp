#include "notabase/clipboard/MCOleInfoItem.h"

#include <cstring>

MCOleInfoItem::MCOleInfoItem(int size, const void* data)
{
    SetInfo(data, size);
}

MCOleInfoItem::MCOleInfoItem(const MCOleInfoItem& other)
{
    SetInfo(other.GetInfo(), other.GetInfoSize());
}

MCOleInfoItem& MCOleInfoItem::operator=(const MCOleInfoItem& other)
{
    if (this != &other)
        SetInfo(other.GetInfo(), other.GetInfoSize());
    return *this;
}

void MCOleInfoItem::SetInfo(const void* data, int size)
{
    if (size < 1 || !data) {
        m_size = 0;
        m_data.reset();
        return;
    }
    auto block = std::make_unique<uint8_t[]>(static_cast<size_t>(size));
    std::memcpy(block.get(), data, static_cast<size_t>(size));
    m_data = std::move(block);
    m_size = size;
}
