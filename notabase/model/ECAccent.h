#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

// An accent or articulation mark of a note, chord or grace note; its type says which.
class NOTABASE_API ECAccent : public ECBase {
    PLAT_DECLARE_SERIAL(ECAccent)
public:
    ECAccent() = default;
    explicit ECAccent(unsigned char type);
    // A copy takes the type too.
    ECAccent(const ECAccent& other);
    // The type.
    ECAccent& operator=(const ECAccent& other);
    bool operator==(const ECAccent& other) const { return GetAccentType() == other.GetAccentType(); }
    bool operator!=(const ECAccent& other) const { return !(*this == other); }

    // The element record head, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetAccentType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetAccentType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
