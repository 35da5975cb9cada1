#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/Message.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace plat {

class MessageLoop;

// A thread that runs a message loop. init runs on the new thread before its loop starts
// (to make the thread's hidden windows); start() returns once init has finished. done runs
// on the thread after its loop ends (to destroy them).
class PLATCORE_API Thread {
public:
    explicit Thread(std::string name);
    // Quits the loop and joins.
    ~Thread();
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    bool start(std::function<void()> init = {}, std::function<void()> done = {});
    // The thread's loop; valid from start() for the life of this object. Once the loop has
    // ended it takes nothing more: posts fail and sends to the thread's windows return 0.
    MessageLoop* loop() const;

    void quit(int exitCode = 0);
    // Waits up to timeoutMs for the thread to end, serving what is sent to the caller's
    // windows meanwhile; returns whether it ended. A thread that did not end stays joinable.
    bool join(uint32_t timeoutMs = kInfinite);
    bool isRunning() const;
    int exitCode() const;
    std::thread::id id() const;
    const std::string& name() const { return m_name; }

    // Best effort: raises the thread's scheduling priority; failure is ignored.
    void raisePriority();

private:
    struct Shared;
    std::string m_name;
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

}  // namespace plat
