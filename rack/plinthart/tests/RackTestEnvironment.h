#pragma once

#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/core/Profile.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/tests/support/ScreenshotFolder.h"

#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace rack::test {

// Points the settings, and so PLINTHRC.INI, at a folder of the test program's own.
class ProfileFolderEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "rack-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }

    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }

private:
    std::string m_folder;
};

inline testing::Environment* const kProfileFolderEnvironment =
    testing::AddGlobalTestEnvironment(new ProfileFolderEnvironment);

// Saves an image into the build tree's screenshot folder for a person to look at.
inline void saveScreenshot(const QImage& image, const std::string& name)
{
    const QString folder = plat::ui::test::ScreenshotFolder::path(QUAVIX_SCREENSHOT_DIR);
    EXPECT_TRUE(image.save(folder + "/" + QString::fromStdString(name) + ".png")) << name;
}

// Whether the rectangle of image at (x, y) shows the same pixels as source at (sx, sy).
inline bool sameRegion(const QImage& image, int x, int y, const QImage& source, int sx, int sy, int width, int height)
{
    for (int dy = 0; dy < height; ++dy)
        for (int dx = 0; dx < width; ++dx)
            if ((image.pixel(x + dx, y + dy) & 0xFFFFFF) != (source.pixel(sx + dx, sy + dy) & 0xFFFFFF))
                return false;
    return true;
}

}  // namespace rack::test
