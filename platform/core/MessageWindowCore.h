#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Message.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plat {

class MessageLoopState;

// The shared part of a MessageWindow: what senders on other threads and WindowRefs hold on
// to. The handler is touched only on the owner thread, so it needs no lock.
class PLATCORE_API MessageWindowCore {
public:
    using Handler = std::function<intptr_t(MessageId id, uintptr_t wParam, intptr_t lParam)>;

    MessageWindowCore(std::string name, Handler handler, std::shared_ptr<MessageLoopState> loop);
    MessageWindowCore(const MessageWindowCore&) = delete;
    MessageWindowCore& operator=(const MessageWindowCore&) = delete;

    bool isAlive() const { return m_alive.load(std::memory_order_acquire); }
    bool isOwnerThread() const { return std::this_thread::get_id() == m_owner; }

    intptr_t send(MessageId id, uintptr_t wParam, intptr_t lParam);
    bool post(MessageId id, uintptr_t wParam, intptr_t lParam);
    bool setTimer(uintptr_t id, uint32_t ms);
    bool killTimer(uintptr_t id);

    // On the owner thread: calls the handler unless the window is gone (then 0).
    intptr_t dispatch(MessageId id, uintptr_t wParam, intptr_t lParam);
    // On the owner thread: no handler call after this; queued messages and timers are dropped
    // and waiting senders get 0.
    void destroy();

    const std::string& name() const { return m_name; }
    std::thread::id ownerThread() const { return m_owner; }
    const std::shared_ptr<MessageLoopState>& loop() const { return m_loop; }
    std::weak_ptr<MessageWindowCore> weak() const { return m_self; }

    static std::shared_ptr<MessageWindowCore> create(std::string name, Handler handler,
                                                     std::shared_ptr<MessageLoopState> loop);

private:
    const std::string m_name;
    const std::thread::id m_owner;
    const std::shared_ptr<MessageLoopState> m_loop;
    std::atomic<bool> m_alive{true};
    // Shared so that a handler that destroys its own window keeps running safely.
    std::shared_ptr<Handler> m_handler;
    std::weak_ptr<MessageWindowCore> m_self;
};

}  // namespace plat
