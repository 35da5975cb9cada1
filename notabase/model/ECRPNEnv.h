#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECParameterEnv.h"

// The values of one registered parameter (pitch bend sensitivity, tuning, ...) of a staff over time.
class NOTABASE_API ECRPNEnv : public ECParameterEnv {
    PLAT_DECLARE_SERIAL(ECRPNEnv)
public:
    ECRPNEnv() = default;
    ECRPNEnv(const ECRPNEnv& other) = default;
    ECRPNEnv& operator=(const ECRPNEnv& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // Stores both bytes only when both are 0..127.
    void SetRPNType(int msb, int lsb) { SetParameter(msb, lsb); }
    void GetRPNType(int& msb, int& lsb) const { GetParameter(msb, lsb); }
};
