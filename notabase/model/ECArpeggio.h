#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithChild.h"

// An arpeggio sign of a chord; its type says which.
class NOTABASE_API ECArpeggio : public ECWithChild {
    PLAT_DECLARE_SERIAL(ECArpeggio)
public:
    ECArpeggio() = default;
    explicit ECArpeggio(unsigned char type);
    // A copy takes the type too, not the children.
    ECArpeggio(const ECArpeggio& other);
    // The type; not the children.
    ECArpeggio& operator=(const ECArpeggio& other);
    bool operator==(const ECArpeggio& other) const { return GetArpeggioType() == other.GetArpeggioType(); }
    bool operator!=(const ECArpeggio& other) const { return !(*this == other); }

    // The ECWithChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetArpeggioType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetArpeggioType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
