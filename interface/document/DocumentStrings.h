#pragma once

#include "interface/InterfaceExport.h"

#include <cstdint>
#include <string>

// The texts of the document classes, registered with plat::Resources under the module
// "InterfaceDocument" while the library is loaded.
namespace DocumentStrings {
inline constexpr const char* module = "InterfaceDocument";

enum : uint32_t {
    cannotOpen = 11500,           // "The file cannot be opened by %s."
    newerVersion = 11502,
    olderVersion = 11503,
    midiWriteError = 11506,
    saveAsNative = 11525,
    sendSaveTitle = 11526,
    sendSaveText = 11527,
    menuEdit = 11570,
    menuView = 11571,
    menuMusic = 11572,
    menuActions = 11573,
    menuTools = 11574,
    menuPalette = 11575,
    menuPreferences = 11576,
    protectedPrompt = 11725,
    creatorPrompt = 11726,
    operationOpen = 11727,
    operationEdit = 11728,
    operationPrint = 11729,
    operationCopy = 11730,
    firstPrefsCategory = 11744,   // category c is firstPrefsCategory + c, 0..3
    // Texts without an id of their own in the table's numbering.
    unableToOpenMidi = 11800,
    type2NotSupported = 11801,
    alreadyOpen = 11802,
};

// The text of an id of the table; empty for an id it does not hold.
INTERFACE_API std::string text(uint32_t id);
// The application's name, as the messages name it.
INTERFACE_API std::string applicationName();
}  // namespace DocumentStrings
