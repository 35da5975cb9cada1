#include "notabase/lists/MCCache.h"

MCCache::~MCCache()
{
    DeleteCache();
}

void MCCache::SetSize(int size)
{
    if (size <= 0)
        return;
    for (void* item : m_points)
        static_cast<CachePoint*>(item)->objects.resize(static_cast<size_t>(size), nullptr);
    m_size = size;
}

MCCache::CachePoint* MCCache::GetCachePointForTime(const MCTime& time)
{
    if (m_points.IsEmpty()) {
        m_cursor = m_points.AddHead(new CachePoint{MCTime::TimeZero(), std::vector<void*>(static_cast<size_t>(m_size), nullptr)});
        return pointAt(m_cursor);
    }
    if (time <= MCTime::TimeZero() || !m_cursor) {
        m_cursor = m_points.GetHeadPosition();
        if (time <= MCTime::TimeZero())
            return pointAt(m_cursor);
    }
    if (!SearchCondition(time, *pointAt(m_cursor))) {
        // Back to the last point at or before the time; the head, at time 0, always is.
        MCPosition position = m_cursor;
        m_points.GetPrev(position);
        while (position && !SearchCondition(time, *pointAt(position)))
            m_points.GetPrev(position);
        m_cursor = position ? position : m_points.GetHeadPosition();
        return pointAt(m_cursor);
    }
    for (MCPosition next = m_cursor; ;) {
        m_points.GetNext(next);
        if (!next || !SearchCondition(time, *pointAt(next)))
            break;
        m_cursor = next;
    }
    return pointAt(m_cursor);
}

void MCCache::carryForward(int slot, void* from, void* to)
{
    MCPosition position = m_cursor;
    m_points.GetNext(position);
    while (position) {
        CachePoint* point = pointAt(position);
        if (point->objects[slot] != from)
            break;
        point->objects[slot] = to;
        m_points.GetNext(position);
    }
}

int MCCache::CacheObject(void* object, const MCTime& time, int slot)
{
    if (time < MCTime::TimeZero() || !validSlot(slot))
        return 0;
    CachePoint* point = GetCachePointForTime(time);
    void* const old = point->objects[slot];
    if (point->time != time) {
        m_cursor = m_points.InsertAfter(m_cursor, new CachePoint{time, point->objects});
        point = pointAt(m_cursor);
    } else if (old == object) {
        return 1;
    }
    point->objects[slot] = object;
    carryForward(slot, old, object);
    return 1;
}

int MCCache::UncacheObject(void* object, const MCTime& time, int slot)
{
    if (time < MCTime::TimeZero() || !validSlot(slot) || m_points.IsEmpty())
        return 0;
    CachePoint* point = GetCachePointForTime(time);
    if (point->time != time || point->objects[slot] != object)
        return 0;
    MCPosition previousPosition = m_cursor;
    m_points.GetPrev(previousPosition);
    const CachePoint* previous = pointAt(previousPosition);
    bool redundant = previous != nullptr;
    for (int other = 0; redundant && other < m_size; ++other)
        redundant = other == slot || point->objects[other] == previous->objects[other];
    if (redundant) {
        removePoint(m_cursor);
        m_cursor = previousPosition;
    } else {
        point->objects[slot] = previous ? previous->objects[slot] : nullptr;
    }
    carryForward(slot, object, pointAt(m_cursor)->objects[slot]);
    return 1;
}

int MCCache::ObjectIsCached(void* object, int slot) const
{
    if (m_points.IsEmpty() || slot >= m_size || slot < -1)
        return 0;
    for (void* item : m_points) {
        const auto* point = static_cast<const CachePoint*>(item);
        if (slot >= 0) {
            if (point->objects[slot] == object)
                return 1;
            continue;
        }
        for (void* held : point->objects) {
            if (held == object)
                return 1;
        }
    }
    return 0;
}

void* MCCache::GetObjectForTime(const MCTime& time, int slot)
{
    if (time < MCTime::TimeZero() || !validSlot(slot))
        return nullptr;
    return GetCachePointForTime(time)->objects[slot];
}

void* MCCache::GetObjectBeforeTime(const MCTime& time, int slot)
{
    if (time < MCTime::TimeZero() || !validSlot(slot))
        return nullptr;
    const CachePoint* point = GetCachePointForTime(time);
    if (point->time == time) {
        MCPosition previous = m_cursor;
        m_points.GetPrev(previous);
        if (previous)
            point = pointAt(previous);
    }
    return point->objects[slot];
}

void MCCache::GetObjectScope(void* object, const MCTime& time, int slot, MCTime& from, MCTime& to)
{
    from = MCTime::TimeNull();
    to = MCTime::TimeNull();
    if (time < MCTime::TimeZero() || !validSlot(slot))
        return;
    const CachePoint* point = GetCachePointForTime(time);
    if (point->objects[slot] != object)
        return;
    from = point->time;
    MCPosition back = m_cursor;
    m_points.GetPrev(back);
    for (; back; m_points.GetPrev(back)) {
        const CachePoint* earlier = pointAt(back);
        if (earlier->objects[slot] != object)
            break;
        from = earlier->time;
    }
    to = MCTime::TimeMax();
    MCPosition ahead = m_cursor;
    m_points.GetNext(ahead);
    for (; ahead; m_points.GetNext(ahead)) {
        const CachePoint* later = pointAt(ahead);
        if (later->objects[slot] != object) {
            to = later->time;
            break;
        }
    }
}

void MCCache::removePoint(MCPosition position)
{
    delete pointAt(position);
    m_points.RemoveAt(position);
}

void MCCache::DeleteCache()
{
    while (!m_points.IsEmpty())
        removePoint(m_points.GetTailPosition());
    m_cursor = nullptr;
}

void MCCache::DeleteCacheAfter(const MCTime& time)
{
    GetCachePointForTime(time);
    while (m_points.GetTailPosition() != m_cursor)
        removePoint(m_points.GetTailPosition());
}

void MCCache::ResetCurrentPosition(const MCTime& time)
{
    GetCachePointForTime(time);
}
