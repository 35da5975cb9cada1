#include "notabase/model/ECRPNEnv.h"

#include "notabase/model/EventTypes.h"

// Schema 3 adds the parameter number to the record.
PLAT_IMPLEMENT_SERIAL(ECRPNEnv, ECEnvelope, plat::kVersionableSchema | 3)

ECBase* ECRPNEnv::Copy(plat::Object* other)
{
    if (auto* envelope = plat::dynamicDowncast<ECRPNEnv>(other))
        *this = *envelope;
    return this;
}

int ECRPNEnv::GetEventId() const
{
    return EventId::RPNEnv;
}

int ECRPNEnv::GetParentTypes(std::vector<int>& types) const
{
    types.insert(types.end(), {EventId::Staff});
    return static_cast<int>(types.size());
}
