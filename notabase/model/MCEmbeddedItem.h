#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/Object.h"

#include <cstdint>
#include <vector>

// The document object embedded in a frame. There is no embedding service to show or edit it
// with: the item keeps the bytes it holds, so that a document that carries one loses nothing
// when it is saved again.
class NOTABASE_API MCEmbeddedItem : public plat::Object {
    PLAT_DECLARE_SERIAL(MCEmbeddedItem)
public:
    MCEmbeddedItem() = default;
    explicit MCEmbeddedItem(std::vector<uint8_t> data) : m_data(std::move(data)) {}

    // A count, then the bytes.
    void Serialize(plat::Archive& archive) override;

    const std::vector<uint8_t>& GetData() const { return m_data; }

private:
    friend class ECFrame;

    std::vector<uint8_t> m_data;
    // Set while a frame owns the item: a stream that gives one item to two frames is refused.
    bool m_held = false;
};
