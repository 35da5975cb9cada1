#include "notabase/model/ECControlChange.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Archive.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(ECControlChange, ECEnvPoint, plat::kVersionableSchema | 2)

ECControlChange::ECControlChange(unsigned char controller) : m_controller(controller)
{
}

ECControlChange& ECControlChange::operator=(const ECControlChange& other)
{
    ECEnvPoint::operator=(other);
    m_controller = other.m_controller;
    return *this;
}

ECBase* ECControlChange::Copy(plat::Object* other)
{
    if (auto* point = plat::dynamicDowncast<ECControlChange>(other))
        *this = *point;
    return this;
}

int ECControlChange::GetEventId() const
{
    return EventId::ControlChange;
}

int ECControlChange::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ControllerEnv);
    return static_cast<int>(types.size());
}

void ECControlChange::Serialize(plat::Archive& archive)
{
    ECEnvPoint::Serialize(archive);
    if (archive.isStoring())
        archive.writeU8(m_controller);
    else if (ECPerformanceBase::GetActiveVersion(archive) >= 3)
        m_controller = std::min<unsigned char>(archive.readU8(), 127);  // controllers are 7-bit
}
