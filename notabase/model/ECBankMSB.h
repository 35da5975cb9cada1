#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/ECControlChange.h"

// A bank select, most significant byte: a single controller event under a staff.
class NOTABASE_API ECBankMSB : public ECControlChange {
    PLAT_DECLARE_SERIAL(ECBankMSB)
public:
    ECBankMSB() = default;
    ECBankMSB(const ECBankMSB& other) = default;
    ECBankMSB& operator=(const ECBankMSB& other) = default;

    ECBase* Copy(plat::Object* other) override;
    int GetEventId() const override;
    int GetParentTypes(std::vector<int>& types) const override;
};
