#include "notabase/model/ECBankMSB.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECBankMSB, ECControlChange, plat::kVersionableSchema | 2)

ECBase* ECBankMSB::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECBankMSB>(other))
        *this = *point;
    return this;
}

int ECBankMSB::GetEventId() const
{
    return EventId::BankMSB;
}

int ECBankMSB::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff});
    return static_cast<int>(types.size());
}
