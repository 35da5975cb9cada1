#pragma once

#include "notabase/performance/ECPerformance.h"
#include "sequencer/transport/CSequence.h"
#include "platform/core/MessageLoop.h"
#include "wavegate/CWavegate.h"

#include <functional>
#include <memory>
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
        if (!outgoing.empty() && CWavegate::GetWavegate()) {
            if (m_performance && m_performance->GetLock().heldByThisThread()) {
                // An outer caller still holds the performance (the command manager finishing a
                // command): the devices come before the performance in the lock order, so the
                // events go out from this thread's loop once that caller lets go.
                auto later = std::make_shared<CWGEventList>();
                later->splice(later->end(), outgoing);
                plat::MessageLoop::current().postTask([later] {
                    if (CWavegate* manager = CWavegate::GetWavegate())
                        manager->PlayBuffer(*later);
                });
            } else {
                CWavegate::GetWavegate()->PlayBuffer(outgoing);
            }
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
