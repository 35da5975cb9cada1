#include "notabase/score/MCStaffCache.h"

#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"

ECClef* MCStaffCache::GetClefAtTime(const MCTime& time, unsigned char hand)
{
    return static_cast<ECClef*>(element(GetObjectForTime(time, clefSlot(hand))));
}

ECKey* MCStaffCache::GetKeyAtTime(const MCTime& time, unsigned char hand)
{
    return static_cast<ECKey*>(element(GetObjectForTime(time, keySlot(hand))));
}

ECClef* MCStaffCache::GetClefBeforeTime(const MCTime& time, unsigned char hand)
{
    return static_cast<ECClef*>(element(GetObjectBeforeTime(time, clefSlot(hand))));
}

ECKey* MCStaffCache::GetKeyBeforeTime(const MCTime& time, unsigned char hand)
{
    return static_cast<ECKey*>(element(GetObjectBeforeTime(time, keySlot(hand))));
}

void MCStaffCache::GetClefScope(ECClef* clef, MCTime& from, MCTime& to, unsigned char hand)
{
    if (clef)
        GetObjectScope(entry(clef), *clef->GetTime(), clefSlot(hand), from, to);
}

void MCStaffCache::GetKeyScope(ECKey* key, MCTime& from, MCTime& to, unsigned char hand)
{
    if (key)
        GetObjectScope(entry(key), *key->GetTime(), keySlot(hand), from, to);
}

int MCStaffCache::IsCacheEvent(ECBase* event)
{
    if (!event)
        return 0;
    const int id = event->GetEventId();
    return id == EventId::Clef || id == EventId::Key ? 1 : 0;
}

int MCStaffCache::slotOf(ECBase* event, unsigned char hand)
{
    if (!IsCacheEvent(event))
        return -1;
    return event->GetEventId() == EventId::Clef ? clefSlot(hand) : keySlot(hand);
}

int MCStaffCache::CacheEvent(ECBase* event, unsigned char hand)
{
    const int slot = slotOf(event, hand);
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (slot < 0 || !time)
        return 0;
    if (ECBase* current = element(GetObjectForTime(*time, slot))) {
        const MCTime* currentTime = current->GetTime();
        if (!currentTime || *currentTime == *time)
            return 0;
    }
    return CacheObject(entry(event), *time, slot);
}

int MCStaffCache::UncacheEvent(ECBase* event, unsigned char hand)
{
    const int slot = slotOf(event, hand);
    const MCTime* time = event ? event->GetTime() : nullptr;
    if (slot < 0 || !time)
        return 0;
    return UncacheObject(entry(event), *time, slot);
}

int MCStaffCache::EventIsCached(ECBase* event) const
{
    return ObjectIsCached(entry(event), -1);
}

void MCStaffCache::BuildCache(MCEventList& events)
{
    DeleteCache();
    for (ECBase* event : events) {
        if (auto* clef = plat::dynamicDowncast<ECClef>(event))
            CacheEvent(clef, clef->GetHand());
        else if (auto* key = plat::dynamicDowncast<ECKey>(event))
            CacheEvent(key, key->GetHand());
    }
}
