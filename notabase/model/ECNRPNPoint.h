#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECParameterPoint.h"

// A value of a non-registered parameter at a time, with the parameter's two bytes: a point of an NRPN envelope.
class NOTABASE_API ECNRPNPoint : public ECParameterPoint {
    PLAT_DECLARE_SERIAL(ECNRPNPoint)
public:
    ECNRPNPoint() = default;
    ECNRPNPoint(unsigned char msb, unsigned char lsb) : ECParameterPoint(msb, lsb) {}
    ECNRPNPoint(const ECNRPNPoint& other) = default;
    // The point (not its time) and both parameter bytes.
    ECNRPNPoint& operator=(const ECNRPNPoint& other) = default;
    // Equal parameter bytes.
    bool operator==(const ECNRPNPoint& other) const { return SameBytes(other); }
    bool operator!=(const ECNRPNPoint& other) const { return !(*this == other); }

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    void GetNRPNValue(unsigned char& msb, unsigned char& lsb) const { GetBytes(msb, lsb); }
    void SetNRPNValue(unsigned char msb, unsigned char lsb) { SetBytes(msb, lsb); }
};
