#pragma once

#include <cstdint>
#include <string>

// One item a registry puts into a menu of the program: its text and its command id. The
// registries say which items belong where; the program's main frame puts them there.
struct MCMenuItem {
    std::string text;
    uint32_t command = 0;
    bool operator==(const MCMenuItem& other) const { return text == other.text && command == other.command; }
};
