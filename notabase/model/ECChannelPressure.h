#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECEnvPoint.h"

// A channel pressure (after touch) value at a time: a point of a channel pressure envelope.
class NOTABASE_API ECChannelPressure : public ECEnvPoint {
    PLAT_DECLARE_SERIAL(ECChannelPressure)
public:
    ECChannelPressure() = default;
    ECChannelPressure(const ECChannelPressure& other) = default;
    ECChannelPressure& operator=(const ECChannelPressure& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
