#include "interface/core/MCDrawing.h"

#include "interface/core/MCGdiObj.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/draw/Pen.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QRegion>

namespace {

MCDrawItemFunc s_drawItemFunc = nullptr;

plat::ui::ColorRef buttonColor(QPalette::ColorRole role)
{
    return plat::ui::fromQColor(QApplication::palette().color(QPalette::Active, role));
}

// Left edge up and top edge along from the bottom-left corner, then the right edge down and
// the bottom edge back, in two colours.
void drawFrame(plat::ui::DrawContext& dc, const QRect& rect, int width, plat::ui::ColorRef topLeft,
               plat::ui::ColorRef bottomRight)
{
    QPainter& painter = dc.painter();
    painter.save();
    const QRect r = rect.normalized();
    const int left = r.left(), top = r.top(), right = r.left() + r.width() - 1, bottom = r.top() + r.height() - 1;
    MCGdiObj& cache = MCGdiObj::GetGdiObj();
    cache.SelectPen(dc, 0, width, topLeft);
    dc.moveTo(left, bottom);
    dc.lineTo(left, top);
    dc.lineTo(right, top);
    cache.DeselectPen(dc);
    cache.SelectPen(dc, 0, width, bottomRight);
    dc.lineTo(right, bottom);
    dc.lineTo(left, bottom);
    cache.DeselectPen(dc);
    painter.restore();
}

}  // namespace

void MCDrawFocusRect(plat::ui::DrawContext& dc, QRect rect)
{
    rect = rect.normalized();
    if (rect.isEmpty())
        return;
    const QRegion outer(rect);
    const QRect shrunk = rect.adjusted(1, 1, -1, -1);
    const QRegion frame = shrunk.isEmpty() ? outer : outer.xored(QRegion(shrunk));
    dc.patternInvert(frame);
}

void MCDrawRaisedRect(plat::ui::DrawContext& dc, const QRect& rect)
{
    drawFrame(dc, rect, 2, buttonColor(QPalette::Light), buttonColor(QPalette::Dark));
}

void MCDrawLoweredRect(plat::ui::DrawContext& dc, const QRect& rect)
{
    drawFrame(dc, rect, 1, buttonColor(QPalette::Dark), buttonColor(QPalette::Light));
}

int CombineRect(const QRect& a, const QRect& b, QRect& out, int mode)
{
    const QRegion first(a.normalized()), second(b.normalized());
    QRegion result;
    switch (mode) {
    case RGN_AND: result = first.intersected(second); break;
    case RGN_OR: result = first.united(second); break;
    case RGN_XOR: result = first.xored(second); break;
    case RGN_DIFF: result = first.subtracted(second); break;
    case RGN_COPY: result = first; break;
    default: out = QRect(); return 0;
    }
    out = result.boundingRect();
    return result.isEmpty() ? 0 : 1;
}

MCDrawItemFunc GetDrawItemFunc()
{
    return s_drawItemFunc;
}

void SetDrawItemFunc(MCDrawItemFunc function)
{
    s_drawItemFunc = function;
}
