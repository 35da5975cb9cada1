#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"

// A bank select, least significant byte: a single controller event under a staff.
class NOTABASE_API ECBankLSB : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECBankLSB)
public:
    ECBankLSB() = default;
    ECBankLSB(const ECBankLSB& other) = default;
    ECBankLSB& operator=(const ECBankLSB& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
