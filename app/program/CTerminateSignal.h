#pragma once

#include <QObject>

#include <functional>
#include <memory>

class QSocketNotifier;

// Ends the program cleanly when it is asked to from outside: SIGTERM (the desktop logging out,
// a kill) or SIGINT (a terminal). The signal handler only writes a byte to a pipe; the event
// loop watching it, whichever loop runs (a message box's too), answers every open modal window
// and popup as Escape would, waits until their loops have returned, and then closes the
// program as the user would. One object at a time installs the handlers; the previous ones come
// back when it goes.
class CTerminateSignal : public QObject {
public:
    // mainLoopLevel: the depth of the loop the program runs in (1 under QApplication::exec,
    // 0 when the caller pumps events itself); close runs only once every loop above it has
    // returned.
    explicit CTerminateSignal(std::function<void()> close, int mainLoopLevel = 1);
    ~CTerminateSignal() override;

    CTerminateSignal(const CTerminateSignal&) = delete;
    CTerminateSignal& operator=(const CTerminateSignal&) = delete;

    // Whether the pipe and the handlers are in place.
    bool IsInstalled() const { return m_notifier != nullptr; }

private:
    void OnSignal();
    // Answers the modal windows and popups still open; true when there were any.
    static bool EndModalLoops();
    void CloseWhenUnwound(int rounds);

    std::function<void()> m_close;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_pipe[2] = {-1, -1};
    int m_mainLoopLevel;
    bool m_pending = false;
};
