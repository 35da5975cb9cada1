#include "platform/ui/window/DisplayLoss.h"

#include "platform/core/Trace.h"

#include <QCoreApplication>
#include <QThread>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace plat::ui {

namespace {

std::atomic<DisplayLoss*> s_active{nullptr};
QtMessageHandler s_previous = nullptr;

}  // namespace

DisplayLoss::DisplayLoss(std::function<void()> save) : m_save(std::move(save))
{
    // Registered once per process, the handler acts only while an object lives.
    static const bool registered = [] {
        // Unlike atexit, on_exit hands over the status exit() was given: a failure that ends
        // the program is still reported as one.
        return ::on_exit(
                   [](int status, void*) {
                       if (DisplayLoss* active = s_active.load())
                           active->End(status);
                   },
                   nullptr) == 0;
    }();
    static_cast<void>(registered);
    struct Forward {
        static void message(QtMsgType type, const QMessageLogContext& context, const QString& text)
        {
            if (s_previous)
                s_previous(type, context, text);
            DisplayLoss* active = s_active.load();
            if (active && type != QtDebugMsg && type != QtInfoMsg && IsLossMessage(text))
                active->End(0);
        }
    };
    s_previous = qInstallMessageHandler(&Forward::message);
    s_active.store(this);
}

DisplayLoss::~DisplayLoss()
{
    s_active.store(nullptr);
    qInstallMessageHandler(s_previous);
    s_previous = nullptr;
}

bool DisplayLoss::IsLossMessage(const QString& text)
{
    // What the X11 and Wayland platform plug-ins say before they end the process.
    return text.contains(QLatin1String("X11 connection broke")) || text.contains(QLatin1String("Wayland connection broke"));
}

void DisplayLoss::End(int status)
{
    static std::atomic<bool> ending{false};
    // Reached again from inside the save (a report of its own): the save goes on.
    if (ending.exchange(true))
        return;
    // The documents belong to the main thread; from another one the process only ends.
    QCoreApplication* application = QCoreApplication::instance();
    if (application && QThread::currentThread() == application->thread()) {
        plat::trace("DisplayLoss -- the display is gone: keeping the work");
        if (m_save)
            m_save();
    }
    std::fflush(nullptr);
    ::_exit(status);
}

}  // namespace plat::ui
