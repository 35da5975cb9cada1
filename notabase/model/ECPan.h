#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"

// A pan position: a controller point of an envelope.
class NOTABASE_API ECPan : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECPan)
public:
    ECPan() = default;
    ECPan(const ECPan& other) = default;
    ECPan& operator=(const ECPan& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
