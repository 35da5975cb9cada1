#pragma once

#include "platform/core/PlatCoreExport.h"

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>
#include <vector>

namespace plat {

namespace detail {

// One registered callback: whether it is still connected and how many calls of it are running,
// so a disconnect can wait for calls on other threads to end.
class PLATCORE_API CallbackSlot {
public:
    virtual ~CallbackSlot() = default;

    // Starts a call; false when the callback has been disconnected.
    bool enter();
    void leave();
    // Stops further calls and waits until no call runs on another thread. A call running on the
    // calling thread (a callback removing itself) is not waited for.
    void disconnect();
    bool connected() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_idle;
    bool m_live = true;
    int m_running = 0;
};

template <class Function>
class TypedCallbackSlot final : public CallbackSlot {
public:
    explicit TypedCallbackSlot(Function function) : m_function(std::move(function)) {}
    const Function& function() const { return m_function; }

private:
    Function m_function;
};

// The slots of one list, shared with its connections so a connection outliving its list is safe.
class PLATCORE_API CallbackListState {
public:
    void add(std::shared_ptr<CallbackSlot> slot);
    void remove(const std::shared_ptr<CallbackSlot>& slot);
    std::vector<std::shared_ptr<CallbackSlot>> snapshot() const;
    std::vector<std::shared_ptr<CallbackSlot>> takeAll();
    std::size_t size() const;

private:
    mutable std::mutex m_mutex;
    std::vector<std::shared_ptr<CallbackSlot>> m_slots;
};

// Marks a slot as running for the lifetime of one call.
class CallbackCall {
public:
    explicit CallbackCall(CallbackSlot& slot) : m_slot(slot), m_entered(slot.enter()) {}
    ~CallbackCall()
    {
        if (m_entered)
            m_slot.leave();
    }
    CallbackCall(const CallbackCall&) = delete;
    CallbackCall& operator=(const CallbackCall&) = delete;
    bool entered() const { return m_entered; }

private:
    CallbackSlot& m_slot;
    bool m_entered;
};

}  // namespace detail

// A removal token: removes its callback from its list when destroyed or disconnected.
class PLATCORE_API Connection {
public:
    Connection() = default;
    Connection(std::weak_ptr<detail::CallbackListState> list, std::shared_ptr<detail::CallbackSlot> slot);
    Connection(Connection&& other) noexcept;
    Connection& operator=(Connection&& other) noexcept;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection();

    // Idempotent. Once it returns the callback is not running on another thread and is never
    // called again; called from inside the callback itself, it only stops later calls.
    void disconnect();
    bool connected() const;
    // Forgets the token: the callback stays registered for the life of its list.
    void release();

private:
    std::weak_ptr<detail::CallbackListState> m_list;
    std::shared_ptr<detail::CallbackSlot> m_slot;
};

template <class Signature>
class CallbackList;

// An ordered list of callbacks. A call reaches every callback connected when it began and still
// connected when its turn comes; callbacks may add or remove callbacks, themselves included,
// and other threads may do the same meanwhile. Callbacks run on the calling thread without any
// lock of the list held.
template <class R, class... Args>
class CallbackList<R(Args...)> {
public:
    using Function = std::function<R(Args...)>;

    CallbackList() = default;
    CallbackList(const CallbackList&) = delete;
    CallbackList& operator=(const CallbackList&) = delete;
    ~CallbackList() { clear(); }

    [[nodiscard]] Connection add(Function function)
    {
        auto slot = std::make_shared<Slot>(std::move(function));
        m_state->add(slot);
        return Connection(m_state, std::move(slot));
    }

    void call(Args... args) const
    {
        for (const auto& slot : m_state->snapshot()) {
            const detail::CallbackCall running(*slot);
            if (running.entered())
                static_cast<const Slot&>(*slot).function()(args...);
        }
    }

    // Calls in order until stop(result) holds; true when a callback stopped the call.
    template <class Stop>
        requires(!std::is_void_v<R>)
    bool callUntil(Stop&& stop, Args... args) const
    {
        for (const auto& slot : m_state->snapshot()) {
            const detail::CallbackCall running(*slot);
            if (running.entered() && stop(static_cast<const Slot&>(*slot).function()(args...)))
                return true;
        }
        return false;
    }

    std::size_t size() const { return m_state->size(); }
    bool empty() const { return size() == 0; }

    // Disconnects every callback.
    void clear()
    {
        for (const auto& slot : m_state->takeAll())
            slot->disconnect();
    }

private:
    using Slot = detail::TypedCallbackSlot<Function>;
    std::shared_ptr<detail::CallbackListState> m_state = std::make_shared<detail::CallbackListState>();
};

}  // namespace plat
