#pragma once

#include "rack/plinthui/EchoTimer.h"
#include "rack/plinthui/FaceCache.h"
#include "rack/plinthui/PlinthUiExport.h"

#include "platform/ui/draw/Font.h"
#include "platform/ui/rackwindow/ToolTip.h"

#include <array>
#include <memory>
#include <string>

namespace plat::ui {
class Window;
}

namespace rack {

// The state plinthui keeps once per process.
class PLINTHUI_API ControlModule {
public:
    static ControlModule& instance();

    int useCount = 0;
    FaceCache faces;
    EchoTimer echo;
    std::unique_ptr<plat::ui::ToolTip> toolTip;
    // The plain button and the strip held down with auto-repeat, and the pressed event and
    // signal scroll controls.
    plat::ui::Window* heldButton = nullptr;
    plat::ui::Window* heldStrip = nullptr;
    std::array<plat::ui::Window*, 2> pressedScrolls{};
    // The slot id that the next look descriptor sent to a strip applies to (-1: none).
    int64_t pendingSlotId = -1;

    // The help popup, its text and font, and the face its font is made in.
    plat::ui::Window* popup = nullptr;
    std::string popupText;
    std::unique_ptr<plat::ui::Font> helpFont;
    std::string helpFace;
    bool helpFaceRead = false;

private:
    ControlModule() = default;
};

}  // namespace rack
