#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECWithTimeChild.h"

// A tremolo of a note or chord, with a time of its own; its type says which.
class NOTABASE_API ECTremolo : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(ECTremolo)
public:
    ECTremolo() = default;
    explicit ECTremolo(unsigned char type);
    // A copy takes the time and the type too, not the children.
    ECTremolo(const ECTremolo& other);
    // The voice/track word and the type; not the time nor the children.
    ECTremolo& operator=(const ECTremolo& other);
    bool operator==(const ECTremolo& other) const { return GetTremoloType() == other.GetTremoloType(); }
    bool operator!=(const ECTremolo& other) const { return !(*this == other); }

    // The ECWithTimeChild record, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetTremoloType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetTremoloType(unsigned char type) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (type << 8))); }
};
