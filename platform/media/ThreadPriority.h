#pragma once

#include "platform/media/PlatMediaExport.h"

namespace plat::media {

// The scheduling of the media threads that keep time, set by each thread for itself.
// Real-time scheduling needs a privilege that a desktop user or a container often lacks;
// the thread then keeps running at normal priority, and the first refusal in the process
// says so in the trace.
class PLATMEDIA_API ThreadPriority {
public:
    enum class Level {
        normal,    // the default time-sharing scheduling
        polling,   // a thread that prepares output a latency ahead (round-robin, low real-time)
        sending,   // a thread that sends events to ports at their time (first-in first-out, high)
    };

    // Sets the calling thread's scheduling; false when the system refused it.
    static bool set(Level level);
};

}  // namespace plat::media
