#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QPen>

namespace plat::ui {

enum class StockPen { white, black, null };

// What lines are drawn with: a solid colour of a width in pixels, or nothing.
class PLATUI_API Pen {
public:
    static Pen solid(ColorRef color, int width = 1);
    // A pen of a classic style number: 0 solid, 1 dashes, 2 dots, 3 dash-dot, 4 dash-dot-dot,
    // 5 none; other numbers are solid.
    static Pen styled(int style, ColorRef color, int width = 1);
    static Pen null();
    static const Pen& stock(StockPen which);

    bool isNull() const { return m_pen.style() == Qt::NoPen; }
    const QPen& qpen() const { return m_pen; }
    ColorRef color() const { return fromQColor(m_pen.color()); }
    int width() const { return m_pen.width(); }

private:
    explicit Pen(QPen pen) : m_pen(std::move(pen)) {}
    QPen m_pen;
};

}  // namespace plat::ui
