#pragma once

// The application object of the fuzz targets that show windows: made once, offscreen unless a
// platform was chosen, with the target's start-up run after it as the program's runs. The
// program takes its application object apart at the end of main, before the libraries' statics
// go; a fuzz target has no such point, and taking the windows, the application object and the
// page registries apart among the statics at exit fails on the order they go in. So at exit the
// process ends as it stands (a failing input has ended it before, with its own status).

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <functional>

// The font library keeps its caches from the first text a window draws to the end of the
// process without a pointer the leak check can see; that is not a leak of ours.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

class FuzzApplication {
public:
    static void Setup(const std::function<void()>& startUp = {})
    {
        static const bool done = [&startUp] {
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
            static int argc = 1;
            static char name[] = "fuzz";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
            if (startUp)
                startUp();
            std::atexit([] {
                std::fflush(nullptr);
                std::_Exit(EXIT_SUCCESS);
            });
            return true;
        }();
        (void)done;
    }
};
