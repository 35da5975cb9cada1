#include "notabase/score/ECWaveTrack.h"

#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECWaveTrack, ECTrack, plat::kVersionableSchema | 2)

ECWaveTrack::ECWaveTrack(ECConductor* conductor, ECPerformanceBase* performance)
    : m_conductor(conductor), m_performance(performance)
{
}

ECWaveTrack::ECWaveTrack(const ECWaveTrack& other) : ECTrack(other)
{
    *this = other;
}

ECWaveTrack& ECWaveTrack::operator=(const ECWaveTrack& other)
{
    if (this == &other)
        return *this;
    ECTrack::operator=(other);
    m_conductor = other.m_conductor;
    m_performance = other.m_performance;
    return *this;
}

ECBase* ECWaveTrack::Copy(plat::Object* other)
{
    if (auto* track = plat::dynamicDowncast<ECWaveTrack>(other))
        *this = *track;
    return this;
}

int ECWaveTrack::GetEventId() const
{
    return EventId::WaveTrack;
}

int ECWaveTrack::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Conductor);
    return static_cast<int>(types.size());
}

void ECWaveTrack::Serialize(plat::Archive& archive)
{
    ECTrack::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeObject(m_conductor);
        archive.writeObject(m_performance);
        return;
    }
    m_conductor = archive.readReferenceAs<ECConductor>();
    m_performance = archive.readReferenceAs<ECPerformanceBase>();
}
