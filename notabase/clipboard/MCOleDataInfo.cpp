#include "notabase/clipboard/MCOleDataInfo.h"

#include "platform/core/Archive.h"

#include <vector>

PLAT_IMPLEMENT_DYNCREATE(MCOleDataInfo, plat::Object)

int MCOleDataInfo::SetInfo(int key, const void* data, int size)
{
    return SetInfo(key, std::make_unique<MCOleInfoItem>(size, data));
}

int MCOleDataInfo::SetInfo(int key, std::unique_ptr<MCOleInfoItem> item)
{
    if (!item || m_items.count(key))
        return 0;
    m_items.emplace(key, std::move(item));
    return 1;
}

int MCOleDataInfo::GetInfo(int key, const void*& data, int& size) const
{
    const auto it = m_items.find(key);
    if (it == m_items.end())
        return 0;
    data = it->second->GetInfo();
    size = it->second->GetInfoSize();
    return 1;
}

int MCOleDataInfo::GetInfo(int key, MCOleInfoItem*& item) const
{
    const auto it = m_items.find(key);
    item = it == m_items.end() ? nullptr : it->second.get();
    return item ? 1 : 0;
}

void MCOleDataInfo::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        archive.writeI32(m_eventType);
        archive.writeCount(static_cast<uint32_t>(m_items.size()));
        for (const auto& [key, item] : m_items) {
            archive.writeI32(key);
            archive.writeI32(item->GetInfoSize());
            if (item->GetInfoSize() > 0)
                archive.writeBytes(item->GetInfo(), static_cast<size_t>(item->GetInfoSize()));
        }
        return;
    }
    const int eventType = archive.readI32();
    // Each entry takes at least its key and its size.
    const uint32_t count = archive.readCount(8);
    std::unordered_map<int, std::unique_ptr<MCOleInfoItem>> items;
    std::vector<uint8_t> bytes;
    for (uint32_t i = 0; i < count; ++i) {
        const int key = archive.readI32();
        const int size = archive.readI32();
        if (size < 0)
            throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "side information: an entry of negative size");
        archive.requireAvailable(static_cast<uint64_t>(size), 1);
        bytes.resize(static_cast<size_t>(size));
        if (size > 0)
            archive.readBytes(bytes.data(), bytes.size());
        items[key] = std::make_unique<MCOleInfoItem>(size, bytes.data());
    }
    m_eventType = eventType;
    m_items = std::move(items);
}
