#include "interface/controls/MCFeedbackButton.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/timer/UiTimers.h"

#include <QMouseEvent>
#include <QPointer>

MCFeedbackButton::MCFeedbackButton(QWidget* parent) : MCButton(parent)
{
    setMouseTracking(true);
}

MCFeedbackButton::~MCFeedbackButton()
{
    stopTimer();
}

void MCFeedbackButton::stopTimer()
{
    if (m_timer)
        plat::ui::UiTimers::kill(m_timer);
    m_timer = 0;
}

void MCFeedbackButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && m_style != Indicator) {
        m_fast = false;
        stopTimer();
        m_timer = plat::ui::UiTimers::set(kFirstRepeatMs, [this] { tick(); });
        m_down = true;
        m_last = event->position().toPoint();
    }
    MCButton::mousePressEvent(event);
}

void MCFeedbackButton::tick()
{
    if (!m_fast) {
        stopTimer();
        m_timer = plat::ui::UiTimers::set(kRepeatMs, [this] { tick(); });
        m_fast = true;
    }
    // Edges count as inside on all four sides.
    if (m_last.x() >= 0 && m_last.y() >= 0 && m_last.x() <= width() && m_last.y() <= height())
        plat::ui::postNotice(this, 0);
}

void MCFeedbackButton::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        stopTimer();
        m_down = false;
    }
    MCButton::mouseReleaseEvent(event);
}

void MCFeedbackButton::mouseMoveEvent(QMouseEvent* event)
{
    m_last = event->position().toPoint();
    MCButton::mouseMoveEvent(event);
}
