#pragma once

#include <cstdint>
#include <string>

// The string table of the data model library, registered with plat::Resources under the
// module "Notabase" while the library is loaded.
namespace NotabaseStrings {

inline constexpr const char* module = "Notabase";

// The groups of the table: element names 11904..11956, chord qualities 12010..12036,
// controllers 12100..12156, dynamics 12170..12183, flow control 12200..12208, tempo words
// 12360..12385, text kinds 12400..12420.
enum : uint32_t {
    firstChordQuality = 12009,  // flavor f is firstChordQuality + f, 1..27
    firstController = 12100,
    firstFlow = 12200,
};

// The text of an id of the table; empty for an id it does not hold.
std::string text(uint32_t id);

}  // namespace NotabaseStrings
