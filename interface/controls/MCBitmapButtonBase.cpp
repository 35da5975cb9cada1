#include "interface/controls/MCBitmapButtonBase.h"

#include "platform/ui/dialog/ControlNotice.h"

#include <QKeyEvent>
#include <QMouseEvent>

int MCBitmapButtonBase::NextState(int style, int state, int count)
{
    if (style < 0)
        return 0;
    switch (style) {
    case Push:
    case Toggle:
    case Indicator: return state == 0 ? 1 : 0;
    case Cycle: return state + 1 <= count - 1 ? state + 1 : 0;
    default: return 0;
    }
}

MCBitmapButtonBase::MCBitmapButtonBase(int initialMode, QWidget* parent) : QAbstractButton(parent), m_mode(initialMode)
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_Hover);
    // The ordinary click command: the control's id with code 0.
    connect(this, &QAbstractButton::clicked, this, [this] { plat::ui::notifyParent(this, 0); });
}

int MCBitmapButtonBase::SetButtonState(int state)
{
    const int previous = m_state;
    if (state == m_state)
        return previous;
    m_state = state >= 0 && state < GetStateCount() ? state : 0;
    if (m_state != previous)
        update();
    return previous;
}

int MCBitmapButtonBase::SetDisabledState(int state)
{
    return std::exchange(m_disabledState, state);
}

int MCBitmapButtonBase::SetButtonMode(int mode)
{
    return std::exchange(m_mode, mode);
}

int MCBitmapButtonBase::SetButtonStyle(int style)
{
    return std::exchange(m_style, style);
}

int MCBitmapButtonBase::GetButtonStateNext(int state) const
{
    return NextState(m_style, state == -1 ? m_state : state, GetStateCount());
}

int MCBitmapButtonBase::CurrentShownState() const
{
    if (!isEnabled())
        return m_disabledState;
    return isDown() ? m_nextState : m_state;
}

void MCBitmapButtonBase::mousePressEvent(QMouseEvent* event)
{
    if (m_style == Indicator || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (!hasFocus())
        setFocus(Qt::MouseFocusReason);
    m_nextState = GetButtonStateNext(m_state);
    if (m_mode & NotifyOnPress) {
        if (m_style == Push)
            setDown(true);
        plat::ui::notifyParent(this, 0);
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void MCBitmapButtonBase::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_style == Indicator || event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_mode & NotifyOnPress) {
        if (m_style == Push)
            setDown(false);
        event->accept();
        return;
    }
    // What was on the screen when the button went up: the next state over the button, the
    // old one when the pointer had left it.
    m_shownState = CurrentShownState();
    if (m_style == Toggle || m_style == Cycle)
        m_state = m_shownState;
    QAbstractButton::mouseReleaseEvent(event);
}

void MCBitmapButtonBase::keyPressEvent(QKeyEvent* event)
{
    if (m_style == Indicator) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        m_nextState = GetButtonStateNext(m_state);
        if (m_mode & NotifyOnPress) {
            plat::ui::notifyParent(this, 0);
            event->accept();
            return;
        }
    }
    QAbstractButton::keyPressEvent(event);
}

void MCBitmapButtonBase::keyReleaseEvent(QKeyEvent* event)
{
    if (m_style == Indicator) {
        event->ignore();
        return;
    }
    if (event->key() == Qt::Key_Space && !event->isAutoRepeat()) {
        const bool withNotify = (m_mode & NotifyOnPress) != 0;
        if (withNotify == CommitSpaceWithNotifyOnPress() && (m_style == Toggle || m_style == Cycle)) {
            m_shownState = CurrentShownState();
            m_state = m_shownState;
            update();
        }
        if (withNotify && !CommitSpaceWithNotifyOnPress()) {
            event->accept();
            return;
        }
    }
    QAbstractButton::keyReleaseEvent(event);
}

void MCBitmapButtonBase::setHot(bool hot)
{
    if (hot == m_hot)
        return;
    m_hot = hot;
    update();
}

void MCBitmapButtonBase::enterEvent(QEnterEvent* event)
{
    if ((m_mode & HotTrack) && (isEnabled() || HoverWhileDisabled()))
        setHot(true);
    QAbstractButton::enterEvent(event);
}

void MCBitmapButtonBase::leaveEvent(QEvent* event)
{
    setHot(false);
    QAbstractButton::leaveEvent(event);
}

void MCBitmapButtonBase::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled() && !HoverWhileDisabled())
            m_hot = false;
        update();
    }
    QAbstractButton::changeEvent(event);
}

bool MCBitmapButtonBase::event(QEvent* event)
{
    // Qt holds back the pointer's comings and goings from a disabled widget; a button that
    // tracks hover while disabled still hears them.
    if (!isEnabled() && HoverWhileDisabled() && (m_mode & HotTrack)) {
        if (event->type() == QEvent::HoverEnter)
            setHot(true);
        else if (event->type() == QEvent::HoverLeave)
            setHot(false);
    }
    return QAbstractButton::event(event);
}
