#include "platform/core/Thread.h"

#include "platform/core/AltSignalStack.h"
#include "platform/core/Event.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageLoopState.h"

#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <system_error>

namespace plat {

struct Thread::Shared {
    Event started{true, false};
    Event finished{true, false};
    // Written by the new thread before `started` is set, read by others after.
    std::unique_ptr<MessageLoop> loop;
    std::shared_ptr<MessageLoopState> state;
    bool initSucceeded = false;
    std::atomic<int> exitCode{0};
    std::thread::id id;
};

Thread::Thread(std::string name) : m_name(std::move(name)) {}

Thread::~Thread()
{
    if (m_thread.joinable()) {
        quit();
        join();
    }
}

bool Thread::start(std::function<void()> init, std::function<void()> done)
{
    if (m_shared)
        return false;
    auto shared = std::make_shared<Shared>();
    try {
        m_thread = std::thread([shared, name = m_name, init = std::move(init), done = std::move(done)] {
            // The crash report can be written even when this thread's stack overflows.
            const AltSignalStack altStack;
            // Linux limits thread names to 15 characters.
            pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
            shared->loop.reset(new MessageLoop());
            shared->state = shared->loop->state();
            MessageLoop::makeCurrent(shared->loop.get());
            bool ok = true;
            if (init) {
                try {
                    init();
                } catch (...) {
                    ok = false;
                }
            }
            shared->initSucceeded = ok;
            shared->started.set();
            if (ok) {
                shared->exitCode.store(shared->loop->run(), std::memory_order_release);
                // Once the loop has ended nothing more is served: sends to the thread's windows
                // return 0 instead of waiting for a loop that will not run again.
                shared->state->close();
                if (done)
                    done();
            } else {
                shared->state->close();
            }
            MessageLoop::makeCurrent(nullptr);
            shared->finished.set();
        });
    } catch (const std::system_error&) {
        return false;
    }
    shared->id = m_thread.get_id();
    m_shared = shared;
    m_shared->started.waitServing();
    if (!m_shared->initSucceeded) {
        m_thread.join();
        return false;
    }
    return true;
}

MessageLoop* Thread::loop() const
{
    return m_shared ? m_shared->loop.get() : nullptr;
}

void Thread::quit(int exitCode)
{
    if (m_shared && m_shared->state)
        m_shared->state->postQuit(exitCode);
}

bool Thread::join(uint32_t timeoutMs)
{
    if (!m_thread.joinable())
        return true;
    if (m_thread.get_id() == std::this_thread::get_id())
        return false;
    if (m_shared->finished.waitServing(timeoutMs) != Event::WaitResult::signalled)
        return false;
    m_thread.join();
    return true;
}

bool Thread::isRunning() const
{
    return m_thread.joinable() && !m_shared->finished.isSet();
}

int Thread::exitCode() const
{
    return m_shared ? m_shared->exitCode.load(std::memory_order_acquire) : 0;
}

std::thread::id Thread::id() const
{
    return m_shared ? m_shared->id : std::thread::id();
}

void Thread::raisePriority()
{
    if (!m_thread.joinable())
        return;
    sched_param param{};
    const int low = sched_get_priority_min(SCHED_RR);
    const int high = sched_get_priority_max(SCHED_RR);
    param.sched_priority = low + (high - low) / 4;
    // Needs a real-time privilege that a desktop user often lacks; normal priority is fine then.
    pthread_setschedparam(m_thread.native_handle(), SCHED_RR, &param);
}

}  // namespace plat
