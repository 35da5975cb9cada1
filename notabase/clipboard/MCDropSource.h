#pragma once

#include "platform/core/DragDrop.h"

// The source of a drag of music. A quick drag begins at once, from a press that already
// counts as a drag; otherwise the usual begin-drag test decides, with this source's delay and
// distance in place of the process-wide ones.
class MCDropSource : public plat::DragSource {
public:
    MCDropSource();

    // OnBeginDrag. A quick drag drops with the left button and is cancelled with the right;
    // begun with the right button down, either button drops and cancels.
    bool onBeginDrag(void* window) override;

    int GetQuickDrag() const { return m_quickDrag; }
    void SetQuickDrag(int quick) { m_quickDrag = quick; }
    int GetDragDelay() const { return m_dragDelay; }
    void SetDragDelay(int delayMs) { m_dragDelay = delayMs; }
    int GetDragMinDist() const { return m_dragMinDist; }
    void SetDragMinDist(int distance) { m_dragMinDist = distance; }

private:
    int m_quickDrag = 0;
    int m_dragDelay;
    int m_dragMinDist;
};
