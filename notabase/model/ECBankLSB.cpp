#include "notabase/model/ECBankLSB.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECBankLSB, ECControlChange, plat::kVersionableSchema | 2)

ECBase* ECBankLSB::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECBankLSB>(other))
        *this = *point;
    return this;
}

int ECBankLSB::GetEventId() const
{
    return EventId::BankLSB;
}

int ECBankLSB::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff});
    return static_cast<int>(types.size());
}
