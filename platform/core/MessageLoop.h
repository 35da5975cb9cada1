#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Message.h"

#include <chrono>
#include <functional>
#include <memory>

namespace plat {

class MessageLoopState;

// The message queue of one thread: posted messages and tasks in order, messages sent from
// other threads, and the thread's window timers. Each thread has at most one; it is made
// the first time the thread asks for it.
//
// A thread serves messages sent to its windows by other threads whenever it runs its loop,
// pumps, waits in a send of its own, or waits with Event::waitServing. Posted messages and
// timers are delivered only by run, pump and runUntil.
//
// Sent messages come first, then posted messages and tasks in the order they were queued,
// then window timers that are due (one tick each, however late).
//
// The queue can be watched through a file descriptor (wakeFd) so that another event loop
// (Qt's, on the main thread) can pump it when something arrives.
class PLATCORE_API MessageLoop {
public:
    // The loop of the calling thread.
    static MessageLoop& current();

    // Runs until a quit message arrives; returns its exit code.
    int run();
    // Delivers what is pending now (sent, posted, due timers), runs the idle hook once the
    // queue is empty, and returns without waiting. A quit met here or in runUntil stays
    // pending, so the next run (or the loop this one is nested in) ends at once.
    void pump();
    // Runs until condition() holds or the time-out passes; returns whether it held. The
    // condition is checked after each delivery, and every few milliseconds in case another
    // thread makes it hold. A quit message also ends the wait (false).
    bool runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

    // Asks the loop to end with that exit code; callable from any thread.
    void quit(int exitCode = 0);
    // Runs task on this loop's thread, in order with posted messages; callable from any thread.
    bool postTask(std::function<void()> task);
    // Runs task on this loop's thread and waits for it; on the owner thread it runs at once.
    // While waiting, the caller keeps serving what is sent to its own windows. A loop that has
    // ended for good runs nothing.
    void sendTask(const std::function<void()>& task);

    // Called when the loop has drained its queue; returns true to be called again before the
    // loop waits (as long as nothing new arrives).
    void setIdleHook(std::function<bool()> hook);

    // Readable while messages are pending; for another event loop to watch.
    int wakeFd() const;

    bool isOwnerThread() const;

    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;
    ~MessageLoop();

    // For the platform's own classes.
    const std::shared_ptr<MessageLoopState>& state() const { return m_state; }

private:
    friend class Thread;
    MessageLoop();
    // Makes loop the calling thread's loop (a Thread owns the loop of its own thread).
    static void makeCurrent(MessageLoop* loop);
    std::shared_ptr<MessageLoopState> m_state;
};

}  // namespace plat
