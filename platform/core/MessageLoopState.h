#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/EventWaiter.h"
#include "platform/core/Message.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

namespace plat {

class MessageWindowCore;

// The queues of one thread's message loop, shared by every thread that sends or posts to it.
// Any thread may enqueue; only the owner thread delivers.
class PLATCORE_API MessageLoopState final : public EventWaiter, public std::enable_shared_from_this<MessageLoopState> {
public:
    using Clock = std::chrono::steady_clock;

    MessageLoopState();
    ~MessageLoopState();
    MessageLoopState(const MessageLoopState&) = delete;
    MessageLoopState& operator=(const MessageLoopState&) = delete;

    std::thread::id owner() const { return m_owner; }
    bool isOwnerThread() const { return std::this_thread::get_id() == m_owner; }
    int wakeFd() const { return m_epollFd; }

    // Any thread. A closed loop takes nothing: posts fail, sends return 0.
    bool post(const std::shared_ptr<MessageWindowCore>& window, MessageId id, uintptr_t wParam, intptr_t lParam);
    bool postTask(std::function<void()> task);
    bool postQuit(int exitCode);
    // From a thread other than the owner: queues and waits for the result, serving the
    // calling thread's own sent messages meanwhile.
    intptr_t send(const std::shared_ptr<MessageWindowCore>& window, MessageId id, uintptr_t wParam, intptr_t lParam);
    void sendTask(const std::function<void()>& task);

    bool setTimer(const std::shared_ptr<MessageWindowCore>& window, uintptr_t id, uint32_t ms);
    bool killTimer(const MessageWindowCore* window, uintptr_t id);
    // Drops the window's timers and posts, and answers the sends waiting for it with 0.
    void dropWindow(const MessageWindowCore* window);

    // Ends the loop for good: queued messages are dropped and waiting senders get 0.
    void close();

    // Owner thread only.
    bool serveOneSent();
    void serveAllSent();
    enum class PostResult { none, delivered, quit };
    PostResult deliverOnePost(int& exitCode);
    // Delivers one due timer; the next deadline of any timer goes to nextDue.
    bool deliverOneTimer(std::optional<Clock::time_point>& nextDue);
    size_t pendingPosts();
    size_t timerCount();
    bool hasPending();
    // Sleeps until something is queued, the thread is woken, or the deadline passes.
    void waitForWork(std::optional<Clock::time_point> deadline);
    // Sleeps until a message is sent here, the thread is woken (by an event it waits for), or
    // the deadline passes.
    void waitForSentOrWake(std::optional<Clock::time_point> deadline);
    // Sleeps until the record is answered, serving sent messages meanwhile.
    struct SendRecord;
    void waitForReply(SendRecord& record);

    std::optional<int> takeQuit();
    void keepQuit(int exitCode);

    void setIdleHook(std::function<bool()> hook);
    std::shared_ptr<std::function<bool()>> idleHook();

    struct SendRecord {
        std::weak_ptr<MessageWindowCore> window;
        const MessageWindowCore* key = nullptr;
        MessageId id = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        const std::function<void()>* task = nullptr;
        std::shared_ptr<MessageLoopState> sender;
        intptr_t result = 0;  // guarded by sender's mutex
        bool done = false;    // guarded by sender's mutex
    };

private:
    struct PostItem {
        std::weak_ptr<MessageWindowCore> window;
        const MessageWindowCore* key = nullptr;
        MessageId id = 0;
        uintptr_t wParam = 0;
        intptr_t lParam = 0;
        std::function<void()> task;
        bool quit = false;
    };
    struct TimerEntry {
        std::weak_ptr<MessageWindowCore> window;
        const MessageWindowCore* key = nullptr;
        uintptr_t id = 0;
        Clock::duration period{};
        Clock::time_point due{};
    };

    static void complete(SendRecord& record, intptr_t result);
    void deliverSent(SendRecord& record);
    void signalLocked();
    void resetWakeLocked();
    void armTimerFdLocked();
    std::optional<Clock::time_point> nextTimerLocked() const;

    const std::thread::id m_owner;
    int m_eventFd = -1;
    int m_timerFd = -1;
    int m_epollFd = -1;
    // Guarded by m_mutex:
    bool m_closed = false;
    bool m_eventFdSignalled = false;
    std::deque<std::shared_ptr<SendRecord>> m_sent;
    std::deque<PostItem> m_posts;
    std::vector<TimerEntry> m_timers;
    // Owner thread only:
    std::optional<int> m_pendingQuit;
    std::shared_ptr<std::function<bool()>> m_idleHook;
};

}  // namespace plat
