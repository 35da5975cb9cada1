#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A pitch bend at a time, 0..16383 with 8192 the centre: a point of a pitch bend envelope.
class NOTABASE_API ECPitchBend : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECPitchBend)
public:
    ECPitchBend() = default;
    ECPitchBend(const ECPitchBend& other) = default;
    ECPitchBend& operator=(const ECPitchBend& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
