#include "app/core/CBugReport.h"
#include "app/program/CMainApp.h"
#include "app/program/CQuavixApplication.h"

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
        if (app.InitInstance())
            result = application.exec();
        app.ExitInstance();
    }
    CBugReport::Uninstall();
    return result;
}
