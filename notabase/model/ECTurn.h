#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"

// A turn of a note or chord; its type says which.
class NOTABASE_API ECTurn : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECTurn)
public:
    ECTurn() = default;
    explicit ECTurn(unsigned char type);
    // A copy takes the type too, not the children.
    ECTurn(const ECTurn& other);
    // The type; not the children.
    ECTurn& operator=(const ECTurn& other);
    bool operator==(const ECTurn& other) const { return GetTurnType() == other.GetTurnType(); }
    bool operator!=(const ECTurn& other) const { return !(*this == other); }

    // The ECWithChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetTurnType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetTurnType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
