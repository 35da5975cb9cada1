#pragma once

#include "interface/InterfaceExport.h"

#include <QObject>
#include <QPoint>
#include <QSize>

#include <cstdint>

class MCScrollView;

// Makes a scroll view a drop target for music data that scrolls the view while something is
// dragged over its edges: within 20 pixels of an edge (or beyond it) the view scrolls by how
// far the pointer lies in that margin, faster the farther out, after a first pause of 100 ms.
// It takes drags that carry music ("Tarnwick Music Data", the format name as the MIME type);
// what a drop does is the view's.
class INTERFACE_API MCOleDropTarget : public QObject {
public:
    // Drop effects.
    static constexpr uint32_t kEffectNone = 0, kEffectCopy = 1, kEffectMove = 2, kEffectLink = 4,
                              kEffectScroll = 0x80000000u;
    // Scroll codes: low byte horizontal, high byte vertical; each line-up 0, line-down 1 or
    // none 0xFF.
    static constexpr uint16_t kNoScroll = 0xFFFF;
    static constexpr int kInset = 20;
    static constexpr uint32_t kFirstDelayMs = 100;
    // While the pointer rests in a margin the check repeats at this interval, as a drag
    // that does not move still scrolls.
    static constexpr uint32_t kRepeatMs = 50;

    // A distance into the margin, sped up past 20 pixels: sign × ((|d| − 20)³ + 20).
    static int Accelerate(int d);

    // Registers for view's drags; the target belongs to the view.
    explicit MCOleDropTarget(MCScrollView* view);
    ~MCOleDropTarget() override;

    // One look at the drag at point (view coordinates): scrolls when it is time to and answers
    // the effect, the scroll effect with the copy, move or link the keys ask for.
    uint32_t OnDragScroll(Qt::KeyboardModifiers keys, QPoint point);
    uint16_t ScrollCode() const { return m_scrollCode; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void stopRepeat();
    MCScrollView* m_view;
    uint16_t m_scrollCode = kNoScroll;
    uint32_t m_lastTick = 0;
    uint32_t m_delay = 0;
    uint32_t m_repeat = 0;
    QPoint m_lastPoint;
    Qt::KeyboardModifiers m_lastKeys;
};
