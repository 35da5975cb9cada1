#include "platform/media/alsa/AlsaQuiet.h"

#include "platform/core/Trace.h"

#include <alsa/asoundlib.h>

#include <cstdarg>
#include <cstdio>
#include <mutex>

namespace plat::media {

namespace {

thread_local bool t_silent = false;

void toTrace(const char* file, int line, const char* function, int, const char* fmt, ...)
{
    if (t_silent)
        return;
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    plat::trace("ALSA: %s (%s:%d %s)", text, file, line, function);
}

}  // namespace

void quietAlsaLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { snd_lib_error_set_handler(toTrace); });
}

void silenceAlsaErrors(bool silent)
{
    t_silent = silent;
}

}  // namespace plat::media
