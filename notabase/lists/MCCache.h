#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCPtrList.h"
#include "notabase/values/MCTime.h"

#include <vector>

// Answers which objects are in effect at a time, for objects that hold from their time until
// replaced (clefs, keys). It keeps a time-ordered list of cache points, each with the full set
// of objects in effect from its time on, one per slot, and a cursor at the point last looked
// at: lookups at nearby or increasing times, as drawing and playing make them, walk only a few
// points. Points are made only where some slot changes; once anything has been asked, a point
// at time 0 heads the list. Negative times are refused throughout.
class NOTABASE_API MCCache {
public:
    struct CachePoint {
        MCTime time;
        std::vector<void*> objects;
    };

    MCCache() = default;
    explicit MCCache(int size) : m_size(size > 0 ? size : 0) {}
    MCCache(const MCCache&) = delete;
    MCCache& operator=(const MCCache&) = delete;
    virtual ~MCCache();

    int GetSize() const { return m_size; }
    // Resizes every point to a size above 0; other sizes change nothing.
    void SetSize(int size);

    // Makes the object the one in effect in the slot from the time on, up to the next point
    // that shows something else. 0 for a negative time or a slot out of range.
    int CacheObject(void* object, const MCTime& time, int slot);
    // Takes the object out where it begins at exactly that time: the slot shows what held
    // before, and a point left with nothing of its own goes. 0 when it does not begin there.
    int UncacheObject(void* object, const MCTime& time, int slot);
    // 1 when some point holds the object in the slot (in any slot for -1).
    int ObjectIsCached(void* object, int slot) const;
    // The object in effect at the time; null when none, for a negative time or a bad slot.
    void* GetObjectForTime(const MCTime& time, int slot);
    // The object in effect just before the time when a point begins exactly there, else the
    // one in effect at the time.
    void* GetObjectBeforeTime(const MCTime& time, int slot);
    // The span over which the object, in effect at the time, holds without a break: from the
    // first point of its run to the next point that shows something else (TimeMax when none).
    // Both stay TimeNull when the object is not in effect at the time.
    void GetObjectScope(void* object, const MCTime& time, int slot, MCTime& from, MCTime& to);
    void DeleteCache();
    // Removes every point after the one in effect at the time.
    void DeleteCacheAfter(const MCTime& time);
    // Moves the cursor to the point in effect at the time.
    void ResetCurrentPosition(const MCTime& time);

    int GetPointCount() const { return m_points.GetCount(); }
    const CachePoint* GetPoint(int index) const { return pointAt(m_points.FindIndex(index)); }

protected:
    // Whether the point lies at or before the time.
    virtual bool SearchCondition(const MCTime& time, const CachePoint& point) const { return time >= point.time; }
    // The last point at or before the time, made the cursor; an empty cache first gets its
    // point at time 0.
    CachePoint* GetCachePointForTime(const MCTime& time);

private:
    CachePoint* pointAt(MCPosition position) const { return static_cast<CachePoint*>(m_points.GetAt(position)); }
    bool validSlot(int slot) const { return slot >= 0 && slot < m_size; }
    // From the point after the cursor on, each point showing `from` in the slot shows `to`,
    // up to the first that shows something else.
    void carryForward(int slot, void* from, void* to);
    void removePoint(MCPosition position);

    int m_size = 0;
    // CachePoint*, owned, in ascending time.
    MCPtrList m_points;
    MCPosition m_cursor = nullptr;
};
