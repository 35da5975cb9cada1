#pragma once

#include <cstdint>
#include <string>

// The string table of the data model library, registered with plat::Resources under the
// module "Notabase" while the library is loaded.
namespace NotabaseStrings {

inline constexpr const char* module = "Notabase";

// The first id of each group of the table.
enum : uint32_t {
    firstEventName = 11904,    // element names, 11904..11956
    firstChordQuality = 12009, // flavor f is firstChordQuality + f, 1..27
    firstController = 12100,   // controller names, 12100..12156
    undefinedController = 12156,
    firstDynamic = 12170,      // 12170..12183
    firstFlow = 12200,         // 12200..12208
    firstTempoWord = 12360,    // 12360..12385
    firstTextKind = 12400,     // 12400..12420
};

// The text of an id of the table; empty for an id it does not hold.
std::string text(uint32_t id);

}  // namespace NotabaseStrings
