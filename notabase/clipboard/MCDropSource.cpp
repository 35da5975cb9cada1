#include "notabase/clipboard/MCDropSource.h"

MCDropSource::MCDropSource()
    : m_dragDelay(plat::DragDrop::dragDelay()), m_dragMinDist(plat::DragDrop::dragMinDistance())
{
}

namespace {

// Puts a delay and distance in place of the process-wide ones for its lifetime.
class ScopedDragLimits {
public:
    ScopedDragLimits(int delay, int distance)
        : m_delay(plat::DragDrop::dragDelay()), m_distance(plat::DragDrop::dragMinDistance())
    {
        plat::DragDrop::setDragDelay(delay);
        plat::DragDrop::setDragMinDistance(distance);
    }
    ~ScopedDragLimits()
    {
        plat::DragDrop::setDragDelay(m_delay);
        plat::DragDrop::setDragMinDistance(m_distance);
    }
    ScopedDragLimits(const ScopedDragLimits&) = delete;
    ScopedDragLimits& operator=(const ScopedDragLimits&) = delete;

private:
    int m_delay;
    int m_distance;
};

}  // namespace

bool MCDropSource::onBeginDrag(void* window)
{
    if (m_quickDrag) {
        uint32_t drop = plat::MouseButton::left;
        uint32_t cancel = plat::MouseButton::right;
        if (plat::DragDrop::current().pressedButtons() & plat::MouseButton::right) {
            drop |= plat::MouseButton::right;
            cancel |= plat::MouseButton::left;
        }
        setDropButtons(drop);
        setCancelButtons(cancel);
        return true;
    }
    const ScopedDragLimits limits(m_dragDelay, m_dragMinDist);
    return plat::DragSource::onBeginDrag(window);
}
