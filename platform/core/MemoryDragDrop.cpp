#include "platform/core/MemoryDragDrop.h"

namespace plat {

bool MemoryDragDrop::beginDragTest(void*, int delayMs, int minDistance)
{
    m_lastDelay = delayMs;
    m_lastMinDistance = minDistance;
    return m_beginsDrag;
}

bool MemoryDragDrop::dragDetect(void*)
{
    return m_beginsDrag;
}

uint32_t MemoryDragDrop::runDrag(const ClipData& data, uint32_t allowedEffects, const DragSource& source)
{
    for (const uint32_t buttons : m_steps) {
        switch (source.queryContinue(buttons, false)) {
        case DragSource::Continue::keepGoing:
            continue;
        case DragSource::Continue::cancel:
            return DropEffect::none;
        case DragSource::Continue::drop:
            return m_target ? m_target(data, allowedEffects) : DropEffect::none;
        }
    }
    return DropEffect::none;
}

}  // namespace plat
