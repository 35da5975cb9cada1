#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECParameterPoint.h"

// A value of a registered parameter at a time, with the parameter's two bytes: a point of an RPN envelope.
class NOTABASE_API ECRPNPoint : public ECParameterPoint {
    PLAT_DECLARE_SERIAL(ECRPNPoint)
public:
    ECRPNPoint() = default;
    ECRPNPoint(unsigned char msb, unsigned char lsb) : ECParameterPoint(msb, lsb) {}
    ECRPNPoint(const ECRPNPoint& other) = default;
    // The point (not its time) and both parameter bytes.
    ECRPNPoint& operator=(const ECRPNPoint& other) = default;
    // Equal parameter bytes.
    bool operator==(const ECRPNPoint& other) const { return SameBytes(other); }
    bool operator!=(const ECRPNPoint& other) const { return !(*this == other); }

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    void GetRPNValue(unsigned char& msb, unsigned char& lsb) const { GetBytes(msb, lsb); }
    void SetRPNValue(unsigned char msb, unsigned char lsb) { SetBytes(msb, lsb); }
};
