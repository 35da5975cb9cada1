#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/MCCommandList.h"
#include "platform/core/MessageWindow.h"

#include <cstdint>
#include <memory>

class CCBase;
class MCCommandMgr;

// Batches the asynchronous commands of one manager: the first arrival after a quiet time
// starts a one-shot window timer of `rate` milliseconds, later arrivals join the queue
// without pushing the deadline back, and when it fires the whole queue runs as one run. The
// timer's window belongs to the thread that made it (the main thread).
class NOTABASE_API MCCommandTimer {
public:
    static constexpr uintptr_t kTimerId = 123;

    MCCommandTimer(MCCommandMgr* manager, unsigned int rate);
    // Runs the commands still waiting.
    ~MCCommandTimer();
    MCCommandTimer(const MCCommandTimer&) = delete;
    MCCommandTimer& operator=(const MCCommandTimer&) = delete;

    // Each call is one application: the run releases one performance reference for it.
    void AddCommand(CCBase* command);
    void AddCommands(MCCommandList* commands);
    // Runs the queue now as one run, when it is not empty.
    void SendCommands();
    // The interval for the next start; a running timer keeps its own.
    void SetNotificationRate(unsigned int rate) { m_rate = rate; }

    int GetQueueCount() const { return m_queue.GetCount(); }
    bool IsTimerRunning() const { return m_timerId != 0; }
    // The timer's window: its timer message arrives there.
    plat::WindowRef GetWindow() const;

protected:
    void StartTimer();
    void StopTimer();
    void OnTimer(uintptr_t id);

private:
    MCCommandMgr* m_manager;
    uintptr_t m_timerId = 0;
    unsigned int m_rate;
    MCCommandList m_queue;
    int m_applications = 0;
    std::unique_ptr<plat::MessageWindow> m_window;
};
