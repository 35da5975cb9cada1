#include "interface/core/MCGdiObj.h"

#include "platform/ui/draw/DrawContext.h"

#include <QPainter>

MCGdiObj& MCGdiObj::GetGdiObj()
{
    static MCGdiObj instance;
    return instance;
}

MCGdiObj::~MCGdiObj() = default;

const plat::ui::Pen& MCGdiObj::GetPen(unsigned style, int width, plat::ui::ColorRef color)
{
    for (const PenEntry& entry : m_pens) {
        if (entry.color == color && entry.style == style && entry.width == width)
            return *entry.pen;
    }
    m_pens.push_back({style, width, color, std::make_unique<plat::ui::Pen>(plat::ui::Pen::styled(int(style), color, width))});
    return *m_pens.back().pen;
}

const plat::ui::Brush& MCGdiObj::GetSolidBrush(plat::ui::ColorRef color)
{
    for (const BrushEntry& entry : m_brushes) {
        if (entry.color == color)
            return *entry.brush;
    }
    m_brushes.push_back({color, std::make_unique<plat::ui::Brush>(plat::ui::Brush::solid(color))});
    return *m_brushes.back().brush;
}

QPen MCGdiObj::SelectPen(plat::ui::DrawContext& dc, unsigned style, int width, plat::ui::ColorRef color)
{
    if (m_optimize && m_previousPen)
        return *m_previousPen;
    QPainter& painter = dc.painter();
    const QPen previous = painter.pen();
    painter.setPen(GetPen(style, width, color).qpen());
    m_previousPen = previous;
    return previous;
}

void MCGdiObj::DeselectPen(plat::ui::DrawContext& dc)
{
    if (m_optimize || !m_previousPen)
        return;
    dc.painter().setPen(*m_previousPen);
    m_previousPen.reset();
}

QBrush MCGdiObj::SelectSolidBrush(plat::ui::DrawContext& dc, plat::ui::ColorRef color)
{
    if (m_optimize && m_previousBrush)
        return *m_previousBrush;
    QPainter& painter = dc.painter();
    const QBrush previous = painter.brush();
    painter.setBrush(GetSolidBrush(color).qbrush());
    m_previousBrush = previous;
    return previous;
}

void MCGdiObj::DeselectBrush(plat::ui::DrawContext& dc)
{
    if (m_optimize || !m_previousBrush)
        return;
    dc.painter().setBrush(*m_previousBrush);
    m_previousBrush.reset();
}

void MCGdiObj::SetOptimize(plat::ui::DrawContext& dc, int on)
{
    const bool wasOn = m_optimize;
    m_optimize = on != 0;
    if (wasOn && !m_optimize) {
        DeselectPen(dc);
        DeselectBrush(dc);
    }
}
