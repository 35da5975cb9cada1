#pragma once

#include "interface/InterfaceExport.h"

#include <optional>
#include <string>
#include <vector>

// The instrument definition files of the folder "Instruments" beside the program.
class INTERFACE_API MCInstrumentFiles {
public:
    static constexpr size_t kMaxName = 255;

    // The folder.
    static std::string Folder();
    // Its "*.INI" files (any letter case), regular files only, by name.
    static std::vector<std::string> Find(const std::string& folder);
    // "Info" "Name" of the file, at most 255 characters; "" when it has none.
    static std::string NameOf(const std::string& file);
    // What is wrong with the file's text, naming the line; nothing when every line is a
    // section, a key and its value, a comment or blank.
    static std::optional<std::string> Check(const std::string& file);
};
