#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/DragDrop.h"

#include <functional>
#include <vector>

namespace plat {

// A drag in memory for headless runs and tests, played from a script: whether a press turns
// into a drag, the buttons down at each step of the drag, and the target under the pointer
// when it drops. Without a target a drop does nothing.
class PLATCORE_API MemoryDragDrop : public DragDrop {
public:
    // Takes the dropped data and the allowed effects; returns the effect it performed.
    using Target = std::function<uint32_t(const ClipData& data, uint32_t allowedEffects)>;

    bool beginDragTest(void* window, int delayMs, int minDistance) override;
    bool dragDetect(void* window) override;
    uint32_t pressedButtons() const override { return m_pressed; }

    void setTarget(Target target) { m_target = std::move(target); }
    // Whether a press turns into a drag (beginDragTest and dragDetect); no by default.
    void setBeginsDrag(bool begins) { m_beginsDrag = begins; }
    void setPressedButtons(uint32_t buttons) { m_pressed = buttons; }
    // The buttons down at each step of the drag; a script that ends before the drag does
    // cancels it. By default every button is let go at once: a drop.
    void setButtonsDuringDrag(std::vector<uint32_t> steps) { m_steps = std::move(steps); }

    // What the last begin-drag test was asked with.
    int lastDragDelay() const { return m_lastDelay; }
    int lastDragMinDistance() const { return m_lastMinDistance; }

protected:
    uint32_t runDrag(const ClipData& data, uint32_t allowedEffects, const DragSource& source) override;

private:
    Target m_target;
    bool m_beginsDrag = false;
    uint32_t m_pressed = 0;
    std::vector<uint32_t> m_steps{0};
    int m_lastDelay = -1;
    int m_lastMinDistance = -1;
};

}  // namespace plat
