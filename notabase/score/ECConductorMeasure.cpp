#include "notabase/score/ECConductorMeasure.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/MCObjectArray.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECConductorMeasure, ECMeasure, plat::kVersionableSchema | 2)

ECConductorMeasure::ECConductorMeasure() : m_measures{this}
{
    SetVoiceTrack(14, 0);
}

ECConductorMeasure::ECConductorMeasure(const MCTime& time) : ECConductorMeasure()
{
    SetTime(&time);
}

int ECConductorMeasure::GetEventId() const
{
    return EventId::ConductorMeasure;
}

int ECConductorMeasure::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::ConductorStaff);
    return static_cast<int>(types.size());
}

ECMeasure* ECConductorMeasure::GetMeasureOnTrack(int track) const
{
    return track >= 0 && track < static_cast<int>(m_measures.size()) ? m_measures[static_cast<size_t>(track)] : nullptr;
}

int ECConductorMeasure::AddMeasureOnTrack(ECMeasure* measure, int track)
{
    if (track < 0)
        track = 0;
    if (static_cast<size_t>(track) > m_measures.size())
        m_measures.resize(static_cast<size_t>(track), nullptr);
    m_measures.insert(m_measures.begin() + track, measure);
    return GetLastTrack();
}

ECMeasure* ECConductorMeasure::RemoveMeasureOnTrack(int track)
{
    ECMeasure* measure = GetMeasureOnTrack(track);
    if (track >= 0 && track < static_cast<int>(m_measures.size()))
        m_measures.erase(m_measures.begin() + track);
    return measure;
}

void ECConductorMeasure::RemoveMeasures()
{
    m_measures.clear();
}

int ECConductorMeasure::GetMeasureEvents(int track, MCEventList& list)
{
    list.RemoveAll();
    const int first = track == allTracks ? 0 : track;
    const int last = track == allTracks ? GetLastTrack() : track;
    for (int t = first; t <= last; ++t) {
        ECMeasure* measure = GetMeasureOnTrack(t);
        if (!measure)
            continue;
        ACFindEvents find;
        find.Apply(measure);
        list.AddTail(find.GetEvents());
    }
    return list.IsEmpty() ? 0 : 1;
}

void ECConductorMeasure::SetMeasureTime(const MCTime* time)
{
    for (ECMeasure* measure : m_measures) {
        if (measure)
            measure->SetTime(time);
    }
}

void ECConductorMeasure::OrderMeasures()
{
    // A selection sort of the staves' entries; an empty entry goes last.
    auto track = [](ECMeasure* m) { return m ? m->GetTrack() : MCVoiceTrack::noTrack + 1; };
    for (size_t p = 1; p < m_measures.size(); ++p) {
        for (size_t q = p + 1; q < m_measures.size(); ++q) {
            if (track(m_measures[q]) < track(m_measures[p]))
                std::swap(m_measures[p], m_measures[q]);
        }
    }
}

void ECConductorMeasure::Serialize(plat::Archive& archive)
{
    ECMeasure::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeI32(GetLastTrack());
        return;
    }
    // The entries come with the second pass.
    const int32_t lastTrack = archive.readI32();
    if (lastTrack < -1)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "conductor measure with a negative last track");
}

void ECConductorMeasure::PostSerialize(plat::Archive& archive)
{
    ECMeasure::PostSerialize(archive);
    if (archive.isStoring()) {
        MCObjectArray::Store(archive, m_measures);
        return;
    }
    m_measures = MCObjectArray::Load<ECMeasure>(archive);
    if (!m_measures.empty() && m_measures.front() != this)
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "conductor measure whose first entry is another measure");
}
