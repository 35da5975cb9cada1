#pragma once

#include "platform/ui/PlatUiExport.h"

#include <memory>

class QSocketNotifier;

namespace plat::ui {

// The program's main loop: the interface's event loop, which also delivers what is posted or
// sent to the main thread's own message queue (plat::MessageLoop) as soon as it arrives, so
// device notifications that other threads post to hidden windows reach them on this thread.
class PLATUI_API EventLoop {
public:
    // Runs until postQuit and answers its exit code. Needs the application object.
    static int run();
    // Ends run() with that code once control is back in the loop; callable from any thread.
    static void postQuit(int exitCode);

    // While it lives, the interface's event loop (however it is run: exec, a nested loop,
    // processEvents) delivers the main thread's queue; what was queued before is delivered
    // once the loop runs. Made on the main thread, with the application object.
    class PLATUI_API QueueDelivery {
    public:
        QueueDelivery();
        ~QueueDelivery();
        QueueDelivery(const QueueDelivery&) = delete;
        QueueDelivery& operator=(const QueueDelivery&) = delete;

    private:
        std::unique_ptr<QSocketNotifier> m_notifier;
    };
};

}  // namespace plat::ui
