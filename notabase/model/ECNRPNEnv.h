#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECParameterEnv.h"

// The values of one non-registered parameter of a staff or track over time.
class NOTABASE_API ECNRPNEnv : public ECParameterEnv {
    PLAT_DECLARE_SERIAL(ECNRPNEnv)
public:
    ECNRPNEnv() = default;
    ECNRPNEnv(const ECNRPNEnv& other) = default;
    ECNRPNEnv& operator=(const ECNRPNEnv& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;

    // Stores both bytes only when both are 0..127.
    void SetNRPNType(int msb, int lsb) { SetParameter(msb, lsb); }
    void GetNRPNType(int& msb, int& lsb) const { GetParameter(msb, lsb); }
};
