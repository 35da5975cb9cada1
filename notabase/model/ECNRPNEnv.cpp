#include "notabase/model/ECNRPNEnv.h"

#include "notabase/model/EventTypes.h"

// Schema 3 adds the parameter number to the record.
PLAT_IMPLEMENT_SERIAL(ECNRPNEnv, ECEnvelope, plat::kVersionableSchema | 3)

ECBase* ECNRPNEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECNRPNEnv>(other))
        *this = *envelope;
    return this;
}

int ECNRPNEnv::GetEventId() const
{
    return EventId::NRPNEnv;
}

int ECNRPNEnv::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff, EventId::Track});
    return static_cast<int>(types.size());
}
