#include "sequencer/events/CSeqEventPool.h"

#include <new>

CSeqEvent* CSeqEventPool::Take(CSeqEventList& list)
{
    if (m_spare.empty())
        return Take(nullptr, list);
    // Spare events were reset when given back.
    list.splice(list.end(), m_spare, m_spare.begin());
    return list.back().get();
}

void CSeqEventPool::Give(CSeqEventList& list, CSeqEventList::iterator at)
{
    if (m_spare.size() >= kMaxSpare || !*at) {
        list.erase(at);
        return;
    }
    **at = CSeqEvent();
    m_spare.splice(m_spare.begin(), list, at);
}

void CSeqEventPool::GiveRecords(CWGEventList& records)
{
    while (!records.empty()) {
        if (m_spareRecords.size() >= kMaxSpare || !records.front()) {
            records.pop_front();
            continue;
        }
        *records.front() = CWGEventData();
        m_spareRecords.splice(m_spareRecords.begin(), records, records.begin());
    }
}

CSeqEvent* CSeqEventPool::Take(CSeqEventPool* pool, CSeqEventList& list)
{
    if (pool)
        return pool->Take(list);
    std::unique_ptr<CSeqEvent> event(new (std::nothrow) CSeqEvent);
    if (!event)
        return nullptr;
    try {
        list.push_back(std::move(event));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return list.back().get();
}
