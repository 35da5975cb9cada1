#include "app/core/CBugReport.h"
#include "app/frame/CMainFrame.h"
#include "app/program/CMainApp.h"
#include "app/program/CQuavixApplication.h"
#include "app/program/CTerminateSignal.h"
#include "platform/ui/window/DisplayLoss.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
            // A request to end (the session logging out, a kill) closes the frame as the user
            // would, so documents are offered for saving and the settings are written, even
            // while a message box is open.
            const CTerminateSignal terminate([&app] {
                if (app.Frame())
                    app.Frame()->close();
            });
            QObject::connect(&application, &QGuiApplication::lastWindowClosed, &application, &QCoreApplication::quit);
            QObject::connect(&application, &QGuiApplication::applicationStateChanged, [&app](Qt::ApplicationState state) {
                if (app.Frame())
                    app.Frame()->OnActivateApp(state == Qt::ApplicationActive);
            });
            // A display that goes away under the program ends it in order, its work kept.
            const plat::ui::DisplayLoss displayLoss([&app] { app.SaveRecoveryCopies(); });
            result = application.exec();
        } else if (!app.HandedOver()) {
            result = 1;
        }
        app.ExitInstance();
    }
    CBugReport::Uninstall();
    return result;
}
