#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// A repeat mark of a measure (a bar or pattern repeat); its type says which.
class NOTABASE_API ECRepeat : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECRepeat)
public:
    ECRepeat() = default;
    explicit ECRepeat(unsigned char type);
    // A copy takes the time and the type too, not the children.
    ECRepeat(const ECRepeat& other);
    // The voice/track word and the type; not the time nor the children.
    ECRepeat& operator=(const ECRepeat& other);
    bool operator==(const ECRepeat& other) const { return GetRepeatType() == other.GetRepeatType(); }
    bool operator!=(const ECRepeat& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetRepeatType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetRepeatType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
