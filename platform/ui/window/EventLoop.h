#pragma once

#include "platform/ui/PlatUiExport.h"

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
};

}  // namespace plat::ui
