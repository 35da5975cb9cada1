#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"

// A mordent of a note or chord; its type says which.
class NOTABASE_API ECMordent : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECMordent)
public:
    ECMordent() = default;
    explicit ECMordent(unsigned char type);
    // A copy takes the type too, not the children.
    ECMordent(const ECMordent& other);
    // The type; not the children.
    ECMordent& operator=(const ECMordent& other);
    bool operator==(const ECMordent& other) const { return GetMordentType() == other.GetMordentType(); }
    bool operator!=(const ECMordent& other) const { return !(*this == other); }

    // The ECWithChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetMordentType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetMordentType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
