#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTime.h"

#include <memory>

class MCEmbeddedItem;

// An embedded document object placed at a time in the performance. The frame owns its item.
class NOTABASE_API ECFrame : public ECWithTime {
    PLAT_DECLARE_SERIAL(ECFrame)
public:
    ECFrame();
    // The type is the argument's low 7 bits.
    explicit ECFrame(unsigned char type);
    // Takes the time and the type; the copy has no item.
    ECFrame(const ECFrame& other);
    // Takes the voice/track word and the type; the item stays as it was.
    ECFrame& operator=(const ECFrame& other);
    ~ECFrame() override;
    // Equal types and the same item (or none on both sides).
    bool operator==(const ECFrame& other) const;
    bool operator!=(const ECFrame& other) const { return !(*this == other); }

    // The ECWithTime record, one byte (the type and bit 7), then the item as an object
    // reference (null when there is none).
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetFrameType() const { return static_cast<unsigned char>((GetFlags() >> 8) & 0x7F); }
    void SetFrameType(unsigned char type);
    MCEmbeddedItem* GetClientItem() const { return m_item.get(); }
    // Takes the item over, freeing the one held before.
    void SetClientItem(MCEmbeddedItem* item);

    // After a failed load: lets go of the item without freeing it; the archive frees it.
    void unlinkAfterFailedLoad() override;

private:
    std::unique_ptr<MCEmbeddedItem> m_item;
};
