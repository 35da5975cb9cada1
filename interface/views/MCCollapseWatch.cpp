#include "interface/views/MCCollapseWatch.h"

#include "platform/ui/timer/UiTimers.h"

#include <QCursor>
#include <QWidget>

#include <utility>

MCCollapseWatch::CursorSource& MCCollapseWatch::cursorSource()
{
    static CursorSource source;
    return source;
}

MCCollapseWatch::CursorSource MCCollapseWatch::SetCursorSource(CursorSource source)
{
    return std::exchange(cursorSource(), std::move(source));
}

MCCollapseWatch::MCCollapseWatch(QWidget& window, std::function<void()> collapse)
    : m_window(window), m_collapse(std::move(collapse))
{
}

MCCollapseWatch::~MCCollapseWatch()
{
    Stop();
}

void MCCollapseWatch::Start()
{
    if (!m_timer)
        m_timer = plat::ui::UiTimers::set(kDelayMs, [this] { OnTimer(); });
}

void MCCollapseWatch::Stop()
{
    if (m_timer)
        plat::ui::UiTimers::kill(m_timer);
    m_timer = 0;
    m_outside = false;
}

bool MCCollapseWatch::OutsideLongEnough() const
{
    return m_outside && plat::ui::UiTimers::tickCount() - m_outsideSince >= kDelayMs;
}

void MCCollapseWatch::OnTimer()
{
    const QPoint cursor = cursorSource() ? cursorSource()() : QCursor::pos();
    if (m_window.frameGeometry().contains(cursor)) {
        m_outside = false;
        return;
    }
    if (!m_outside) {
        m_outside = true;
        m_outsideSince = plat::ui::UiTimers::tickCount();
    }
    m_collapse();
}
