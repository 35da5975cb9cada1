#pragma once

#include "rack/plinthart/PlinthArtExport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rack {

// The rack's profile file "PLINTHRC.INI" in the user's settings folder, found by that name
// without regard to case (so "plinthrc.ini" is the same file). Every read passes a default
// and reads into a buffer of a given size: a longer value is cut to size - 1 bytes (never
// inside a character), as the classic profile reads do.
class PLINTHART_API PlinthProfile {
public:
    static constexpr const char* kFileName = "PLINTHRC.INI";

    static std::string path();
    static std::string getString(std::string_view section, std::string_view key, std::string_view defaultValue,
                                 size_t bufferSize);
    static bool setString(std::string_view section, std::string_view key, std::string_view value);
};

}  // namespace rack
