#pragma once

#include <QString>

#include <functional>

// Ends the program in order when its display goes away under it (the X server or the
// compositor ending with the desktop session). Qt's platform plug-in then reports the broken
// connection and calls exit() from inside the event loop, and the process would run its
// static destructors under windows that can no longer be reached. While an object of this
// class lives, that report, or any exit() called from inside the event loop, runs save (once,
// on the main thread: recovery copies of the modified documents) and ends the process at once:
// with the status exit() was given, or 0 for the lost display, which ends the session, not the
// program's work.
class CDisplayLoss {
public:
    explicit CDisplayLoss(std::function<void()> save);
    ~CDisplayLoss();
    CDisplayLoss(const CDisplayLoss&) = delete;
    CDisplayLoss& operator=(const CDisplayLoss&) = delete;

    // Whether a message of Qt's says that the connection to the display broke.
    static bool IsLossMessage(const QString& text);

private:
    void End(int status);

    std::function<void()> m_save;
};
