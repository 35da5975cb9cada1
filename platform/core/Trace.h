#pragma once

#include "platform/core/PlatCoreExport.h"

#include <functional>
#include <string_view>

namespace plat {

// Diagnostic lines, printf-style (in the C locale), written to stderr only when the
// environment variable QUAVIX_TRACE asks for it (read once, at the first trace). A trailing line
// end is added when the text has none.
PLATCORE_API void trace(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

PLATCORE_API bool isTraceEnabled();
// Whether a value of QUAVIX_TRACE turns tracing on: any value but none, an empty one and "0".
PLATCORE_API bool traceWantedBy(const char* value);

// Receives every trace line, without its trailing line end, whether or not QUAVIX_TRACE is
// set, in place of stderr; for tests. An empty sink restores stderr. Returns the previous
// sink. The sink may be called from any thread, one line at a time, and must not trace.
using TraceSink = std::function<void(std::string_view line)>;
PLATCORE_API TraceSink setTraceSink(TraceSink sink);

}  // namespace plat
