#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/ClipData.h"

#include <cstdint>
#include <memory>

namespace plat {

// The effects of a drop, numbered as the classic values that callers store and compare.
namespace DropEffect {
inline constexpr uint32_t none = 0;
inline constexpr uint32_t copy = 1;
inline constexpr uint32_t move = 2;
inline constexpr uint32_t link = 4;
}  // namespace DropEffect

// Mouse buttons as bits.
namespace MouseButton {
inline constexpr uint32_t left = 1;
inline constexpr uint32_t right = 2;
inline constexpr uint32_t middle = 4;
}  // namespace MouseButton

class DragDrop;

// The source side of a drag: whether it begins, and which buttons end it. While it runs, the
// drag is cancelled once every cancel button is down at once (or Escape is pressed), and
// drops once no drop button is down any more.
class PLATCORE_API DragSource {
public:
    enum class Continue { keepGoing, drop, cancel };

    virtual ~DragSource() = default;

    // Asked once before the drag runs, with the window that has the focus (a widget in the
    // program, null when there is none); false leaves the drag unstarted. By default the drag
    // service's begin-drag test decides, with the process-wide delay and distance.
    virtual bool onBeginDrag(void* window);

    Continue queryContinue(uint32_t buttonsDown, bool escapePressed) const;

    uint32_t dropButtons() const { return m_dropButtons; }
    void setDropButtons(uint32_t buttons) { m_dropButtons = buttons; }
    uint32_t cancelButtons() const { return m_cancelButtons; }
    void setCancelButtons(uint32_t buttons) { m_cancelButtons = buttons; }

private:
    uint32_t m_dropButtons = MouseButton::left;
    uint32_t m_cancelButtons = MouseButton::right;
};

// Drag and drop as the core libraries see it. The program installs an implementation over
// the desktop's; without one, a scripted drag in memory serves the process (MemoryDragDrop),
// which drops on nothing unless a test gives it a target.
class PLATCORE_API DragDrop {
public:
    virtual ~DragDrop() = default;

    // Offers the data to a drag: asks the source whether to begin, then runs the drag. The
    // effect that happened, always one of the allowed ones; none when the drag did not begin,
    // was cancelled or found no target.
    uint32_t doDragDrop(std::shared_ptr<const ClipData> data, uint32_t allowedEffects, DragSource& source);

    // While the button that was pressed in the window stays down: true once the pointer moves
    // minDistance pixels or more from where it was pressed, or delayMs pass; false when the
    // button is released first.
    virtual bool beginDragTest(void* window, int delayMs, int minDistance) = 0;
    // The system's drag detection from the pointer's current position in the window: whether
    // the user starts to drag before letting the button go.
    virtual bool dragDetect(void* window) = 0;
    // The mouse buttons that are down now.
    virtual uint32_t pressedButtons() const = 0;

    // The process-wide delay (milliseconds) and distance (pixels) after which a press becomes
    // a drag.
    static int dragDelay();
    static void setDragDelay(int delayMs);
    static int dragMinDistance();
    static void setDragMinDistance(int distance);

    // The installed service, or the process's drag in memory.
    static DragDrop& current();
    // Installs a service (null goes back to the one in memory) and returns the one it
    // replaces. The service must outlive its installation.
    static DragDrop* install(DragDrop* service);

    class PLATCORE_API ScopedInstall {
    public:
        explicit ScopedInstall(DragDrop& service) : m_previous(install(&service)) {}
        ~ScopedInstall() { install(m_previous); }
        ScopedInstall(const ScopedInstall&) = delete;
        ScopedInstall& operator=(const ScopedInstall&) = delete;

    private:
        DragDrop* m_previous;
    };

protected:
    // The window that has the focus, handed to the source's onBeginDrag.
    virtual void* focusWindow() const { return nullptr; }
    // Runs a drag the source agreed to begin until it drops or is cancelled; the effect the
    // target performed (doDragDrop keeps only the allowed bits).
    virtual uint32_t runDrag(const ClipData& data, uint32_t allowedEffects, const DragSource& source) = 0;
};

}  // namespace plat
