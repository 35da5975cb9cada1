#include "platform/ui/dialog/TitleRoom.h"

#include <QEvent>
#include <QFontMetrics>
#include <QScreen>
#include <QWidget>

namespace plat::ui {

namespace {

constexpr const char* kName = "plat_title_room";
// The frame's icon and its close, minimise and maximise buttons with their gaps, and a margin,
// in heights of the title's font.
constexpr int kFrameButtons = 8;

}  // namespace

TitleRoom::TitleRoom(QWidget& window) : QObject(&window), m_window(window)
{
    setObjectName(QLatin1String(kName));
    window.installEventFilter(this);
    if (window.isVisible())
        widen();
}

void TitleRoom::keep(QWidget& window)
{
    if (!window.findChild<QObject*>(QLatin1String(kName), Qt::FindDirectChildrenOnly))
        new TitleRoom(window);
}

int TitleRoom::width(const QWidget& window)
{
    const QString title = window.windowTitle().remove(QStringLiteral("[*]"));
    if (title.isEmpty())
        return 0;
    QFont font = window.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(title) + kFrameButtons * metrics.height();
}

bool TitleRoom::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Show:
            widen();
            break;
        case QEvent::WindowTitleChange:
        case QEvent::FontChange:
            if (m_window.isVisible() || !m_window.isWindow())
                widen();
            break;
        default:
            break;
        }
    }
    return false;
}

void TitleRoom::widen()
{
    const int needed = width(m_window);
    if (const QWidget* parent = m_window.isWindow() ? nullptr : m_window.parentWidget()) {
        // A document window is arranged by its MDI area (cascaded at its minimum size): it keeps
        // the title's width as its least, within the area.
        m_window.setMinimumWidth(qMin(needed, parent->width()));
        return;
    }
    int room = m_window.maximumWidth();
    if (const QScreen* screen = m_window.screen())
        room = qMin(room, screen->availableGeometry().width());
    if (m_window.width() < qMin(needed, room))
        m_window.resize(qMin(needed, room), m_window.height());
}

}  // namespace plat::ui
