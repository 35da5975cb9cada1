#pragma once

#include "interface/InterfaceExport.h"

#include "interface/core/SECMarquee.h"

#include <QRect>

class MCBitmap;

// The marquee whose text scrolls over a part of a bitmap (the splash window's strip) and
// moves a chosen number of pixels a tick.
class INTERFACE_API MCMarquee : public SECMarquee {
public:
    explicit MCMarquee(QWidget* parent = nullptr);

    // The caller keeps bitmap alive; source is the part drawn behind the text (logical).
    void SetBackground(MCBitmap* bitmap, const QRect& source);
    int GetScrollDelta() const { return m_scrollDelta; }
    void SetScrollDelta(int delta) { m_scrollDelta = delta; }

    int OnScrollMarquee() override;

protected:
    void DoPaint(QPainter& painter) override;

private:
    MCBitmap* m_background = nullptr;
    QRect m_source;
    int m_scrollDelta = 1;
};
