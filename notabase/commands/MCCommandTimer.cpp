#include "notabase/commands/MCCommandTimer.h"

#include "notabase/commands/CCBase.h"
#include "notabase/commands/MCCommandMgr.h"

MCCommandTimer::MCCommandTimer(MCCommandMgr* manager, unsigned int rate)
    : m_manager(manager), m_rate(rate), m_queue(10)
{
    m_window = std::make_unique<plat::MessageWindow>(
        "MCCommandTimer", [this](plat::MessageId id, uintptr_t wParam, intptr_t) -> intptr_t {
            if (id == plat::kTimerMessage)
                OnTimer(wParam);
            return 0;
        });
}

MCCommandTimer::~MCCommandTimer()
{
    StopTimer();
    SendCommands();
    m_window.reset();
    m_queue.RemoveAll();
}

void MCCommandTimer::AddCommand(CCBase* command)
{
    if (!command)
        return;
    m_queue.AddTail(command);
    ++m_applications;
    StartTimer();
}

void MCCommandTimer::AddCommands(MCCommandList* commands)
{
    if (!commands || commands->IsEmpty())
        return;
    for (CCBase* command : *commands)
        m_queue.AddTail(command);
    ++m_applications;
    StartTimer();
}

void MCCommandTimer::SendCommands()
{
    if (m_queue.IsEmpty())
        return;
    // The run may release the last reference on the performance, and with it the manager
    // and this timer: hand the batch over first and touch nothing of this object after.
    MCCommandList batch(10);
    while (!m_queue.IsEmpty()) {
        CCBase* command = m_queue.GetHead();
        batch.AddTail(command);
        m_queue.RemoveHead();
    }
    const int applications = m_applications;
    m_applications = 0;
    m_manager->OnCommand(batch, applications);
}

plat::WindowRef MCCommandTimer::GetWindow() const
{
    return m_window ? m_window->ref() : plat::WindowRef();
}

void MCCommandTimer::StartTimer()
{
    if (m_timerId != 0 || !m_window)
        return;
    if (m_window->setTimer(kTimerId, m_rate))
        m_timerId = kTimerId;
    else
        SendCommands();
}

void MCCommandTimer::StopTimer()
{
    if (m_timerId == 0)
        return;
    if (m_window)
        m_window->killTimer(m_timerId);
    m_timerId = 0;
}

void MCCommandTimer::OnTimer(uintptr_t id)
{
    if (m_timerId == 0 || id != m_timerId)
        return;
    StopTimer();
    SendCommands();
}
