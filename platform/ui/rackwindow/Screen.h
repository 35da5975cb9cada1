#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QSize>

namespace plat::ui {

// What windows need to know of the screen.
class PLATUI_API Screen {
public:
    // The primary screen in pixels.
    static QSize size();
    // The width and height of the raised border of a window with a dialog frame.
    static QSize dialogFrame() { return QSize(3, 3); }
};

}  // namespace plat::ui
