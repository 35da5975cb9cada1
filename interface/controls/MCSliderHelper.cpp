#include "interface/controls/MCSliderHelper.h"

#include "interface/core/InterfaceImages.h"
#include "interface/core/MCImageMgr.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

int scaleOf(const QWidget& widget)
{
    return std::max(1, int(std::ceil(widget.devicePixelRatioF())));
}

}  // namespace

void MCSliderHelper::TellStepsToParent(QAbstractSlider& slider, int moving, int released,
                                       std::function<void()> refresh)
{
    QAbstractSlider* const control = &slider;
    QObject::connect(control, &QAbstractSlider::actionTriggered, control,
                     [control, moving, released, refresh = std::move(refresh)](int action) {
                         // A drag tells the parent itself; a wheel's move (not held down) is told here.
                         if (action == QAbstractSlider::SliderMove && control->isSliderDown())
                             return;
                         QMetaObject::invokeMethod(
                             control,
                             [control, moving, released, refresh] {
                                 refresh();
                                 plat::ui::notifyParent(control, moving);
                                 plat::ui::notifyParent(control, released);
                             },
                             Qt::QueuedConnection);
                     });
}

bool MCSliderHelper::Create(QWidget& control, QWidget* parent, int id)
{
    if (!parent)
        return false;
    control.setParent(parent);
    plat::ui::setItemId(&control, id);
    return true;
}

void MCSliderHelper::AddDefaultImage(const QWidget& control, uint32_t id)
{
    MCImageMgr::GetImageMgr().AddImage(id, InterfaceImages::kFaceKey, InterfaceImages::kHighlightKey,
                                       InterfaceImages::kShadowKey, scaleOf(control));
}

MCBitmap* MCSliderHelper::Image(const QWidget& control, uint32_t id)
{
    const MCImageMgr& manager = MCImageMgr::GetImageMgr();
    if (MCBitmap* sharp = manager.GetImage(id, scaleOf(control)))
        return sharp;
    return manager.GetImage(id);
}

void MCSliderHelper::EndDrag(QAbstractSlider& slider, QMouseEvent& event, bool& dragging, int released)
{
    if (event.button() != Qt::LeftButton || !dragging) {
        event.ignore();
        return;
    }
    dragging = false;
    slider.setSliderDown(false);
    plat::ui::notifyParent(&slider, released);
}

void MCSliderHelper::DrawFocus(QPainter& painter, const QWidget& control)
{
    if (!control.hasFocus())
        return;
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(control.palette().color(QPalette::Active, QPalette::Highlight), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(control.rect().adjusted(0, 0, -1, -1));
}
