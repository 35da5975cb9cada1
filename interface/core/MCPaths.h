#pragma once

#include "interface/InterfaceExport.h"

#include <string>

// File names and the program's folder. A path may separate its folders with "/" or, when it
// comes from an old document or setting, with "\"; both count as separators.

// The program's folder without a trailing separator; with a name, the folder, "/" and name.
INTERFACE_API std::string MCGetAppPath(const std::string& name = {});
// What lies before the last separator, without it; the whole text when there is none.
INTERFACE_API std::string MCGetFilePath(const std::string& path);
// What follows the last separator; the whole text when there is none.
INTERFACE_API std::string MCGetFileName(const std::string& path);
// The file name without what follows its last dot; the file name when it has no dot.
INTERFACE_API std::string MCGetTitle(const std::string& path);
// What follows the last dot of the whole text (folders included, as callers compare it);
// the whole text when there is no dot.
INTERFACE_API std::string MCGetExtension(const std::string& path);
