#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Starting other programs: the editors the profile names, and the command the rack runs
// when it ends. Everything goes through one hook, which tests replace.
namespace rack {

// Starts argv[0] with the rest as its arguments, detached; answers whether it started.
using ProgramStarter = std::function<bool(const std::vector<std::string>& argv)>;

// Installs starter (an empty one puts back the real one) and answers the one replaced.
PLINTHBASE_API ProgramStarter SetProgramStarter(ProgramStarter starter);

// Starts argv[0] with the rest as its arguments through the hook; whether it started.
PLINTHBASE_API bool StartProgram(const std::vector<std::string>& argv);

// Starts a command line (a program and its arguments, quoted where they hold blanks).
// Answers 1 when it started, 0 when it is empty or could not start.
PLINTHBASE_API int RunCommandLine(std::string_view commandLine);

// Starts the program that [Setup] key of the profile names ("RunWaveEditor", "RunPlayer"),
// with argument (when not null and not empty) as its last argument. show is the classic
// show state and is not used here. Answers 1 when it started, 0 when the key names nothing
// or the program could not start.
PLINTHBASE_API int RunProgram(std::string_view profileKey, const char* argument, int show);

// The first call of the rack's shutdown: ends nothing that is still needed.
PLINTHBASE_API void GWShutDown();

}  // namespace rack
