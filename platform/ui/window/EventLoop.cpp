#include "platform/ui/window/EventLoop.h"

#include "platform/core/MessageLoop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

namespace plat::ui {

EventLoop::QueueDelivery::QueueDelivery()
{
    MessageLoop& queue = MessageLoop::current();
    m_notifier = std::make_unique<QSocketNotifier>(queue.wakeFd(), QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [&queue] { queue.pump(); });
    QTimer::singleShot(0, m_notifier.get(), [&queue] { queue.pump(); });
}

EventLoop::QueueDelivery::~QueueDelivery() = default;

int EventLoop::run()
{
    const QueueDelivery delivery;
    return QCoreApplication::exec();
}

void EventLoop::postQuit(int exitCode)
{
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [exitCode] { QCoreApplication::exit(exitCode); }, Qt::QueuedConnection);
}

}  // namespace plat::ui
