#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/commands/CCCopy.h"

#include <cstdint>

// Offers a list of elements and its side information to a drag, in the clipboard's formats;
// the clipboard itself is left alone. The view applies the command, then runs DoDragDrop.
class NOTABASE_API CCDrag : public CCCopy {
    PLAT_DECLARE_DYNCREATE(CCDrag)
public:
    CCDrag();

    int GetCommandId() override;
    // Writes the side information and the list into the data source; 1 when both are.
    int Process() override;

    // Runs the drag of the data with the drop effect as the allowed effects; the effect that
    // happened becomes the drop effect and is returned.
    uint32_t DoDragDrop();
    // Whether the user starts to drag from the pointer's position in the window.
    static int DragDetect(void* window);

    uint32_t GetDropEffect() const { return m_dropEffect; }
    void SetDropEffect(uint32_t effect) { m_dropEffect = effect; }
    int GetQuickDrag() const { return m_quickDrag; }
    void SetQuickDrag(int quick) { m_quickDrag = quick; }
    int GetDragDelay() const { return m_dragDelay; }
    void SetDragDelay(int delayMs) { m_dragDelay = delayMs; }
    int GetDragMinDist() const { return m_dragMinDist; }
    void SetDragMinDist(int distance) { m_dragMinDist = distance; }

private:
    uint32_t m_dropEffect;
    int m_quickDrag = 0;
    int m_dragDelay;
    int m_dragMinDist;
};
