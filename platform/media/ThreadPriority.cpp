#include "platform/media/ThreadPriority.h"

#include "platform/core/Trace.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <cstring>

namespace plat::media {

bool ThreadPriority::set(Level level)
{
    int policy = SCHED_OTHER;
    sched_param param{};
    switch (level) {
    case Level::normal:
        break;
    case Level::polling:
        policy = SCHED_RR;
        param.sched_priority = sched_get_priority_min(SCHED_RR) +
                               (sched_get_priority_max(SCHED_RR) - sched_get_priority_min(SCHED_RR)) / 4;
        break;
    case Level::sending:
        // High, yet below the system's own real-time threads (interrupt handlers, watchdogs).
        policy = SCHED_FIFO;
        param.sched_priority = sched_get_priority_max(SCHED_FIFO) - 10;
        break;
    }
    const int error = pthread_setschedparam(pthread_self(), policy, &param);
    if (error == 0)
        return true;
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true))
        plat::trace("Media threads keep normal priority: real-time scheduling was refused (%s)", std::strerror(error));
    return false;
}

}  // namespace plat::media
