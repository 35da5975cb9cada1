#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Message.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plat {

class MessageWindowCore;

// A weak handle to a window that any thread may keep and use: sends and posts to a window
// that is gone fail quietly (0, false).
class PLATCORE_API WindowRef {
public:
    WindowRef() = default;
    explicit WindowRef(std::weak_ptr<MessageWindowCore> core) : m_core(std::move(core)) {}

    bool isAlive() const;
    intptr_t send(MessageId id, uintptr_t wParam = 0, intptr_t lParam = 0) const;
    bool post(MessageId id, uintptr_t wParam = 0, intptr_t lParam = 0) const;

private:
    std::weak_ptr<MessageWindowCore> m_core;
};

// A hidden window: a named message handler owned by the thread that made it.
//
// send() from the owner thread calls the handler at once (re-entrantly if need be). From
// another thread it queues the message for the owner and waits for the result; while it
// waits the sender keeps serving what is sent to its own windows, so two threads that send
// to each other never deadlock. post() queues the message and returns.
class PLATCORE_API MessageWindow {
public:
    using Handler = std::function<intptr_t(MessageId id, uintptr_t wParam, intptr_t lParam)>;

    MessageWindow(std::string name, Handler handler);
    // Destroy on the owner thread. Pending posts and timers of the window are dropped; a
    // send waiting for it returns 0.
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    intptr_t send(MessageId id, uintptr_t wParam = 0, intptr_t lParam = 0);
    bool post(MessageId id, uintptr_t wParam = 0, intptr_t lParam = 0);

    // A window timer: kTimerMessage with wParam = id every ms milliseconds, delivered by the
    // owner's loop. Setting an existing id restarts it; 0 ms counts as 1. Callable from any
    // thread.
    bool setTimer(uintptr_t id, uint32_t ms);
    bool killTimer(uintptr_t id);

    const std::string& name() const;
    std::thread::id ownerThread() const;
    WindowRef ref() const;

private:
    std::shared_ptr<MessageWindowCore> m_core;
};

}  // namespace plat
