#include "sequencer/monitor/CMeterLevelMgr.h"

#include "notabase/score/ECConductor.h"
#include "sequencer/data/DCsqTrack.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <algorithm>

CMeterLevelMgr::~CMeterLevelMgr()
{
    ResetLevels();
    Detach();
}

void CMeterLevelMgr::Attach(CSequence* sequence)
{
    m_sequence = sequence;
    UpdateTrackCount();
}

void CMeterLevelMgr::Detach()
{
    std::lock_guard lock(m_lock);
    m_sequence = nullptr;
    std::fill(m_gains.begin(), m_gains.end(), 0.0f);
}

void CMeterLevelMgr::UpdateTrackCount()
{
    std::lock_guard lock(m_lock);
    ECConductor* conductor = m_sequence ? m_sequence->GetConductor() : nullptr;
    const int tracks = conductor ? std::max(0, conductor->GetMaxTrackNumber(ECConductor::staffTrack)) : 0;
    if (tracks != m_slotCount - 1) {
        m_slotCount = tracks + 1;
        // Each poll sets every slot again, so only new slots need a value: a piece that gains
        // its staves one at a time does not clear every slot for each one.
        m_peaks.resize(static_cast<size_t>(m_slotCount), 0);
        m_levels.resize(static_cast<size_t>(m_slotCount), 0.0f);
        m_gains.resize(static_cast<size_t>(m_slotCount), 0.0f);
    }
    ReadGains();
}

void CMeterLevelMgr::RefreshGains()
{
    std::lock_guard lock(m_lock);
    ReadGains();
}

void CMeterLevelMgr::ReadGains()
{
    for (int slot = 0; slot < m_slotCount; ++slot) {
        const DCsqTrack* track = (slot > 0 && m_sequence)
                                     ? DCsqTrack::GetTrackData(static_cast<unsigned>(slot), ECConductor::staffTrack, m_sequence)
                                     : nullptr;
        m_gains[static_cast<size_t>(slot)] = track ? track->GetTrackGain() : 0.0f;
    }
}

int CMeterLevelMgr::GetSlotCount()
{
    std::lock_guard lock(m_lock);
    return m_slotCount;
}

void CMeterLevelMgr::SetMeterLevel(unsigned track, unsigned level, uint32_t time)
{
    m_queue.push(Sample{track, level, time});
}

void CMeterLevelMgr::Drain()
{
    Sample sample{};
    while (m_queue.pop(sample))
        m_held.push_back(sample);
}

const std::vector<float>& CMeterLevelMgr::GetCurrentLevels()
{
    const CWavegate* manager = CWavegate::GetWavegate();
    return GetCurrentLevels(manager ? manager->GetElapsedPlayTime() : 0);
}

const std::vector<float>& CMeterLevelMgr::GetCurrentLevels(uint32_t now)
{
    std::lock_guard lock(m_lock);
    Drain();
    std::fill(m_peaks.begin(), m_peaks.end(), 0u);
    const uint64_t horizon = static_cast<uint64_t>(now) + kEarlyMs;
    std::erase_if(m_held, [&](const Sample& sample) {
        if (sample.time != 0 && sample.time > horizon)
            return false;
        if (sample.track < static_cast<uint32_t>(m_slotCount))
            m_peaks[sample.track] = std::max(m_peaks[sample.track], sample.level);
        return true;
    });
    for (size_t slot = 0; slot < m_levels.size(); ++slot)
        m_levels[slot] = static_cast<float>(m_peaks[slot]) / 128.0f * m_gains[slot];
    return m_levels;
}

void CMeterLevelMgr::ResetLevels()
{
    std::lock_guard lock(m_lock);
    Drain();
    m_held.clear();
}
