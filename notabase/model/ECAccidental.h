#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

// An accidental shown before a note or grace note; its type says which.
class NOTABASE_API ECAccidental : public ECBase {
    PLAT_DECLARE_SERIAL(ECAccidental)
public:
    ECAccidental() = default;
    explicit ECAccidental(unsigned char type);
    // A copy takes the type too.
    ECAccidental(const ECAccidental& other);
    // The type.
    ECAccidental& operator=(const ECAccidental& other);
    bool operator==(const ECAccidental& other) const { return GetAccidentalType() == other.GetAccidentalType(); }
    bool operator!=(const ECAccidental& other) const { return !(*this == other); }

    // The element record head, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetAccidentalType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetAccidentalType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
