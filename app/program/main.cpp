#include "app/core/CBugReport.h"
#include "app/frame/CMainFrame.h"
#include "app/program/CMainApp.h"
#include "app/program/CQuavixApplication.h"

#include <QSocketNotifier>

#include <csignal>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

int g_closePipe[2] = {-1, -1};

// A request to end (the session logging out, a kill) closes the frame as the user would, so
// documents are offered for saving and the settings are written.
void onCloseSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_closePipe[1], &byte, 1);
}

}  // namespace

int main(int argc, char** argv)
{
    CBugReport::Install();
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && (!platform || !*platform)) {
        std::fprintf(stderr, "Quavix needs a graphical display: start it from a desktop session, or under a virtual "
                             "display such as \"xvfb-run build/bin/Quavix\".\n");
        return 1;
    }
    CQuavixApplication application(argc, argv);
    std::vector<std::string> args(argv + 1, argv + argc);
    int result = 0;
    {
        CMainApp app(std::move(args));
        if (app.InitInstance()) {
            std::unique_ptr<QSocketNotifier> closeNotifier;
            if (::pipe(g_closePipe) == 0) {
                closeNotifier = std::make_unique<QSocketNotifier>(g_closePipe[0], QSocketNotifier::Read);
                QObject::connect(closeNotifier.get(), &QSocketNotifier::activated, [&app] {
                    char byte = 0;
                    [[maybe_unused]] const ssize_t n = ::read(g_closePipe[0], &byte, 1);
                    if (app.Frame())
                        app.Frame()->close();
                });
                std::signal(SIGTERM, onCloseSignal);
                std::signal(SIGINT, onCloseSignal);
            }
            QObject::connect(&application, &QGuiApplication::lastWindowClosed, &application, &QCoreApplication::quit);
            QObject::connect(&application, &QGuiApplication::applicationStateChanged, [&app](Qt::ApplicationState state) {
                if (app.Frame())
                    app.Frame()->OnActivateApp(state == Qt::ApplicationActive);
            });
            result = application.exec();
        } else if (!app.HandedOver()) {
            result = 1;
        }
        app.ExitInstance();
    }
    CBugReport::Uninstall();
    return result;
}
