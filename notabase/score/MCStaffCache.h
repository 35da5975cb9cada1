#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCCache.h"

class ECBase;
class ECClef;
class ECKey;
class MCEventList;

// A staff's index of its clefs and keys by time: which clef and which key are in force at a
// time, for each of the two hands of a staff (any hand other than 0 counts as hand 1). The
// times are the elements' own; an element moved in time must be uncached at its old time and
// cached again (keys and clefs do it themselves).
class NOTABASE_API MCStaffCache : public MCCache {
public:
    MCStaffCache() : MCCache(slotCount) {}

    ECClef* GetClefAtTime(const MCTime& time, unsigned char hand);
    ECKey* GetKeyAtTime(const MCTime& time, unsigned char hand);
    ECClef* GetClefBeforeTime(const MCTime& time, unsigned char hand);
    ECKey* GetKeyBeforeTime(const MCTime& time, unsigned char hand);
    // The span in which the clef or key holds, around its own time.
    void GetClefScope(ECClef* clef, MCTime& from, MCTime& to, unsigned char hand);
    void GetKeyScope(ECKey* key, MCTime& from, MCTime& to, unsigned char hand);

    // Whether the element is of a kind the cache holds: a clef or a key.
    static int IsCacheEvent(ECBase* event);
    // 0 for an element of another kind or without a time, and when a clef or key of the same
    // hand (this one included) already begins at its time.
    int CacheEvent(ECBase* event, unsigned char hand);
    int UncacheEvent(ECBase* event, unsigned char hand);
    int EventIsCached(ECBase* event) const;
    // Empties the cache, then caches every clef and key of the list, in list order, each with
    // its own hand.
    void BuildCache(MCEventList& events);

private:
    static constexpr int slotCount = 4;
    static int clefSlot(unsigned char hand) { return hand ? 1 : 0; }
    static int keySlot(unsigned char hand) { return hand ? 3 : 2; }
    // The slot of a clef or key for the hand; -1 for any other element.
    static int slotOf(ECBase* event, unsigned char hand);
    // The cache holds elements as ECBase pointers.
    static void* entry(ECBase* event) { return event; }
    static ECBase* element(void* entry) { return static_cast<ECBase*>(entry); }
};
