#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECBase.h"

// An augmentation dot or staccato dot under a note, chord or rest; its type says which.
class NOTABASE_API ECDot : public ECBase {
    PLAT_DECLARE_SERIAL(ECDot)
public:
    ECDot() = default;
    explicit ECDot(unsigned char type);
    ECDot(const ECDot& other);
    ECDot& operator=(const ECDot& other);
    bool operator==(const ECDot& other) const { return GetDotType() == other.GetDotType(); }
    bool operator!=(const ECDot& other) const { return !(*this == other); }

    // The element record head, then the type.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetDotType() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetDotType(unsigned char type);
};
