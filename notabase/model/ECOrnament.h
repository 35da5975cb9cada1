#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"

// An ornament of a note; its type says which.
class NOTABASE_API ECOrnament : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECOrnament)
public:
    ECOrnament() = default;
    explicit ECOrnament(unsigned char type);
    // A copy takes the type too, not the children.
    ECOrnament(const ECOrnament& other);
    // The type; not the children.
    ECOrnament& operator=(const ECOrnament& other);
    bool operator==(const ECOrnament& other) const { return GetOrnamentType() == other.GetOrnamentType(); }
    bool operator!=(const ECOrnament& other) const { return !(*this == other); }

    // The ECWithChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetOrnamentType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetOrnamentType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
