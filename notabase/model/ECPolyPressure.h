#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A polyphonic pressure value of one key at a time: a point of that key's envelope.
class NOTABASE_API ECPolyPressure : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECPolyPressure)
public:
    ECPolyPressure() = default;
    explicit ECPolyPressure(unsigned char key);
    // Takes the time as well.
    ECPolyPressure(const ECPolyPressure& other);
    // The point (not its time) and the key.
    ECPolyPressure& operator=(const ECPolyPressure& other);
    // Equal keys.
    bool operator==(const ECPolyPressure& other) const { return GetKey() == other.GetKey(); }
    bool operator!=(const ECPolyPressure& other) const { return !(*this == other); }

    // The ECEnvPoint record, then the key.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    unsigned char GetKey() const { return static_cast<unsigned char>(GetFlags() >> 8); }
    void SetKey(unsigned char key) { SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (key << 8))); }
};
