#pragma once

#include "notabase/performance/ECPerformance.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <functional>
#include <vector>

class CSequence::Locked {
public:
    explicit Locked(CSequence& sequence) : m_sequence(sequence), m_performance(sequence.m_performance)
    {
        if (m_performance)
            m_performance->Lock();
        m_sequence.m_lock.lock();
        ++m_sequence.m_lockDepth;
    }
    ~Locked()
    {
        std::vector<std::function<void()>> work;
        CWGEventList outgoing;
        if (--m_sequence.m_lockDepth == 0) {
            work.swap(m_sequence.m_deferred);
            outgoing.splice(outgoing.end(), m_sequence.m_outgoing);
        }
        m_sequence.m_lock.unlock();
        if (m_performance)
            m_performance->Unlock();
        if (!outgoing.empty()) {
            if (CWavegate* manager = CWavegate::GetWavegate())
                manager->PlayBuffer(outgoing);
        }
        for (auto& item : work)
            item();
    }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CSequence& m_sequence;
    ECPerformance* m_performance;
};
