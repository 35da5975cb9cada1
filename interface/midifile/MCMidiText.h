#pragma once

#include "interface/InterfaceExport.h"

#include <string>
#include <string_view>

// The texts of a MIDI file, which declares no encoding: kept when they are valid UTF-8, read
// as Windows-1252 otherwise; written back as Windows-1252 when every character fits, else as
// UTF-8, so a file's texts survive a round trip byte for byte.
class INTERFACE_API MCMidiText {
public:
    static std::string FromFile(std::string_view bytes);
    static std::string ToFile(std::string_view text);
    static bool IsValidUtf8(std::string_view text);
};
