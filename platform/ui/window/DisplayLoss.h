#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QString>

#include <functional>

namespace plat::ui {

// Ends a program in order when its display goes away under it (the X server or the
// compositor ending with the desktop session). Qt's platform plug-in then reports the broken
// connection and calls exit() from inside the event loop, and the process would run its
// static destructors under windows that can no longer be reached. While an object of this
// class lives, that report, or any exit() called from inside the event loop, runs save (once,
// on the main thread: what the program keeps of its work, such as recovery copies of the
// modified documents or a recording finished) and ends the process at once: with the status
// exit() was given, or 0 for the lost display, which ends the session, not the program's work.
class PLATUI_API DisplayLoss {
public:
    explicit DisplayLoss(std::function<void()> save);
    ~DisplayLoss();
    DisplayLoss(const DisplayLoss&) = delete;
    DisplayLoss& operator=(const DisplayLoss&) = delete;

    // Whether a message of Qt's says that the connection to the display broke.
    static bool IsLossMessage(const QString& text);

private:
    void End(int status);

    std::function<void()> m_save;
};

}  // namespace plat::ui
