#include "notabase/score/ECStaff.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/EventTypes.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/MCStaffCache.h"
#include "platform/core/Archive.h"

PLAT_IMPLEMENT_SERIAL(ECStaff, ECTrack, plat::kVersionableSchema | 2)

ECStaff::ECStaff() : ECStaff(0)
{
}

ECStaff::ECStaff(unsigned char staffType) : m_cache(std::make_unique<MCStaffCache>())
{
    SetStaffType(staffType);
    SetStaffEmpty(1);
}

ECStaff::ECStaff(const ECStaff& other) : ECTrack(other), m_cache(std::make_unique<MCStaffCache>())
{
    SetStaffEmpty(1);
    *this = other;
}

ECStaff::~ECStaff() = default;

ECStaff& ECStaff::operator=(const ECStaff& other)
{
    if (this == &other)
        return *this;
    ECTrack::operator=(other);
    SetStaffType(other.GetStaffType());
    return *this;
}

ECBase* ECStaff::Copy(plat::Object* other)
{
    if (auto* staff = plat::dynamicDowncast<ECStaff>(other))
        *this = *staff;
    return this;
}

int ECStaff::GetEventId() const
{
    return EventId::Staff;
}

int ECStaff::GetParentTypes(std::vector<int>& types) const
{
    types.push_back(EventId::Conductor);
    return static_cast<int>(types.size());
}

void ECStaff::SetStaffType(unsigned char staffType)
{
    SetFlags(static_cast<uint16_t>((GetFlags() & ~0x7F00) | ((staffType & 0x7F) << 8)));
}

void ECStaff::SetStaffEmpty(int empty)
{
    SetFlags(static_cast<uint16_t>(empty ? (GetFlags() | flagStaffEmpty) : (GetFlags() & ~flagStaffEmpty)));
}

void ECStaff::Serialize(plat::Archive& archive)
{
    ECTrack::Serialize(archive);
    if (archive.isStoring()) {
        archive.writeU8(static_cast<uint8_t>(GetFlags() >> 8));
        return;
    }
    const uint8_t high = archive.readU8();
    SetFlags(static_cast<uint16_t>((GetFlags() & 0x00FF) | (high << 8)));
    RebuildCache();
}

int ECStaff::RemoveChildren(int recursive)
{
    if (!ECTrack::RemoveChildren(recursive))
        return 0;
    m_cache->DeleteCache();
    return 1;
}

ECClef* ECStaff::GetClefAtTime(const MCTime& time, unsigned char hand)
{
    return m_cache->GetClefAtTime(time, hand);
}

ECClef* ECStaff::GetClefBeforeTime(const MCTime& time, unsigned char hand)
{
    return m_cache->GetClefBeforeTime(time, hand);
}

void ECStaff::GetClefScope(ECClef* clef, MCTime& from, MCTime& to, unsigned char hand)
{
    m_cache->GetClefScope(clef, from, to, hand);
}

ECKey* ECStaff::GetKeyAtTime(const MCTime& time, unsigned char hand)
{
    return m_cache->GetKeyAtTime(time, hand);
}

ECKey* ECStaff::GetKeyBeforeTime(const MCTime& time, unsigned char hand)
{
    return m_cache->GetKeyBeforeTime(time, hand);
}

void ECStaff::GetKeyScope(ECKey* key, MCTime& from, MCTime& to, unsigned char hand)
{
    m_cache->GetKeyScope(key, from, to, hand);
}

int ECStaff::CacheEvent(ECBase* event, unsigned char hand)
{
    return MCStaffCache::IsCacheEvent(event) ? m_cache->CacheEvent(event, hand) : 0;
}

int ECStaff::UncacheEvent(ECBase* event, unsigned char hand)
{
    return MCStaffCache::IsCacheEvent(event) ? m_cache->UncacheEvent(event, hand) : 0;
}

int ECStaff::RecacheEvent(ECBase* event, unsigned char hand)
{
    if (!MCStaffCache::IsCacheEvent(event))
        return 0;
    if (m_cache->EventIsCached(event))
        m_cache->UncacheEvent(event, hand);
    return m_cache->CacheEvent(event, hand);
}

void ECStaff::RebuildCache()
{
    ACFindEvents find(2);
    find.AddEvtType(EventId::Clef);
    find.AddEvtType(EventId::Key);
    find.SetDepth(2);
    find.Apply(this);
    m_cache->BuildCache(find.GetEvents());
}

void ECStaff::CacheHiddenEvent(int id, unsigned char hand, const MCTime& time)
{
    ACFindEvents find(1);
    find.AddEvtType(id);
    find.SetDepth(2);
    find.Apply(this);
    for (ECBase* event : find.GetEvents()) {
        if (*event->GetTime() == time && HandOf(event) == hand && !m_cache->EventIsCached(event)) {
            m_cache->CacheEvent(event, hand);
            return;
        }
    }
}

unsigned char ECStaff::HandOf(ECBase* event)
{
    if (auto* clef = plat::dynamicDowncast<ECClef>(event))
        return clef->GetHand();
    if (auto* key = plat::dynamicDowncast<ECKey>(event))
        return key->GetHand();
    return 0;
}

void ECStaff::SetCachedEventTime(ECBase* event, unsigned char hand, const MCTime* time,
                                 const std::function<void(const MCTime*)>& setTime)
{
    auto* staff = plat::dynamicDowncast<ECStaff>(event->GetAncestor(EventId::Staff, -1));
    if (!staff || !time) {
        setTime(time);
        return;
    }
    const MCTime old = *event->GetTime();
    const bool wasInForce = staff->UncacheEvent(event, hand) != 0;
    setTime(time);
    staff->CacheEvent(event, hand);
    if (wasInForce)
        staff->CacheHiddenEvent(event->GetEventId(), hand, old);
}
