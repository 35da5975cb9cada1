#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// The channel pressure (after touch) of a staff over time, 0..127.
class NOTABASE_API ECChanPressureEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECChanPressureEnv)
public:
    ECChanPressureEnv();
    ECChanPressureEnv(const ECChanPressureEnv& other) = default;
    ECChanPressureEnv& operator=(const ECChanPressureEnv& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
