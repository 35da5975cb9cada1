#include "platform/core/Trace.h"

#include "platform/core/Strings.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <string_view>

namespace plat {

namespace {

struct TraceState {
    std::mutex mutex;
    TraceSink sink;
};

TraceState& state()
{
    static TraceState traceState;
    return traceState;
}

}  // namespace

bool traceWantedBy(const char* value)
{
    return value != nullptr && *value != '\0' && std::string_view(value) != "0";
}

bool isTraceEnabled()
{
    static const bool enabled = traceWantedBy(std::getenv("QUAVIX_TRACE"));
    return enabled;
}

void trace(const char* fmt, ...)
{
    TraceState& s = state();
    {
        const std::lock_guard lock(s.mutex);
        if (!s.sink && !isTraceEnabled())
            return;
    }
    va_list args;
    va_start(args, fmt);
    std::string line = vformat(fmt, args);
    va_end(args);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();

    const std::lock_guard lock(s.mutex);
    if (s.sink) {
        s.sink(line);
        return;
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), stderr);
}

TraceSink setTraceSink(TraceSink sink)
{
    TraceState& s = state();
    const std::lock_guard lock(s.mutex);
    TraceSink previous = std::move(s.sink);
    s.sink = std::move(sink);
    return previous;
}

}  // namespace plat
