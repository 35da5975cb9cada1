#include "sequencer/monitor/CHighlightMgr.h"

#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

CHighlightMgr::~CHighlightMgr()
{
    ResetHighlighting();
}

void CHighlightMgr::Detach()
{
    m_enabled.store(0, std::memory_order_relaxed);
    m_sequence = nullptr;
}

void CHighlightMgr::EnableHighlighting(int enable)
{
    std::lock_guard lock(m_lock);
    m_enabled.store(enable ? 1 : 0, std::memory_order_relaxed);
    ResetHighlighting();
}

void CHighlightMgr::SetHighlightOn(ECBase* element, uint32_t time)
{
    if (m_enabled.load(std::memory_order_relaxed))
        m_onQueue.push(Entry{element, time});
}

void CHighlightMgr::SetHighlightOff(ECBase* element, uint32_t time)
{
    if (m_enabled.load(std::memory_order_relaxed))
        m_offQueue.push(Entry{element, time});
}

uint32_t CHighlightMgr::Now()
{
    if (m_sequence && m_sequence->TestState(CSequence::stateStepPlaying)) {
        MCTime position = m_sequence->GetLocation();
        m_sequence->UnwrappedTime(position);
        const long ms = position.GetMSec();
        return ms > 0 ? static_cast<uint32_t>(ms) : 0;
    }
    const CWavegate* manager = CWavegate::GetWavegate();
    return manager ? manager->GetElapsedPlayTime() : 0;
}

void CHighlightMgr::Collect(Queue& queue, std::vector<Entry>& held, MCEventList& list, bool all, uint32_t now)
{
    Entry entry{};
    while (queue.pop(entry))
        held.push_back(entry);
    list.RemoveAll();
    size_t taken = 0;
    // Oldest first; the first entry not yet due holds back the rest.
    while (taken < held.size() && (all || held[taken].time <= now)) {
        list.AddTail(held[taken].element);
        ++taken;
    }
    held.erase(held.begin(), held.begin() + static_cast<std::ptrdiff_t>(taken));
}

MCEventList& CHighlightMgr::GetHighlightOnList()
{
    return GetHighlightOnList(Now());
}

MCEventList& CHighlightMgr::GetHighlightOffList(int all)
{
    return GetHighlightOffList(all, Now());
}

MCEventList& CHighlightMgr::GetHighlightOnList(uint32_t now)
{
    std::lock_guard lock(m_lock);
    Collect(m_onQueue, m_heldOn, m_onList, false, now);
    return m_onList;
}

MCEventList& CHighlightMgr::GetHighlightOffList(int all, uint32_t now)
{
    std::lock_guard lock(m_lock);
    Collect(m_offQueue, m_heldOff, m_offList, all != 0, now);
    return m_offList;
}

void CHighlightMgr::ResetHighlighting()
{
    std::lock_guard lock(m_lock);
    Entry entry{};
    while (m_onQueue.pop(entry)) {
    }
    while (m_offQueue.pop(entry)) {
    }
    m_heldOn.clear();
    m_heldOff.clear();
    m_onList.RemoveAll();
    m_offList.RemoveAll();
}
