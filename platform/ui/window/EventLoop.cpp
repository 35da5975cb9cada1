#include "platform/ui/window/EventLoop.h"

#include "platform/core/MessageLoop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace plat::ui {

int EventLoop::run()
{
    MessageLoop& queue = MessageLoop::current();
    QSocketNotifier notifier(queue.wakeFd(), QSocketNotifier::Read);
    auto pump = [&queue] { queue.pump(); };
    QObject::connect(&notifier, &QSocketNotifier::activated, &notifier, pump);
    // What was queued before the loop started is delivered at once.
    QTimer::singleShot(0, &notifier, pump);
    return QCoreApplication::exec();
}

void EventLoop::postQuit(int exitCode)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

}  // namespace plat::ui
