#include "notabase/score/ECMeasure.h"

#include "notabase/model/EventTypes.h"

PLAT_IMPLEMENT_SERIAL(ECMeasure, ECWithTimeChild, plat::kVersionableSchema | 2)

ECMeasure::ECMeasure()
{
    SetVoiceTrack(14, MCVoiceTrack::noTrack);
}

ECMeasure::ECMeasure(const ECMeasure& other) : ECWithTimeChild(other)
{
}

ECMeasure& ECMeasure::operator=(const ECMeasure& other)
{
    if (this != &other)
        ECWithTimeChild::operator=(other);
    return *this;
}

ECBase* ECMeasure::Copy(plat::Object* other)
{
    if (auto* measure = plat::dynamicDowncast<ECMeasure>(other))
        *this = *measure;
    return this;
}

int ECMeasure::GetEventId() const
{
    return EventId::Measure;
}

int ECMeasure::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Staff);
    return static_cast<int>(types.size());
}
