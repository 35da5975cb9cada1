#include "platform/core/DragDrop.h"

#include "platform/core/MemoryDragDrop.h"

#include <atomic>

namespace plat {

namespace {

// A press turns into a drag after this long, or this far.
std::atomic<int> processDragDelay{200};
std::atomic<int> processDragMinDistance{2};

std::atomic<DragDrop*> installed{nullptr};

MemoryDragDrop& processDragDrop()
{
    static MemoryDragDrop instance;
    return instance;
}

}  // namespace

bool DragSource::onBeginDrag(void* window)
{
    return DragDrop::current().beginDragTest(window, DragDrop::dragDelay(), DragDrop::dragMinDistance());
}

DragSource::Continue DragSource::queryContinue(uint32_t buttonsDown, bool escapePressed) const
{
    if (escapePressed || (m_cancelButtons != 0 && (buttonsDown & m_cancelButtons) == m_cancelButtons))
        return Continue::cancel;
    if ((buttonsDown & m_dropButtons) == 0)
        return Continue::drop;
    return Continue::keepGoing;
}

uint32_t DragDrop::doDragDrop(std::shared_ptr<const ClipData> data, uint32_t allowedEffects, DragSource& source)
{
    if (!data || !source.onBeginDrag(focusWindow()))
        return DropEffect::none;
    return runDrag(*data, allowedEffects, source) & allowedEffects;
}

int DragDrop::dragDelay()
{
    return processDragDelay.load();
}

void DragDrop::setDragDelay(int delayMs)
{
    processDragDelay.store(delayMs);
}

int DragDrop::dragMinDistance()
{
    return processDragMinDistance.load();
}

void DragDrop::setDragMinDistance(int distance)
{
    processDragMinDistance.store(distance);
}

DragDrop& DragDrop::current()
{
    DragDrop* service = installed.load();
    return service ? *service : processDragDrop();
}

DragDrop* DragDrop::install(DragDrop* service)
{
    return installed.exchange(service);
}

}  // namespace plat
