#pragma once

#include <QString>

namespace plat::ui::test {

// Where the window tests save their screenshots: the folder the build names, or the one in
// QUAVIX_SCREENSHOT_DIR, which the second run of the tests at twice the scale sets so that its
// pictures stand beside the first run's instead of over them.
class ScreenshotFolder {
public:
    static QString path(const char* built);
};

}  // namespace plat::ui::test
