#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// A trill of a note or chord, with a time of its own; its type says which.
class NOTABASE_API ECTrill : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECTrill)
public:
    ECTrill() = default;
    explicit ECTrill(unsigned char type);
    // A copy takes the time and the type too, not the children.
    ECTrill(const ECTrill& other);
    // The voice/track word and the type; not the time nor the children.
    ECTrill& operator=(const ECTrill& other);
    bool operator==(const ECTrill& other) const { return GetTrillType() == other.GetTrillType(); }
    bool operator!=(const ECTrill& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetTrillType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetTrillType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
