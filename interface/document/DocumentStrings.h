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
    wrongPassword = 11501,
    newerVersion = 11502,
    olderVersion = 11503,
    midiWriteError = 11506,
    fileNotFound = 11510,         // 11510..11516: why a file named for opening cannot be read
    fileBadPath = 11511,
    fileTooManyOpen = 11512,
    fileAccessDenied = 11513,
    fileHardware = 11514,
    fileSharing = 11515,
    fileOther = 11516,
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
    filterNative = 11591,
    filterMidi0 = 11593,
    filterMidi1 = 11594,
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
    failedToCreateDoc = 11803,
    saveAsTitle = 11805,
    saveCopyTitle = 11806,
    // Why a file cannot be opened (after its name).
    notADocument = 11807,
    unknownData = 11808,
    protectedFile = 11809,
    replaceNative = 11810,  // "The file, %s, already exists. ..."
};

// The text of an id of the table; empty for an id it does not hold.
INTERFACE_API std::string text(uint32_t id);
// The application's name, as the messages name it.
INTERFACE_API std::string applicationName();
}  // namespace DocumentStrings
