#include "interface/controls/MCDial.h"

#include "interface/controls/MCSliderHelper.h"
#include "interface/core/InterfaceModule.h"
#include "interface/core/MCBitmap.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

MCDial::MCDial(QWidget* parent) : QAbstractSlider(parent)
{
    setRange(kMinAngle, kMaxAngle);
    setSingleStep(3);
    setPageStep(30);
    QAbstractSlider::setValue(kMinAngle);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Dial");
    MCSliderHelper::TellStepsToParent(*this, kTurning, kReleased, [this] { update(); });
}

bool MCDial::Create(QWidget* parent, int id)
{
    return MCSliderHelper::Create(*this, parent, id);
}

bool MCDial::SubclassDial(int id, QWidget* parent, int mode)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    m_mode = mode;
    return true;
}

double MCDial::GetValue() const
{
    const double f = double(GetAngle() - kMinAngle) / 300.0;
    switch (m_mode) {
    case 0: return f;
    case 1: return 2 * f - 1;
    default: return 0;
    }
}

void MCDial::SetValue(double v)
{
    double f = 0;
    if (m_mode == 0)
        f = std::clamp(v, 0.0, 1.0);
    else if (m_mode == 1)
        f = (std::clamp(v, -1.0, 1.0) + 1) / 2;
    SetAngle(kMinAngle + int(f * 300));
}

void MCDial::SetAngle(int angle)
{
    const QSignalBlocker quiet(this);
    QAbstractSlider::setValue(angle);
    if (isVisible())
        repaint();
}

void MCDial::SetIndicator(int size, plat::ui::ColorRef color)
{
    m_indicatorSize = size;
    m_indicatorColor = color;
    update();
}

void MCDial::SetStickyAngle(int angle, int value)
{
    m_stickyAngle = std::clamp(angle, kMinAngle, kMaxAngle);
    m_stickyValue = value;
}

bool MCDial::SetImageInfo(uint32_t imageId, const QRect& part)
{
    m_imageId = imageId;
    m_part = part;
    if (m_part.isEmpty()) {
        if (const MCBitmap* bitmap = image())
            m_part = QRect(QPoint(0, 0), bitmap->GetLogicalSize());
    }
    m_imageSet = true;
    update();
    return true;
}

MCBitmap* MCDial::image()
{
    return MCSliderHelper::Image(*this, m_imageId);
}

void MCDial::ensureImage()
{
    if (m_imageSet)
        return;
    const plat::Resources::ModuleSwitch own(InterfaceModule::kName);
    MCSliderHelper::AddDefaultImage(*this, kDefaultImage);
    SetImageInfo(kDefaultImage, QRect(3, 3, 34, 34));
    if (image())
        SizeToContent();
}

void MCDial::SizeToContent()
{
    if (const MCBitmap* bitmap = image())
        resize(bitmap->GetLogicalSize());
}

QSize MCDial::sizeHint() const
{
    return QSize(40, 40);
}

QPoint MCDial::Angle2XY(int angle) const
{
    const double w = m_part.width();
    double r = w * 0.5;
    if (m_style == line)
        r = w * 0.5 - 3;
    else if (m_style == dot)
        r = w * 0.5 - (m_indicatorSize + 3);
    const double theta = (270 - angle) / 57.29577951;
    return QPoint(int(std::cos(theta) * r + 0.5), -int(std::sin(theta) * r + 0.5));
}

void MCDial::paintEvent(QPaintEvent* event)
{
    if (event->region().isEmpty())
        return;
    ensureImage();
    MCBitmap* bitmap = image();
    if (!bitmap)
        return;
    QPainter painter(this);
    plat::ui::DrawContext dc(painter);
    bitmap->Draw(&dc, QRect(QPoint(0, 0), bitmap->GetLogicalSize()), QRect(QPoint(0, 0), bitmap->GetLogicalSize()));
    const QPoint pivot((m_part.left() + m_part.left() + m_part.width()) / 2,
                       (m_part.top() + m_part.top() + m_part.height()) / 2);
    const QPoint tip = pivot + Angle2XY(GetAngle());
    const QColor colour = plat::ui::toQColor(m_indicatorColor);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_style == line) {
        painter.setPen(QPen(colour, 1));
        painter.drawLine(pivot, tip);
    } else if (m_style == dot) {
        const int half = m_indicatorSize / 2;
        const int extra = m_indicatorSize % 2 ? half + 1 : half;
        const QRect around = QRect(QPoint(tip.x() - half, tip.y() - half), QPoint(tip.x() + extra, tip.y() + extra))
                                 .adjusted(-1, -1, 1, 1);
        painter.setPen(colour);
        painter.setBrush(colour);
        painter.drawEllipse(around);
        // Shadow above and to the right, light below and to the left: the dot looks sunk.
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QApplication::palette().color(QPalette::Active, QPalette::Dark));
        painter.drawArc(around, 45 * 16, 180 * 16);
        painter.setPen(QApplication::palette().color(QPalette::Active, QPalette::Light));
        painter.drawArc(around, 225 * 16, 180 * 16);
    }
    MCSliderHelper::DrawFocus(painter, *this);
}

void MCDial::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    plat::ui::notifyParent(this, kTurning);
    m_dragging = true;
    // Held down, it reports pressed, moved and released to its signals as a slider does.
    setSliderDown(true);
    m_last = event->position().toPoint();
    event->accept();
}

void MCDial::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    const QPoint at = event->position().toPoint();
    int dx = at.x() - m_last.x();
    int dy = m_last.y() - at.y();
    if (m_constraint == 1 || m_constraint == 3)
        dy = 0;
    if (m_constraint == 2 || m_constraint == 3)
        dx = 0;
    // The user's turn is told to the signals (a value set by the program is not).
    setSliderPosition(std::clamp(sliderPosition() + 2 * (dx + dy), kMinAngle, kMaxAngle));
    repaint();
    m_last = at;
    plat::ui::notifyParent(this, kTurning);
}

void MCDial::mouseReleaseEvent(QMouseEvent* event)
{
    MCSliderHelper::EndDrag(*this, *event, m_dragging, kReleased);
}

void MCDial::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    QAbstractSlider::setValue(m_stickyAngle);
    repaint();
    plat::ui::notifyParent(this, kReleased);
}

void MCDial::focusInEvent(QFocusEvent* event)
{
    QAbstractSlider::focusInEvent(event);
    repaint();
}

void MCDial::focusOutEvent(QFocusEvent* event)
{
    QAbstractSlider::focusOutEvent(event);
    repaint();
}
