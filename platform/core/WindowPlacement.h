#pragma once

#include "platform/core/PlatCoreExport.h"

#include <functional>

namespace plat {

// Where a top-level window stands, and how it shows: the form in which window positions are
// kept in the settings. The interface reads and applies it on real windows.
struct PLATCORE_API WindowPlacement {
    enum class Show { normal, minimized, maximized };
    // The one flag: a minimized window comes back maximized when restored.
    static constexpr unsigned kRestoreToMaximized = 0x0002;

    struct Point {
        int x = 0;
        int y = 0;
        bool operator==(const Point&) const = default;
    };
    struct Rect {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
        int width() const { return right - left; }
        int height() const { return bottom - top; }
        bool operator==(const Rect&) const = default;
    };

    Show show = Show::normal;
    unsigned flags = 0;
    Point minPosition;
    Point maxPosition;
    Rect normalPosition;

    bool operator==(const WindowPlacement&) const = default;
};

// What the desktop offers windows: the size of its work area (the screen less panels) and
// the thickness of a window border.
struct PLATCORE_API ScreenMetrics {
    int workAreaWidth = 1024;
    int workAreaHeight = 768;
    int borderWidth = 0;
    int borderHeight = 0;
};

// The program installs a provider that asks the real screen; without one, the defaults above
// stand for a headless process. Returns the previous provider.
using ScreenMetricsProvider = std::function<ScreenMetrics()>;
PLATCORE_API ScreenMetricsProvider setScreenMetricsProvider(ScreenMetricsProvider provider);
PLATCORE_API ScreenMetrics currentScreenMetrics();

}  // namespace plat
