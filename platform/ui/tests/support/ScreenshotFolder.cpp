#include "platform/ui/tests/support/ScreenshotFolder.h"

#include <QDir>

#include <cstdlib>

namespace plat::ui::test {

QString ScreenshotFolder::path(const char* built)
{
    const char* chosen = std::getenv("QUAVIX_SCREENSHOT_DIR");
    const QString folder = QString::fromLocal8Bit(chosen && *chosen ? chosen : built);
    QDir().mkpath(folder);
    return folder;
}

}  // namespace plat::ui::test
