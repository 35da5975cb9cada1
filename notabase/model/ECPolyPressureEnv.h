#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// The polyphonic pressure of one key of a staff over time, 0..127.
class NOTABASE_API ECPolyPressureEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECPolyPressureEnv)
public:
    ECPolyPressureEnv();
    ECPolyPressureEnv(const ECPolyPressureEnv& other);
    // The envelope and the key.
    ECPolyPressureEnv& operator=(const ECPolyPressureEnv& other);

    // The ECEnvelope record, then the key.
    void Serialize(plat::Archive& archive) override;
    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    int GetKey() const { return GetFlags() >> 8; }
    // Stores only note numbers 0..127.
    void SetKey(int key);
};
