#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <string>
#include <string_view>
#include <vector>

namespace rack {

// What the rack's command line asks: "/M" a second copy may run, "/N" "text" the text of
// the Close and Exit items, "/P" play the CD, "/R" "command" a command to run at the end,
// and a file to open. Options are a letter, in either case, behind '-' or '/' ("/m", "-P");
// any other token (an absolute path begins with '/' too) names a file, which keeps its case
// and its whole length.
struct RACKCORE_API RackCommandLine {
    bool secondCopy = false;
    bool autoPlay = false;
    // The line begins with "/P": a running copy is asked to play its CD.
    bool playFirst = false;
    std::string closeText;
    std::string exitCommand;
    // The last file named; empty when none.
    std::string fileName;

    // Texts of "/N" and "/R" are cut to this many bytes.
    static constexpr size_t kMaxText = 127;

    static RackCommandLine parse(std::string_view commandLine);
    // The command line of a program's arguments: an argument with blanks, an empty one, and
    // the one after "/N" or "/R" are quoted, so the line reads back as the same arguments.
    static std::string join(const std::vector<std::string>& arguments);
};

}  // namespace rack
