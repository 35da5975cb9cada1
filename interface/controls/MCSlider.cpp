#include "interface/controls/MCSlider.h"

#include "interface/controls/MCSliderHelper.h"
#include "interface/core/InterfaceModule.h"
#include "interface/core/MCBitmap.h"

#include "platform/core/Resources.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/draw/DrawContext.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kSteps = 1000;

}  // namespace

MCSlider::MCSlider(QWidget* parent) : QAbstractSlider(parent)
{
    setRange(0, kSteps);
    setSingleStep(kSteps / 100);
    setPageStep(kSteps / 10);
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Slider");
    MCSliderHelper::TellStepsToParent(*this, kMoving, kReleased, [this] { SetValue(double(value()) / kSteps); });
}

bool MCSlider::Create(QWidget* parent, int id)
{
    return MCSliderHelper::Create(*this, parent, id);
}

bool MCSlider::SubclassSlider(int id, QWidget* parent, int mode)
{
    if (!plat::ui::attachToItem(parent, id, this))
        return false;
    m_mode = mode;
    return true;
}

MCBitmap* MCSlider::track() const
{
    return MCSliderHelper::Image(*this, m_trackId);
}

MCBitmap* MCSlider::thumb() const
{
    return MCSliderHelper::Image(*this, m_thumbId);
}

bool MCSlider::SetImageInfo(uint32_t trackId, uint32_t thumbId, const QRect& trackRect, const QPoint& hotSpot)
{
    m_trackId = trackId;
    m_thumbId = thumbId;
    m_track = trackRect;
    m_hotSpot = hotSpot;
    m_imagesSet = true;
    update();
    return true;
}

void MCSlider::ensureImages()
{
    if (m_imagesSet)
        return;
    const plat::Resources::ModuleSwitch own(InterfaceModule::kName);
    for (const uint32_t id : {kDefaultTrack, kDefaultThumb})
        MCSliderHelper::AddDefaultImage(*this, id);
    // The travel from (4, 0) to (20, 63), the thumb's hot spot at (7, 7).
    SetImageInfo(kDefaultTrack, kDefaultThumb, QRect(4, 0, 16, 63), QPoint(7, 7));
    if (track() && thumb())
        SizeToContent();
}

void MCSlider::SizeToContent()
{
    if (const MCBitmap* image = track())
        resize(image->GetLogicalSize());
}

QSize MCSlider::sizeHint() const
{
    return QSize(24, 63);
}

QPoint MCSlider::Value2XY(double v, bool raw) const
{
    const MCBitmap* image = thumb();
    if (!image)
        return QPoint();
    const QSize size = image->GetLogicalSize();
    QPoint at;
    if (m_mode == vertical)
        at = QPoint(m_track.left(), m_track.top() + int((m_track.height() - size.height()) * v + 0.5));
    else
        at = QPoint(m_track.left() + int((m_track.width() - size.width()) * v + 0.5), m_track.top());
    return raw ? at : at + m_hotSpot;
}

double MCSlider::XY2Value(const QPoint& point) const
{
    const MCBitmap* image = thumb();
    if (!image)
        return 0;
    const QSize size = image->GetLogicalSize();
    double v = 0;
    if (m_mode == vertical) {
        const int top = m_track.top() + m_hotSpot.y();
        const int bottom = m_track.top() + m_track.height() - (size.height() - m_hotSpot.y());
        // A thumb that fills the travel leaves nowhere to move.
        if (bottom == top)
            return 0;
        v = double(point.y() - top) / double(bottom - top);
    } else {
        const int left = m_track.left() + m_hotSpot.x();
        const int right = m_track.left() + m_track.width() - (size.width() - m_hotSpot.x());
        if (right == left)
            return 0;
        v = double(point.x() - left) / double(right - left);
    }
    return std::clamp(v, 0.0, 1.0);
}

QRect MCSlider::ThumbRect() const
{
    const MCBitmap* image = thumb();
    return image ? QRect(m_thumbPosition, image->GetLogicalSize()) : QRect();
}

void MCSlider::SetValue(double v)
{
    place(v, false);
}

void MCSlider::place(double v, bool byUser)
{
    if (!thumb()) {
        // Kept for the first paint, which places the thumb from it.
        m_value = std::clamp(v, 0.0, 1.0);
        return;
    }
    const QRect before = ThumbRect();
    m_value = std::clamp(v, 0.0, 1.0);
    m_thumbPosition = Value2XY(m_value, true);
    const QRect after = ThumbRect();
    const QRegion left = QRegion(before).subtracted(QRegion(after));
    m_invalid = left.rectCount() == 1 ? left.boundingRect().adjusted(-1, -1, 1, 1) : QRect();
    const int position = int(std::lround(m_value * kSteps));
    if (byUser) {
        // A drag is told to the signals as moves of the held slider.
        if (isSliderDown())
            setSliderPosition(position);
        else
            setValue(position);
    } else {
        const QSignalBlocker quiet(this);
        setValue(position);
    }
    update(before);
    update(after);
}

void MCSlider::paintEvent(QPaintEvent* event)
{
    if (event->region().isEmpty())
        return;
    ensureImages();
    MCBitmap* trackImage = track();
    MCBitmap* thumbImage = thumb();
    if (!trackImage || !thumbImage)
        return;
    if (!m_painted) {
        m_invalid = QRect();
        m_thumbPosition = Value2XY(m_value, true);
    }
    QPainter painter(this);
    plat::ui::DrawContext dc(painter);
    const QSize trackSize = trackImage->GetLogicalSize();
    trackImage->Draw(&dc, QRect(QPoint(0, 0), trackSize), QRect(QPoint(0, 0), trackSize));
    const QSize thumbSize = thumbImage->GetLogicalSize();
    thumbImage->Draw(&dc, QRect(m_thumbPosition, thumbSize), QRect(QPoint(0, 0), thumbSize));
    MCSliderHelper::DrawFocus(painter, *this);
    m_painted = true;
}

void MCSlider::follow(const QPoint& at)
{
    place(XY2Value(at), true);
    repaint();
    plat::ui::notifyParent(this, kMoving);
}

void MCSlider::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    ensureImages();
    setFocus(Qt::MouseFocusReason);
    m_dragging = true;
    setSliderDown(true);
    follow(event->position().toPoint());
}

void MCSlider::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging)
        follow(event->position().toPoint());
}

void MCSlider::mouseReleaseEvent(QMouseEvent* event)
{
    MCSliderHelper::EndDrag(*this, *event, m_dragging, kReleased);
}
