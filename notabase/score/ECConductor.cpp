#include "notabase/score/ECConductor.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPerformanceBase.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/values/FCMidi.h"
#include "platform/core/Archive.h"
#include "platform/core/RefPtr.h"

#include <algorithm>

PLAT_IMPLEMENT_SERIAL(ECConductor, ECWithChild, plat::kVersionableSchema | 2)

namespace {

constexpr int structuralVoice = 14;

bool isOrderedTrack(const ECBase* element)
{
    const int id = element->GetEventId();
    return id == EventId::Staff || id == EventId::WaveTrack;
}

}  // namespace

ECConductor& ECConductor::operator=(const ECConductor& other)
{
    if (this != &other) {
        ECWithChild::operator=(other);
        forgetTrackOrder();
    }
    return *this;
}

ECBase* ECConductor::Copy(plat::Object* other)
{
    if (auto* conductor = plat::dynamicDowncast<ECConductor>(other))
        *this = *conductor;
    return this;
}

int ECConductor::GetEventId() const
{
    return EventId::Conductor;
}

int ECConductor::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Performance);
    return static_cast<int>(types.size());
}

ECPerformanceBase* ECConductor::GetPerformance()
{
    // A cached performance is trusted only while it still holds this conductor.
    if (m_performance && GetParents()->Find(m_performance))
        return m_performance;
    m_performance = plat::dynamicDowncast<ECPerformanceBase>(GetAncestor(EventId::Performance, -1));
    return m_performance;
}

ECConductorStaff* ECConductor::GetConductorStaff()
{
    ECPerformanceBase* performance = GetPerformance();
    if (m_conductorStaff || !performance)
        return m_conductorStaff;
    plat::RefPtr<ECConductorStaff> staff(new ECConductorStaff(this, performance));
    staff->SetVoiceTrack(structuralVoice, 0);
    staff->SetTime(&MCTime::TimeZero());
    plat::RefPtr<CCAddTrack> add(new CCAddTrack(staff.get(), -1));
    add->SetSynchronous(1);
    add->Apply(performance);
    // Inserting it made it this conductor's.
    return m_conductorStaff;
}

int ECConductor::AddChild(ECBase* child, int sorted)
{
    if (!ECWithChild::AddChild(child, sorted))
        return 0;
    if (!isOrderedTrack(child))
        forgetTrackOrder();
    else if (!appendedInOrder(child))
        OrderTracks(0);
    return 1;
}

int ECConductor::RemoveChild(ECBase* child, int recursive)
{
    if (!child)
        return 0;
    forgetTrackOrder();
    if (child == m_conductorStaff) {
        m_conductorStaff = nullptr;
    } else if (auto* staff = plat::dynamicDowncast<ECStaff>(child); staff && m_conductorStaff
               && m_conductorStaff->GetStaffNumber(staff) > 0) {
        // Through the table, which renumbers the staves after it and lets go of its measures;
        // that in turn removes the child.
        plat::RefPtr<ECStaff> keep(staff);
        m_conductorStaff->RemoveStaff(staff);
        if (recursive)
            staff->RemoveChildren(1);
        return 1;
    } else if (auto* wave = plat::dynamicDowncast<ECWaveTrack>(child); wave && GetWaveTrackNumber(wave) > 0) {
        plat::RefPtr<ECWaveTrack> keep(wave);
        RemoveWaveTrack(wave);
        if (recursive)
            wave->RemoveChildren(1);
        return 1;
    }
    return ECWithChild::RemoveChild(child, recursive);
}

int ECConductor::RemoveChildren(int recursive)
{
    forgetTrackOrder();
    // The tables first, so that none of them points at a track gone.
    if (m_conductorStaff) {
        for (int n = m_conductorStaff->GetMaxStaffNumber(); n >= 1; --n)
            RemoveChild(m_conductorStaff->GetStaff(n, 0), recursive);
    }
    m_waveTracks.clear();
    m_conductorStaff = nullptr;
    return ECWithChild::RemoveChildren(recursive);
}

int ECConductor::GetMaxTrackNumber(int kind)
{
    switch (kind) {
    case conductorTrack:
        return 1;
    case staffTrack: {
        ECConductorStaff* staff = GetConductorStaff();
        return staff ? staff->GetMaxStaffNumber() : 0;
    }
    case waveTrack:
        return static_cast<int>(m_waveTracks.size());
    default:
        return 0;
    }
}

ECTrack* ECConductor::GetTrack(int kind, int number, int create)
{
    switch (kind) {
    case conductorTrack:
        return GetConductorStaff();
    case staffTrack: {
        ECConductorStaff* staff = GetConductorStaff();
        return staff ? staff->GetStaff(number, create) : nullptr;
    }
    case waveTrack:
        return GetWaveTrack(number, create);
    default:
        return nullptr;
    }
}

int ECConductor::GetTrackNumber(int kind, ECTrack* track)
{
    switch (kind) {
    case conductorTrack:
        return 0;
    case staffTrack: {
        ECConductorStaff* staff = GetConductorStaff();
        return staff ? staff->GetStaffNumber(plat::dynamicDowncast<ECStaff>(track)) : -1;
    }
    case waveTrack:
        return GetWaveTrackNumber(plat::dynamicDowncast<ECWaveTrack>(track));
    default:
        return 0;
    }
}

void ECConductor::OrderTracks(int orderStaves)
{
    if (!m_conductorStaff)
        return;
    if (orderStaves) {
        forgetTrackOrder();
        m_conductorStaff->OrderStaves();
        // The wave-track table answers a number by place, so it follows the new numbers too.
        std::stable_sort(m_waveTracks.begin(), m_waveTracks.end(),
                         [](ECWaveTrack* a, ECWaveTrack* b) { return a->GetTrack() < b->GetTrack(); });
    }
    // A track added after the others (a staff appended, as each track of a file read is) finds
    // them in order already: the children are not taken out and put back for it.
    if (!orderStaves && tracksInOrder())
        return;
    MCEventList& children = *GetChildren();
    // Taken out with a reference of their own, so that none is freed meanwhile; put back by
    // number, then any the tables do not know, in their order.
    MCEventList taken;
    for (MCPosition p = children.GetHeadPosition(); p;) {
        const MCPosition here = p;
        ECBase* child = children.GetNext(p);
        if (isOrderedTrack(child)) {
            taken.AddTail(child);
            children.RemoveAt(here);
        }
    }
    auto putBack = [&](ECBase* track) {
        if (track && taken.Find(track)) {
            children.AddTail(track);
            taken.RemoveEvent(track);
        }
    };
    for (int n = 1; n <= m_conductorStaff->GetMaxStaffNumber(); ++n)
        putBack(m_conductorStaff->GetStaff(n, 0));
    for (ECWaveTrack* wave : m_waveTracks)
        putBack(wave);
    for (ECBase* rest : taken)
        children.AddTail(rest);
    taken.RemoveAll();
    children.Sort();
    forgetTrackOrder();
}

int ECConductor::GetMaxMeasureNumber()
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMaxMeasureNumber() : 0;
}

MCTime ECConductor::GetMaxMeasureEndTime()
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMaxMeasureEndTime() : MCTime(0.0f);
}

int ECConductor::GetMeasureNumberAtTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMeasureNumberAtTime(time) : 0;
}

int ECConductor::GetMeasureNumberBeforeTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMeasureNumberBeforeTime(time) : 0;
}

ECMeasure* ECConductor::GetMeasure(int track, const MCTime& time, int create, int count)
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMeasure(track, time, create, count) : nullptr;
}

ECMeasure* ECConductor::GetMeasure(int track, int number)
{
    ECConductorStaff* staff = GetConductorStaff();
    return staff ? staff->GetMeasure(track, number) : nullptr;
}

int ECConductor::GetMeasures(int track, const MCTime& from, const MCTime& to, MCEventList& list)
{
    ECConductorStaff* staff = GetConductorStaff();
    if (!staff) {
        list.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, from, to, list);
}

int ECConductor::GetMeasures(int track, int first, int last, MCEventList& list)
{
    ECConductorStaff* staff = GetConductorStaff();
    if (!staff) {
        list.RemoveAll();
        return 0;
    }
    return staff->GetMeasures(track, first, last, list);
}

ECTempo* ECConductor::GetTempoAtTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    ECTempoEnv* map = staff ? staff->GetTempoEnv() : nullptr;
    return map ? static_cast<ECTempo*>(map->GetPointBeforeEqual(time)) : nullptr;
}

ECTempo* ECConductor::GetTempoBeforeTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    ECTempoEnv* map = staff ? staff->GetTempoEnv() : nullptr;
    return map ? static_cast<ECTempo*>(map->GetPointBefore(time)) : nullptr;
}

ECMeter* ECConductor::GetMeterAtTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff ? staff->GetMeterEnv() : nullptr;
    return map ? static_cast<ECMeter*>(map->GetPointBeforeEqual(time)) : nullptr;
}

ECMeter* ECConductor::GetMeterBeforeTime(const MCTime& time)
{
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff ? staff->GetMeterEnv() : nullptr;
    return map ? static_cast<ECMeter*>(map->GetPointBefore(time)) : nullptr;
}

void ECConductor::GetMeterScope(ECMeter* meter, MCTime& start, MCTime& end)
{
    start = MCTime::TimeNull();
    end = MCTime::TimeNull();
    ECConductorStaff* staff = GetConductorStaff();
    ECMeterEnv* map = staff ? staff->GetMeterEnv() : nullptr;
    const int index = map ? map->GetIndexForPoint(meter) : -1;
    if (index < 0)
        return;
    start = *meter->GetTime();
    if (ECEnvPoint* next = map->GetPointAtIndex(index + 1))
        end = *next->GetTime();
    else
        end = GetMaxMeasureEndTime();
}

int ECConductor::InsertTrack(ECTrack* track, int index)
{
    if (!track)
        return -1;
    switch (track->GetEventId()) {
    case EventId::ConductorStaff: {
        // One conductor staff, for good.
        auto* staff = plat::dynamicDowncast<ECConductorStaff>(track);
        if (!staff || (m_conductorStaff && m_conductorStaff != staff))
            return -1;
        if (!AddChild(staff, 1) && m_conductorStaff != staff)
            return -1;
        m_conductorStaff = staff;
        return 0;
    }
    case EventId::Staff: {
        auto* staff = plat::dynamicDowncast<ECStaff>(track);
        ECConductorStaff* conductorStaff = GetConductorStaff();
        // A staff already in the piece keeps its place.
        if (!staff || !conductorStaff || conductorStaff->GetStaffNumber(staff) >= 0)
            return -1;
        return conductorStaff->InsertStaff(staff, index);
    }
    case EventId::WaveTrack:
        return InsertWaveTrack(plat::dynamicDowncast<ECWaveTrack>(track), index);
    default:
        return -1;
    }
}

void ECConductor::RemoveTrack(ECTrack* track)
{
    if (!track)
        return;
    if (track->GetEventId() == EventId::Staff && m_conductorStaff)
        m_conductorStaff->RemoveStaff(plat::dynamicDowncast<ECStaff>(track));
    else if (track->GetEventId() == EventId::WaveTrack)
        RemoveWaveTrack(plat::dynamicDowncast<ECWaveTrack>(track));
}

bool ECConductor::tracksInOrder()
{
    // The order OrderTracks makes: by time (elements without one first), and at one time the
    // other children first, in their order, then the staves by number, the wave tracks by
    // number and any track the tables do not know. One pass, nothing taken out.
    forgetTrackOrder();
    OrderWalk walk;
    walk.staves = m_conductorStaff->GetMaxStaffNumber();
    for (ECBase* child : *GetChildren()) {
        if (!stepWalk(walk, child))
            return false;
    }
    m_orderWalk = walk;
    return walkComplete(walk);
}

bool ECConductor::stepWalk(OrderWalk& walk, ECBase* child)
{
    const MCTime* time = child->GetTime();
    if (!walk.first) {
        if (walk.previous && !time)
            return false;
        if (walk.previous && time && *time < *walk.previous && !(*walk.previous < *time))
            return false;
        if ((!walk.previous && time) || (walk.previous && time && *walk.previous < *time && !(*time < *walk.previous)))
            walk.trackAtThisTime = false;
    }
    walk.first = false;
    walk.previous = time;
    walk.last = child;
    ++walk.count;
    if (!isOrderedTrack(child))
        return !walk.trackAtThisTime;
    walk.trackAtThisTime = true;
    if (!walk.unknownSeen && walk.nextStaff <= walk.staves && child == m_conductorStaff->GetStaff(walk.nextStaff, 0)) {
        ++walk.nextStaff;
    } else if (!walk.unknownSeen && walk.nextStaff > walk.staves && walk.nextWave < m_waveTracks.size()
               && child == m_waveTracks[walk.nextWave]) {
        ++walk.nextWave;
    } else {
        // A track the tables know, out of its place, or one they do not know before theirs.
        auto* staff = plat::dynamicDowncast<ECStaff>(child);
        auto* wave = plat::dynamicDowncast<ECWaveTrack>(child);
        if ((staff && m_conductorStaff->GetStaffNumber(staff) > 0) || (wave && GetWaveTrackNumber(wave) > 0))
            return false;
        walk.unknownSeen = true;
    }
    return true;
}

bool ECConductor::walkComplete(const OrderWalk& walk) const
{
    return walk.nextStaff > walk.staves && walk.nextWave == m_waveTracks.size();
}

bool ECConductor::appendedInOrder(ECBase* child)
{
    // The kept walk holds for the children before this one when the table gained this staff
    // alone, at its end: every step it took compares the same against one more staff, as long
    // as there is no wave track to meet after the staves.
    if (!m_orderWalk || !m_conductorStaff || !m_waveTracks.empty())
        return false;
    MCEventList& children = *GetChildren();
    if (children.GetCount() != m_orderWalk->count + 1 || children.GetTail() != child)
        return false;
    MCPosition position = children.GetTailPosition();
    children.GetPrev(position);
    ECBase* before = position ? children.GetPrev(position) : nullptr;
    const int staves = m_conductorStaff->GetMaxStaffNumber();
    if (before != m_orderWalk->last || staves != m_orderWalk->staves + 1 || m_conductorStaff->GetStaff(staves, 0) != child)
        return false;
    OrderWalk walk = *m_orderWalk;
    walk.staves = staves;
    forgetTrackOrder();
    if (!stepWalk(walk, child))
        return false;
    m_orderWalk = walk;
    return walkComplete(walk);
}

int ECConductor::GetWaveTrackNumber(const ECWaveTrack* track) const
{
    if (!track)
        return -1;
    const auto at = std::find(m_waveTracks.begin(), m_waveTracks.end(), track);
    return at == m_waveTracks.end() ? -1 : static_cast<int>(at - m_waveTracks.begin()) + 1;
}

ECWaveTrack* ECConductor::GetWaveTrack(int number, int create)
{
    if (number >= 1 && number <= static_cast<int>(m_waveTracks.size()))
        return m_waveTracks[static_cast<size_t>(number) - 1];
    ECPerformanceBase* performance = GetPerformance();
    if (!create || number < 1 || !performance)
        return nullptr;
    plat::RefPtr<ECWaveTrack> track(new ECWaveTrack);
    plat::RefPtr<CCAddTrack> add(new CCAddTrack);
    add->Add(track.get(), nullptr, FCMidi::MidiNull());
    add->SetSynchronous(1);
    add->Apply(performance);
    return GetWaveTrackNumber(track.get()) > 0 ? track.get() : nullptr;
}

void ECConductor::renumberWaveTracks(size_t from)
{
    for (size_t i = from; i < m_waveTracks.size(); ++i) {
        ECWaveTrack* wave = m_waveTracks[i];
        const int number = static_cast<int>(i) + 1;
        if (wave->GetTrack() != number) {
            ACSetVoiceTrack renumber(number, MCVoiceTrack::noVoice);
            renumber.Apply(wave);
        }
        wave->SetVoiceTrack(structuralVoice, number);
    }
}

int ECConductor::InsertWaveTrack(ECWaveTrack* track, int index)
{
    if (!track || GetWaveTrackNumber(track) > 0)
        return -1;
    forgetTrackOrder();
    const int count = static_cast<int>(m_waveTracks.size());
    // A number past the last would stand for every track, or none, or wrap in the word.
    if (count >= MCVoiceTrack::lastTrack)
        return -1;
    if (index < 0 || index > count)
        index = count;
    m_waveTracks.insert(m_waveTracks.begin() + index, track);
    renumberWaveTracks(static_cast<size_t>(index));
    if (!AddChild(track, 1)) {
        m_waveTracks.erase(m_waveTracks.begin() + index);
        renumberWaveTracks(static_cast<size_t>(index));
        return -1;
    }
    return index;
}

void ECConductor::RemoveWaveTrack(ECWaveTrack* track)
{
    const int number = GetWaveTrackNumber(track);
    if (number < 1)
        return;
    forgetTrackOrder();
    m_waveTracks.erase(m_waveTracks.begin() + (number - 1));
    ECWithChild::RemoveChild(track, 0);
    renumberWaveTracks(static_cast<size_t>(number) - 1);
}

void ECConductor::BuildWaveTrackArray()
{
    ACFindEvents find;
    find.AddEvtType(EventId::WaveTrack);
    find.SetDepth(2);
    find.Apply(this);
    forgetTrackOrder();
    std::vector<ECWaveTrack*> found;
    for (ECBase* element : find.GetEvents()) {
        auto* wave = plat::dynamicDowncast<ECWaveTrack>(element);
        if (wave && std::find(found.begin(), found.end(), wave) == found.end())
            found.push_back(wave);
    }
    // The stored numbers give the order; a converted word, or a number met twice, cannot say
    // more than that.
    std::stable_sort(found.begin(), found.end(), [](ECWaveTrack* a, ECWaveTrack* b) {
        const auto number = [](ECWaveTrack* w) {
            return w->GetVoiceTrack()->IsConverted() ? MCVoiceTrack::noTrack : w->GetTrack();
        };
        return number(a) < number(b);
    });
    m_waveTracks = std::move(found);
    renumberWaveTracks(0);
}

void ECConductor::Serialize(plat::Archive& archive)
{
    ECWithChild::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeObject(m_conductorStaff);
        return;
    }
    m_performance = nullptr;
    auto* staff = archive.readReferenceAs<ECConductorStaff>();
    if (staff && !GetChildren()->Find(staff))
        throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "conductor whose conductor staff is not its child");
    m_conductorStaff = staff;
    BuildWaveTrackArray();
}
