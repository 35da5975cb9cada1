#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/WindowMessage.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace plat::ui {

class Window;

// The procedure that handles every message of a window; what it does not handle it passes
// to defWindowProc.
using WindowProc = std::function<intptr_t(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)>;

// A kind of window, registered by name: its procedure, the brush its background is erased
// with before painting (none: the window paints everything itself) and its pointer shape.
// Windows are always repainted whole when their size changes.
struct PLATUI_API WindowClass {
    std::string name;
    WindowProc proc;
    std::optional<Brush> background;
    CursorShape cursor = CursorShape::arrow;

    // Names match without regard to ASCII case. Registering a name already registered fails.
    static bool registerClass(WindowClass windowClass);
    // Fails for a name not registered and while windows of the class exist.
    static bool unregisterClass(std::string_view name);
    static std::shared_ptr<const WindowClass> find(std::string_view name);
};

}  // namespace plat::ui
