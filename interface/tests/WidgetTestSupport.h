#pragma once

// What the tests of the Interface's windows share: one application object for the program,
// settings kept in a temporary folder, and screenshots saved for a look.

#include "platform/core/Profile.h"
#include "platform/ui/tests/support/LayoutCheck.h"
#include "platform/ui/tests/support/ScreenshotFolder.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace widgettest {

class WidgetEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        if (QApplication::instance())
            return;
        static int argc = 1;
        static char name[] = "interface-tests";
        static char* argv[] = {name, nullptr};
        m_application = std::make_unique<QApplication>(argc, argv);
        // No test touches the user's own settings.
        char pattern[] = "/tmp/quavix-interface-env-XXXXXX";
        if (::mkdtemp(pattern))
            folder() = pattern;
        plat::Profile::setFolder(folder());
    }
    void TearDown() override
    {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_application.reset();
        std::error_code error;
        if (!folder().empty())
            std::filesystem::remove_all(folder(), error);
    }
    static std::string& folder()
    {
        static std::string path;
        return path;
    }

private:
    std::unique_ptr<QApplication> m_application;
};

inline testing::Environment* const kWidgetEnvironment = testing::AddGlobalTestEnvironment(new WidgetEnvironment);

// Settings of the test kept in a folder of its own, removed afterwards.
class ProfileFolder {
public:
    ProfileFolder()
    {
        char pattern[] = "/tmp/quavix-interface-XXXXXX";
        if (::mkdtemp(pattern))
            m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }
    ~ProfileFolder()
    {
        plat::Profile::setFolder(WidgetEnvironment::folder());
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    ProfileFolder(const ProfileFolder&) = delete;
    ProfileFolder& operator=(const ProfileFolder&) = delete;

    const std::string& path() const { return m_folder; }

private:
    std::string m_folder;
};

// Saves what widget shows as "<name>.png" in the screenshot folder, and checks the layout of
// its window; the path, or "" when it could not be written.
inline std::string saveScreenshot(QWidget& widget, const std::string& name)
{
    const QString path = plat::ui::test::ScreenshotFolder::path(QUAVIX_SCREENSHOT_DIR) + "/" +
                         QString::fromStdString(name) + ".png";
    // The check shows a hidden window first, as the user sees it, and the picture is taken then.
    EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(widget)) << name;
    const bool saved = widget.grab().save(path);
    return saved ? path.toStdString() : std::string();
}

}  // namespace widgettest
