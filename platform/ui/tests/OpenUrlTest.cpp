// Opening a web address through the default hook: it says whether a program took the address,
// asking the desktop for a browser first, since the desktop's opener starts (and so
// "succeeds") whether or not anything can show the page. The desktop here is a folder of
// stand-in programs on the PATH; what would open the page is a handler of the test's.

#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/tests/UiTestEnvironment.h"

#include <QDesktopServices>
#include <QObject>
#include <QUrl>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>
#include <string>

namespace {

namespace fs = std::filesystem;
using plat::ui::ModalHooks;

// An environment variable set for a scope, as it was afterwards.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

struct DesktopCase {
    const char* name;
    // The BROWSER variable; unset when null.
    const char* browser;
    // What the desktop names as the handler of https addresses.
    const char* handler;
    bool opens;
};

// Takes the addresses the toolkit would hand to the desktop's opener.
class Opener : public QObject {
    Q_OBJECT
public:
    std::vector<std::string> opened;
public slots:
    void open(const QUrl& url) { opened.push_back(url.toString().toStdString()); }
};

class OpenUrlTest : public ::testing::TestWithParam<DesktopCase> {
protected:
    void SetUp() override
    {
        char folder[] = "/tmp/quavix-openurl-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_dir = folder;
        Script("webbrowser", "exit 0");
        Script("xdg-mime", std::string("printf '%s' '") + GetParam().handler + "'");
        QDesktopServices::setUrlHandler("https", &m_opener, "open");
    }
    void TearDown() override
    {
        QDesktopServices::unsetUrlHandler("https");
        fs::remove_all(m_dir);
    }

    void Script(const std::string& name, const std::string& body)
    {
        const fs::path path = m_dir / name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
    }

    fs::path m_dir;
    Opener m_opener;
};

TEST_P(OpenUrlTest, SaysWhetherTheDesktopHasABrowserForTheAddress)
{
    const DesktopCase& desktop = GetParam();
    const ScopedVariable path("PATH", m_dir.string());
    const ScopedVariable browser("BROWSER", desktop.browser ? std::optional<std::string>(desktop.browser) : std::nullopt);
    const ScopedVariable defaultBrowser("DEFAULT_BROWSER", std::nullopt);
    const ScopedVariable session("XDG_CURRENT_DESKTOP", std::nullopt);

    const std::string address = "https://example.org/quavix";
    EXPECT_EQ(ModalHooks::openUrl(address), desktop.opens);
    EXPECT_EQ(m_opener.opened, desktop.opens ? std::vector<std::string>{address} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Desktops, OpenUrlTest,
    ::testing::Values(DesktopCase{"NoBrowserAnywhere", nullptr, "", false},
                      DesktopCase{"TheDesktopsDefaultHandler", nullptr, "webbrowser.desktop", true},
                      DesktopCase{"TheBrowserVariable", "webbrowser", "", true},
                      DesktopCase{"ABrowserVariableNamingNothingInstalled", "nosuchbrowser", "", false}),
    [](const ::testing::TestParamInfo<DesktopCase>& info) { return std::string(info.param.name); });

}  // namespace

#include "OpenUrlTest.moc"
