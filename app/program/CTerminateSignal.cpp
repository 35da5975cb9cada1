#include "app/program/CTerminateSignal.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT};

// The pipe's write end, read by the handler: a plain descriptor is all it may touch.
std::atomic<int> g_writeEnd{-1};
struct sigaction g_previous[std::size(kSignals)];

void onSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    const int fd = g_writeEnd.load(std::memory_order_relaxed);
    if (fd >= 0)
        [[maybe_unused]] const ssize_t n = ::write(fd, &byte, 1);
    errno = saved;
}

// A loop that never empties within this many turns keeps opening windows; the program is
// closed then all the same.
constexpr int kMaxRounds = 100;

}  // namespace

CTerminateSignal::CTerminateSignal(std::function<void()> close, int mainLoopLevel)
    : m_close(std::move(close)), m_mainLoopLevel(mainLoopLevel)
{
    if (g_writeEnd.load() >= 0 || ::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_writeEnd.store(m_pipe[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { OnSignal(); });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &action, &g_previous[i]);
}

CTerminateSignal::~CTerminateSignal()
{
    if (!m_notifier)
        return;
    for (size_t i = 0; i < std::size(kSignals); ++i)
        ::sigaction(kSignals[i], &g_previous[i], nullptr);
    g_writeEnd.store(-1);
    m_notifier.reset();
    ::close(m_pipe[0]);
    ::close(m_pipe[1]);
}

void CTerminateSignal::OnSignal()
{
    char bytes[64];
    while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
    }
    // A second request while the first still unwinds changes nothing.
    if (std::exchange(m_pending, true))
        return;
    EndModalLoops();
    // The loops answered return only when this call is back in them.
    QTimer::singleShot(0, this, [this] { CloseWhenUnwound(0); });
}

bool CTerminateSignal::EndModalLoops()
{
    bool any = false;
    while (QWidget* popup = QApplication::activePopupWidget()) {
        any = true;
        if (!popup->close())
            popup->hide();
    }
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (!window->isVisible() || !window->isModal())
            continue;
        any = true;
        // Escape gives the answer that does nothing (a message box's Cancel or No).
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(window, &escape);
        if (!window->isVisible())
            continue;
        if (auto* dialog = qobject_cast<QDialog*>(window))
            dialog->reject();
        else
            window->close();
    }
    return any;
}

void CTerminateSignal::CloseWhenUnwound(int rounds)
{
    // Code that ran on after an answered window may have opened another; a loop whose window
    // was answered may not have returned yet.
    const bool nested = QThread::currentThread()->loopLevel() > m_mainLoopLevel;
    if ((EndModalLoops() || nested) && rounds < kMaxRounds) {
        QTimer::singleShot(0, this, [this, rounds] { CloseWhenUnwound(rounds + 1); });
        return;
    }
    m_pending = false;
    if (m_close)
        m_close();
}
