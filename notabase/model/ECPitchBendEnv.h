#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvelope.h"

// The pitch bend of a staff over time, 0..16383, resting at the centre 8192.
class NOTABASE_API ECPitchBendEnv : public ECEnvelope {
    PLAT_DECLARE_SERIAL(ECPitchBendEnv)
public:
    ECPitchBendEnv();
    ECPitchBendEnv(const ECPitchBendEnv& other) = default;
    ECPitchBendEnv& operator=(const ECPitchBendEnv& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
