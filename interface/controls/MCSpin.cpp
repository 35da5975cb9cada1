#include "interface/controls/MCSpin.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/timer/UiTimers.h"

#include <QMouseEvent>
#include <QStyleOptionSpinBox>
#include <QStylePainter>

#include <algorithm>

namespace {

constexpr int kMin16 = -32768, kMax16 = 32767;

}  // namespace

MCSpin::MCSpin(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

MCSpin::~MCSpin()
{
    stopRepeat();
}

void MCSpin::SetBuddy(QWidget* buddy, plat::ui::NoticeListener* listener)
{
    m_buddy = buddy;
    m_listener = listener;
}

void MCSpin::SetRange(int lower, int upper)
{
    m_lower = std::clamp(lower, kMin16, kMax16);
    m_upper = std::clamp(upper, kMin16, kMax16);
}

void MCSpin::GetRange(int& lower, int& upper) const
{
    lower = m_lower;
    upper = m_upper;
}

void MCSpin::SetPos(int position)
{
    m_position = std::clamp(position, std::min(m_lower, m_upper), std::max(m_lower, m_upper));
}

int MCSpin::StepAfter(uint32_t ms) const
{
    int step = 1;
    for (const Accel& entry : m_accel) {
        if (ms >= uint32_t(entry.seconds) * 1000)
            step = entry.step;
    }
    return step;
}

bool MCSpin::Step(int delta)
{
    int next = m_position + delta;
    if (m_wrap) {
        if (next < m_lower)
            next = m_upper;
        else if (next > m_upper)
            next = m_lower;
    } else if (next < m_lower || next > m_upper) {
        return false;
    }
    m_position = next;
    update();
    if (m_listener)
        m_listener->onNotice(plat::ui::itemId(m_buddy), kNotice, this);
    return true;
}

QSize MCSpin::sizeHint() const
{
    return QSize(std::max(12, fontMetrics().height() * 3 / 4 + 4), fontMetrics().height() + 6);
}

void MCSpin::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionSpinBox option;
    option.initFrom(this);
    option.rect = rect();
    option.subControls = QStyle::SC_SpinBoxUp | QStyle::SC_SpinBoxDown;
    option.frame = false;
    option.buttonSymbols = QAbstractSpinBox::UpDownArrows;
    option.stepEnabled = isEnabled() ? (QAbstractSpinBox::StepUpEnabled | QAbstractSpinBox::StepDownEnabled)
                                     : QAbstractSpinBox::StepNone;
    if (m_heldDirection > 0) {
        option.activeSubControls = QStyle::SC_SpinBoxUp;
        option.state |= QStyle::State_Sunken;
    } else if (m_heldDirection < 0) {
        option.activeSubControls = QStyle::SC_SpinBoxDown;
        option.state |= QStyle::State_Sunken;
    }
    // Only the arrows: the edit beside it is the field.
    const QRect up(0, 0, width(), height() / 2), down(0, height() / 2, width(), height() - height() / 2);
    for (const auto& [area, arrow, held] :
         {std::tuple{up, QStyle::PE_IndicatorSpinUp, m_heldDirection > 0},
          std::tuple{down, QStyle::PE_IndicatorSpinDown, m_heldDirection < 0}}) {
        QStyleOptionButton button;
        button.initFrom(this);
        button.rect = area;
        if (held)
            button.state |= QStyle::State_Sunken;
        painter.drawPrimitive(QStyle::PE_PanelButtonBevel, button);
        QStyleOption glyph = option;
        glyph.rect = area.adjusted(2, 1, -2, -1);
        painter.drawPrimitive(arrow, glyph);
    }
}

void MCSpin::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled()) {
        event->ignore();
        return;
    }
    m_heldDirection = event->position().y() < height() / 2.0 ? 1 : -1;
    m_heldSince = plat::ui::UiTimers::tickCount();
    Step(m_heldDirection);
    startRepeat();
    update();
}

void MCSpin::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        stopRepeat();
        m_heldDirection = 0;
        update();
    }
}

void MCSpin::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        stopRepeat();
        m_heldDirection = 0;
    }
    QWidget::changeEvent(event);
}

void MCSpin::startRepeat()
{
    stopRepeat();
    m_timer = plat::ui::UiTimers::set(kRepeatDelayMs, [this] {
        stopRepeat();
        m_timer = plat::ui::UiTimers::set(kRepeatMs, [this] { repeat(); });
        repeat();
    });
}

void MCSpin::repeat()
{
    if (m_heldDirection == 0)
        return;
    const uint32_t held = plat::ui::UiTimers::tickCount() - m_heldSince;
    Step(m_heldDirection * StepAfter(held));
}

void MCSpin::stopRepeat()
{
    if (m_timer)
        plat::ui::UiTimers::kill(m_timer);
    m_timer = 0;
}
