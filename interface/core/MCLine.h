#pragma once

#include "interface/InterfaceExport.h"

#include <QPoint>
#include <QSize>

#include <cstdlib>

// Two points: a line from Top to Bottom.
class INTERFACE_API MCLine {
public:
    MCLine() = default;
    MCLine(const QPoint& top, const QPoint& bottom) : m_top(top), m_bottom(bottom) {}
    MCLine(const QPoint& topLeft, const QSize& size)
        : m_top(topLeft), m_bottom(topLeft.x() + size.width(), topLeft.y() + size.height())
    {
    }
    MCLine(int x1, int y1, int x2, int y2) : m_top(x1, y1), m_bottom(x2, y2) {}

    void Reset() { m_top = m_bottom = QPoint(); }

    bool operator==(const MCLine& other) const { return m_top == other.m_top && m_bottom == other.m_bottom; }
    bool operator!=(const MCLine& other) const { return !(*this == other); }

    // 1 when both points are the same (a line of no length), 0 otherwise.
    int IsEmpty() const { return m_top == m_bottom ? 1 : 0; }

    QPoint& Top() { return m_top; }
    QPoint& Bottom() { return m_bottom; }
    const QPoint& Top() const { return m_top; }
    const QPoint& Bottom() const { return m_bottom; }

    int Width() const { return std::abs(m_bottom.x() - m_top.x()); }
    int Height() const { return std::abs(m_bottom.y() - m_top.y()); }

private:
    QPoint m_top;
    QPoint m_bottom;
};
