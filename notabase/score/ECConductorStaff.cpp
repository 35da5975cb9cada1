#include "notabase/score/ECConductorStaff.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/MCObjectArray.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

#include <algorithm>
#include <cmath>

PLAT_IMPLEMENT_SERIAL(ECConductorStaff, ECStaff, plat::kVersionableSchema | 2)

namespace {

constexpr int structuralVoice = 14;

float timeOf(ECBase* element)
{
    return element->GetTime()->GetSeconds();
}

plat::ArchiveError badTable(const char* what)
{
    return plat::ArchiveError(plat::ArchiveError::Cause::generic, what);
}

}  // namespace

ECConductorStaff::ECConductorStaff() : m_staves{this}, m_stavesHeld{this}
{
    SetVoiceTrack(structuralVoice, 0);
}

ECConductorStaff::ECConductorStaff(ECConductor* conductor, ECPerformanceBase* performance) : ECConductorStaff()
{
    m_conductor = conductor;
    m_performance = performance;
}

ECConductorStaff& ECConductorStaff::operator=(const ECConductorStaff& other)
{
    if (this != &other)
        ECStaff::operator=(other);
    return *this;
}

ECBase* ECConductorStaff::Copy(plat::Object* other)
{
    if (auto* staff = plat::dynamicDowncast<ECConductorStaff>(other))
        *this = *staff;
    return this;
}

int ECConductorStaff::GetEventId() const
{
    return EventId::ConductorStaff;
}

int ECConductorStaff::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Conductor);
    return static_cast<int>(types.size());
}

int ECConductorStaff::AddChild(ECBase* child, int sorted)
{
    if (!ECStaff::AddChild(child, sorted))
        return 0;
    if (auto* tempo = plat::dynamicDowncast<ECTempoEnv>(child))
        m_tempoEnv = tempo;
    else if (auto* meter = plat::dynamicDowncast<ECMeterEnv>(child))
        m_meterEnv = meter;
    return 1;
}

int ECConductorStaff::RemoveChild(ECBase* child, int recursive)
{
    if (!ECStaff::RemoveChild(child, recursive))
        return 0;
    if (child == m_tempoEnv)
        m_tempoEnv = nullptr;
    if (child == m_meterEnv)
        m_meterEnv = nullptr;
    return 1;
}

int ECConductorStaff::RemoveChildren(int recursive)
{
    m_tempoEnv = nullptr;
    m_meterEnv = nullptr;
    // The bars are children too: the tables must not outlive them.
    for (ECConductorMeasure* bar : m_conductorMeasures)
        bar->RemoveMeasures();
    m_conductorMeasures.clear();
    m_endTime = MCTime(0.0f);
    m_measureCursor = 0;
    return ECStaff::RemoveChildren(recursive);
}

ECPerformanceBase* ECConductorStaff::GetPerformance()
{
    if (m_conductor)
        m_performance = m_conductor->GetPerformance();
    return m_performance;
}

ECTempoEnv* ECConductorStaff::GetTempoEnv()
{
    if (m_tempoEnv || !GetPerformance())
        return m_tempoEnv;
    plat::RefPtr<ECTempoEnv> map(new ECTempoEnv);
    map->SetVoiceTrack(structuralVoice, 0);
    plat::RefPtr<CCAdd> add(new CCAdd(map.get(), this, FCMidi::MidiNull()));
    add->SetSynchronous(1);
    add->Apply(m_performance);
    // Adding the map as a child made it the piece's.
    return m_tempoEnv;
}

ECMeterEnv* ECConductorStaff::GetMeterEnv()
{
    if (m_meterEnv || !GetPerformance())
        return m_meterEnv;
    plat::RefPtr<ECMeterEnv> map(new ECMeterEnv);
    map->SetVoiceTrack(structuralVoice, 0);
    plat::RefPtr<CCAdd> add(new CCAdd(map.get(), this, FCMidi::MidiNull()));
    add->SetSynchronous(1);
    add->Apply(m_performance);
    return m_meterEnv;
}

int ECConductorStaff::GetStaffNumber(const ECStaff* staff) const
{
    if (!staff)
        return -1;
    // A staff's track number is its place in the table, as inserting and renumbering keep it:
    // checked there first, so that asking costs one look rather than a search of every staff.
    if (const int track = const_cast<ECStaff*>(staff)->GetTrack(); track >= 0 && track < static_cast<int>(m_staves.size())
                                             && m_staves[static_cast<size_t>(track)] == staff)
        return track;
    if (!m_stavesHeld.contains(staff))
        return -1;
    const auto at = std::find(m_staves.begin(), m_staves.end(), staff);
    return at == m_staves.end() ? -1 : static_cast<int>(at - m_staves.begin());
}

ECStaff* ECConductorStaff::GetStaff(int number, int create)
{
    if (number >= 0 && number <= GetMaxStaffNumber())
        return m_staves[static_cast<size_t>(number)];
    // A negative number names no staff, whether or not one may be made.
    if (!create || number < 0 || !GetPerformance())
        return nullptr;
    plat::RefPtr<ECStaff> staff(new ECStaff);
    staff->SetVoiceTrack(structuralVoice, number);
    plat::RefPtr<CCAddTrack> add(new CCAddTrack(staff.get(), -1));
    add->SetSynchronous(1);
    add->Apply(m_performance);
    return GetStaffNumber(staff.get()) > 0 ? staff.get() : nullptr;
}

void ECConductorStaff::renumberStaves(int from, int delta)
{
    // Only the staves from the number `from` on move, each with everything under it; the others
    // keep their numbers and are not visited, so a staff added last renumbers nothing.
    for (size_t number = static_cast<size_t>(std::max(from, 1)); number < m_staves.size(); ++number) {
        ECStaff* staff = m_staves[number];
        if (!staff)
            continue;
        ACSetVoiceTrack renumber(staff->GetTrack() + delta, MCVoiceTrack::noVoice);
        renumber.Apply(staff);
    }
}

int ECConductorStaff::InsertStaff(ECStaff* staff, int index)
{
    // Without a conductor to hold it, a staff in the table would be held by nothing.
    if (!staff || !m_conductor)
        return -1;
    const int count = GetMaxStaffNumber();
    // A number past the last would stand for every track, or none, or wrap in the word.
    if (count >= MCVoiceTrack::lastTrack)
        return -1;
    if (index < 1 || index > count + 1)
        index = count + 1;
    renumberStaves(index, 1);
    staff->SetVoiceTrack(structuralVoice, index);
    m_staves.insert(m_staves.begin() + index, staff);
    m_stavesHeld.insert(staff);
    m_conductor->AddChild(staff, 1);

    // The staff's own measures in time order, matched to the bars; new ones where they run out.
    ACFindEvents find;
    find.AddEvtType(EventId::Measure);
    find.SetDepth(1);
    find.Apply(staff);
    MCEventList& own = find.GetEvents();
    own.Sort();
    MCPosition next = own.GetHeadPosition();
    for (ECConductorMeasure* bar : m_conductorMeasures) {
        ECMeasure* measure = next ? static_cast<ECMeasure*>(own.GetNext(next)) : nullptr;
        const bool made = measure == nullptr;
        if (made)
            measure = new ECMeasure;
        measure->SetTime(bar->GetTime());
        measure->SetVoiceTrack(structuralVoice, index);
        if (made)
            staff->AddChild(measure, 1);
        bar->AddMeasureOnTrack(measure, index);
    }
    m_groups.InsertTrack(index, staff->GetStaffType() == 1 ? MCGroup::kindGroup : MCGroup::kindSingle);
    return index;
}

void ECConductorStaff::RemoveStaff(ECStaff* staff)
{
    const int number = GetStaffNumber(staff);
    // The conductor staff is no staff of the table to remove.
    if (number < 1)
        return;
    plat::RefPtr<ECStaff> keep(staff);
    renumberStaves(number + 1, -1);
    m_staves.erase(m_staves.begin() + number);
    m_stavesHeld.erase(m_stavesHeld.find(staff));
    if (m_conductor)
        m_conductor->RemoveChild(staff, 0);
    for (auto bar = m_conductorMeasures.rbegin(); bar != m_conductorMeasures.rend(); ++bar)
        (*bar)->RemoveMeasureOnTrack(number);
    m_groups.RemoveTrack(number);
}

int ECConductorStaff::GroupStaves(int first, int last, int kind, int& group)
{
    return m_groups.GroupTracks(first, last, static_cast<unsigned char>(kind), group);
}

int ECConductorStaff::RemoveGroup(int group)
{
    return m_groups.RemoveGroup(group);
}

int ECConductorStaff::GetGroupInfo(int group, int& first, int& last, int& kind) const
{
    return m_groups.GetGroupInfo(group, first, last, kind);
}

void ECConductorStaff::OrderStaves()
{
    for (size_t p = 1; p < m_staves.size(); ++p) {
        for (size_t q = p + 1; q < m_staves.size(); ++q) {
            if (m_staves[q]->GetTrack() < m_staves[p]->GetTrack())
                std::swap(m_staves[p], m_staves[q]);
        }
    }
    for (ECConductorMeasure* bar : m_conductorMeasures)
        bar->OrderMeasures();
}

void ECConductorStaff::RebuildStaffCaches()
{
    for (size_t number = 1; number < m_staves.size(); ++number) {
        if (m_staves[number])
            m_staves[number]->RebuildCache();
    }
}

void ECConductorStaff::RecalculateMaps()
{
    if (m_meterEnv)
        m_meterEnv->RecalculateBPTTimes();
    if (m_tempoEnv)
        m_tempoEnv->RecalculateClockTimes();
}

float ECConductorStaff::measureLengthOf(ECMeter* meter) const
{
    const float length = meter ? meter->GetMeasureLength() : defaultMeasureLength;
    // A bar of no length could never be filled.
    return std::isfinite(length) && length > 0.0f ? length : defaultMeasureLength;
}

int ECConductorStaff::findMeasureIndex(float time)
{
    const int last = lastMeasureIndex();
    if (last < 0 || time < timeOf(m_conductorMeasures.front()))
        return -1;
    auto holds = [&](int i) {
        return timeOf(m_conductorMeasures[static_cast<size_t>(i)]) <= time
               && (i == last || time < timeOf(m_conductorMeasures[static_cast<size_t>(i) + 1]));
    };
    int cursor = std::clamp(m_measureCursor, 0, last);
    // Lookups at advancing times land on the cursor's bar or the next.
    if (!holds(cursor)) {
        if (cursor < last && holds(cursor + 1)) {
            ++cursor;
        } else {
            const auto after = std::upper_bound(m_conductorMeasures.begin(), m_conductorMeasures.end(), time,
                                                [](float t, ECConductorMeasure* bar) { return t < timeOf(bar); });
            cursor = static_cast<int>(after - m_conductorMeasures.begin()) - 1;
        }
    }
    m_measureCursor = cursor;
    return cursor;
}

ECConductorMeasure* ECConductorStaff::GetConductorMeasureAtTime(const MCTime& time, int create, int count)
{
    if (time < MCTime::TimeZero())
        return nullptr;
    if (time < m_endTime) {
        const int index = findMeasureIndex(time.GetSeconds());
        return index < 0 ? nullptr : m_conductorMeasures[static_cast<size_t>(index)];
    }
    if (!create)
        return nullptr;
    const int step = count >= 1 ? count : 1;
    while (m_endTime <= time) {
        const int room = maxAppendedMeasureCount - GetMaxMeasureNumber();
        if (room <= 0)
            return nullptr;
        const MCTime end = m_endTime;
        ECMeter* meter = m_conductor ? m_conductor->GetMeterAtTime(end) : nullptr;
        InsertMeasures(lastMeasureIndex() + 1, std::min(step, room), end, meter);
        // Far out a float time stops growing by a bar; no bar can reach the time then.
        if (!(m_endTime > end))
            return nullptr;
    }
    m_measureCursor = lastMeasureIndex();
    return GetConductorMeasureAtTime(time, 0, 0);
}

int ECConductorStaff::GetMeasureNumberAtTime(const MCTime& time)
{
    if (time < MCTime::TimeZero())
        return 0;
    if (!(time < m_endTime))
        return GetMaxMeasureNumber();
    return findMeasureIndex(time.GetSeconds()) + 1;
}

int ECConductorStaff::GetMeasureNumberBeforeTime(const MCTime& time)
{
    if (time <= MCTime::TimeZero())
        return 0;
    if (!(time < m_endTime))
        return GetMaxMeasureNumber();
    const int index = findMeasureIndex(time.GetSeconds());
    if (index < 0)
        return 0;
    return timeOf(m_conductorMeasures[static_cast<size_t>(index)]) < time.GetSeconds() ? index + 1 : index;
}

ECMeasure* ECConductorStaff::GetMeasure(int track, const MCTime& time, int create, int count)
{
    if (!GetStaff(track, create))
        return nullptr;
    ECConductorMeasure* bar = GetConductorMeasureAtTime(time, create, count);
    return bar ? bar->GetMeasureOnTrack(track) : nullptr;
}

ECMeasure* ECConductorStaff::GetMeasure(int track, int number)
{
    if (track < 0 || track > GetMaxStaffNumber() || number < 1 || number > GetMaxMeasureNumber())
        return nullptr;
    return m_conductorMeasures[static_cast<size_t>(number) - 1]->GetMeasureOnTrack(track);
}

int ECConductorStaff::GetMeasures(int track, int first, int last, MCEventList& list)
{
    list.RemoveAll();
    const int lastIndex = lastMeasureIndex();
    if (lastIndex < 0)
        return 0;
    const int from = std::clamp(first - 1, 0, lastIndex);
    const int to = std::clamp(last - 1, from, lastIndex);
    auto append = [&](int t) {
        for (int i = from; i <= to; ++i) {
            if (ECMeasure* measure = m_conductorMeasures[static_cast<size_t>(i)]->GetMeasureOnTrack(t))
                list.AddTail(measure);
        }
    };
    if (track == ECConductorMeasure::allTracks) {
        for (int t = 0; t <= GetMaxStaffNumber(); ++t)
            append(t);
    } else {
        append(track);
    }
    return list.IsEmpty() ? 0 : 1;
}

int ECConductorStaff::GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list)
{
    if (!(from < m_endTime)) {
        list.RemoveAll();
        return 0;
    }
    return GetMeasures(track, GetMeasureNumberAtTime(from), GetMeasureNumberBeforeTime(to), list);
}

int ECConductorStaff::InsertMeasures(int index, int count, MCTime time, ECMeter* meter)
{
    if (count < 0)
        count = 0;
    if (index < 0 || index > lastMeasureIndex())
        index = lastMeasureIndex() + 1;
    const float length = measureLengthOf(meter);
    for (int k = 0; k < count; ++k) {
        auto* bar = new ECConductorMeasure(time);
        AddChild(bar, 1);
        m_conductorMeasures.insert(m_conductorMeasures.begin() + index + k, bar);
        for (int s = 1; s <= GetMaxStaffNumber(); ++s) {
            auto* measure = new ECMeasure;
            measure->SetTime(&time);
            measure->SetVoiceTrack(structuralVoice, s);
            m_staves[static_cast<size_t>(s)]->AddChild(measure, 1);
            bar->AddMeasureOnTrack(measure, s);
        }
        time += MCTime(length);
        m_endTime += MCTime(length);
    }
    m_measureCursor = std::max(0, std::min(index + count, lastMeasureIndex()));
    return 1;
}

int ECConductorStaff::InsertMeasures(int index, MCEventList& list, MCTime time, ECMeter* meter)
{
    if (index < 0 || index > lastMeasureIndex())
        index = lastMeasureIndex() + 1;
    const float length = measureLengthOf(meter);
    MCEventList work;
    work.AddTail(list);
    work.Sort();
    int bars = 0;
    for (ECBase* element : work)
        bars += element->GetEventId() == EventId::ConductorMeasure ? 1 : 0;
    if (bars <= 0)
        return 0;

    // The first element of the list that is the measure of a track, taken out of the list.
    auto take = [&work](int id, int track) -> ECBase* {
        for (MCPosition p = work.GetHeadPosition(); p;) {
            const MCPosition here = p;
            ECBase* element = work.GetNext(p);
            if (element->GetEventId() == id && (id == EventId::ConductorMeasure || element->GetTrack() == track)) {
                element->Ref();
                work.RemoveAt(here);
                return element;
            }
        }
        return nullptr;
    };
    for (int k = 0; k < bars; ++k) {
        // The bar's own conductor measure comes back, with the barlines and brackets it holds.
        plat::RefPtr<ECConductorMeasure> bar = plat::RefPtr<ECConductorMeasure>::adopt(
            static_cast<ECConductorMeasure*>(take(EventId::ConductorMeasure, 0)));
        if (!bar)
            bar.reset(new ECConductorMeasure);
        bar->SetTime(&time);
        bar->SetVoiceTrack(structuralVoice, 0);
        bar->RemoveMeasures();
        bar->AddMeasureOnTrack(bar.get(), 0);
        AddChild(bar.get(), 1);
        m_conductorMeasures.insert(m_conductorMeasures.begin() + index + k, bar.get());
        for (int s = 1; s <= GetMaxStaffNumber(); ++s) {
            plat::RefPtr<ECMeasure> measure =
                plat::RefPtr<ECMeasure>::adopt(static_cast<ECMeasure*>(take(EventId::Measure, s)));
            if (!measure)
                measure.reset(new ECMeasure);
            measure->SetTime(&time);
            measure->SetVoiceTrack(structuralVoice, s);
            m_staves[static_cast<size_t>(s)]->AddChild(measure.get(), 1);
            bar->AddMeasureOnTrack(measure.get(), s);
        }
        time += MCTime(length);
        m_endTime += MCTime(length);
    }
    m_measureCursor = std::max(0, std::min(index + bars, lastMeasureIndex()));
    return 1;
}

int ECConductorStaff::RemoveMeasures(int index, int count)
{
    if (count < 0)
        count = 0;
    // Only the bars that are there.
    const int first = std::max(index, 0);
    const int last = std::min(index + count - 1, lastMeasureIndex());
    for (int i = last; i >= first; --i) {
        ECConductorMeasure* bar = m_conductorMeasures[static_cast<size_t>(i)];
        ECMeter* meter = m_conductor ? m_conductor->GetMeterAtTime(*bar->GetTime()) : nullptr;
        const float length = measureLengthOf(meter);
        for (int s = GetMaxStaffNumber(); s >= 1; --s)
            bar->RemoveMeasureOnTrack(s);
        m_conductorMeasures.erase(m_conductorMeasures.begin() + i);
        m_endTime -= MCTime(length);
    }
    m_measureCursor = std::max(0, std::min(index + count, lastMeasureIndex()));
    return 1;
}

void ECConductorStaff::Serialize(plat::Archive& archive)
{
    ECStaff::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeObject(m_conductor);
        archive.writeObject(m_performance);
        archive.writeI32(GetMaxStaffNumber());
        archive.writeI32(lastMeasureIndex());
        m_endTime.Serialize(archive, -1);
        archive.writeObject(m_tempoEnv);
        archive.writeObject(m_meterEnv);
        return;
    }
    const int version = ECPerformanceBase::GetActiveVersion(archive);
    m_conductor = archive.readReferenceAs<ECConductor>();
    m_performance = archive.readReferenceAs<ECPerformanceBase>();
    m_loadedStaffCount = archive.readI32();
    m_loadedLastMeasureIndex = archive.readI32();
    if (m_loadedStaffCount < 0 || m_loadedLastMeasureIndex < -1)
        throw badTable("conductor staff with a negative count");
    m_endTime.Serialize(archive, version);
    m_tempoEnv = nullptr;
    m_meterEnv = nullptr;
    if (version >= 3) {
        ECTempoEnv* tempo = archive.readReferenceAs<ECTempoEnv>();
        ECMeterEnv* meter = archive.readReferenceAs<ECMeterEnv>();
        // The maps are children, loaded before; anything else would be held by nothing.
        MCEventList& children = *GetChildren();
        if ((tempo && !children.Find(tempo)) || (meter && !children.Find(meter)))
            throw badTable("conductor staff whose tempo or meter map is not its child");
        m_tempoEnv = tempo;
        m_meterEnv = meter;
    }
}

void ECConductorStaff::PostSerialize(plat::Archive& archive)
{
    ECStaff::PostSerialize(archive);
    if (archive.isStoring()) {
        MCObjectArray::Store(archive, m_staves);
        MCObjectArray::Store(archive, m_conductorMeasures);
        m_groups.Serialize(archive);
        return;
    }
    std::vector<ECStaff*> staves = MCObjectArray::Load<ECStaff>(archive);
    std::vector<ECConductorMeasure*> bars = MCObjectArray::Load<ECConductorMeasure>(archive);
    MCGroup groups;
    groups.Serialize(archive);
    // The tables point at the conductor's staves and at this staff's bars, which the first pass
    // loaded; a table that does not match them would point at nothing that lives.
    if (staves.size() != static_cast<size_t>(m_loadedStaffCount) + 1 || staves.front() != this)
        throw badTable("conductor staff whose staves do not match its count");
    for (size_t n = 1; n < staves.size(); ++n) {
        if (!staves[n] || !m_conductor || !staves[n]->GetParents()->Find(m_conductor))
            throw badTable("conductor staff listing a staff that is not the conductor's");
    }
    if (bars.size() != static_cast<size_t>(m_loadedLastMeasureIndex + 1))
        throw badTable("conductor staff whose bars do not match their count");
    for (ECConductorMeasure* bar : bars) {
        if (!bar || !bar->GetParents()->Find(this))
            throw badTable("conductor staff listing a bar that is not its own");
    }
    m_staves = std::move(staves);
    m_stavesHeld = std::unordered_multiset<const ECStaff*>(m_staves.begin(), m_staves.end());
    if (m_conductor)
        m_conductor->forgetTrackOrder();
    m_conductorMeasures = std::move(bars);
    m_groups = std::move(groups);
    m_measureCursor = 0;
}
