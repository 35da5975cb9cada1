#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/clipboard/MCOleInfoItem.h"
#include "platform/core/Object.h"

#include <memory>
#include <unordered_map>

// The side information that travels with a copied list of elements: the type summary of the
// list and blocks of bytes under int keys, which the views that copy and paste agree on. The
// object owns its items.
//
// Record: the event type (32 bits, -1 when not set), the count of entries (count form), then
// for each entry its key, its size (32 bits each) and its bytes. Entries are written in no
// particular order.
class NOTABASE_API MCOleDataInfo : public plat::Object {
    PLAT_DECLARE_DYNCREATE(MCOleDataInfo)
public:
    MCOleDataInfo() = default;
    MCOleDataInfo(const MCOleDataInfo&) = delete;
    MCOleDataInfo& operator=(const MCOleDataInfo&) = delete;

    int GetEventType() const { return m_eventType; }
    void SetEventType(int type) { m_eventType = type; }

    // 0 when the key is present already (the first entry stays); else stores a copy of the
    // bytes under it, 1.
    int SetInfo(int key, const void* data, int size);
    // 0 when the key is present already (the item is dropped); else keeps the item, 1.
    int SetInfo(int key, std::unique_ptr<MCOleInfoItem> item);
    // 0 for an unknown key; else the stored block (not a copy) and its size, 1.
    int GetInfo(int key, const void*& data, int& size) const;
    // Whether the key is present; gives its item.
    int GetInfo(int key, MCOleInfoItem*& item) const;
    int GetCount() const { return static_cast<int>(m_items.size()); }

    // Loading replaces what the object held; an entry read twice under one key keeps the
    // later one. Sizes and counts are checked against the bytes there are before anything
    // is allocated.
    void Serialize(plat::Archive& archive) override;

private:
    int m_eventType = -1;
    std::unordered_map<int, std::unique_ptr<MCOleInfoItem>> m_items;
};
