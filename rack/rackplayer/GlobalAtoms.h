#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rack {

// Names held under small numbers, so that a file name can travel in a message parameter
// (and be posted) without its memory travelling along. Interface thread only.
class RACKCORE_API GlobalAtoms {
public:
    // The atom of name (a name added twice is counted twice); 0 when the table is full.
    static uint16_t add(std::string_view name);
    static std::optional<std::string> name(uint16_t atom);
    // Drops one count; the name goes with its last count.
    static void remove(uint16_t atom);
    static size_t count();
};

}  // namespace rack
