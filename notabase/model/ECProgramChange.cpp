#include "notabase/model/ECProgramChange.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECProgramChange, ECEnvPoint, plat::kVersionableSchema | 2)

ECProgramChange& ECProgramChange::operator=(const ECProgramChange& other)
{
    ECEnvPoint::operator=(other);
    m_bankMSB = other.m_bankMSB;
    m_bankLSB = other.m_bankLSB;
    return *this;
}

ECBase* ECProgramChange::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECProgramChange>(other))
        *this = *point;
    return this;
}

int ECProgramChange::GetEventId() const
{
    return EventId::ProgramChange;
}

int ECProgramChange::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::PatchEnv);
    return static_cast<int>(types.size());
}
