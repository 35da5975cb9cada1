#include "interface/document/DocumentStrings.h"

#include "platform/core/Profile.h"
#include "platform/core/Resources.h"

namespace DocumentStrings {

namespace {

constexpr plat::Resources::Entry strings[] = {
    {cannotOpen, "The file cannot be opened by %s."},
    {newerVersion, "This file was created using a newer version of %s and cannot be loaded with the current "
                   "version.  Please contact Ombrelune to obtain a newer copy of the program."},
    {olderVersion, "This file was created with an older version of %s.  If you save the file it will be "
                   "stored in a newer file format (which may be unreadable in older programs)."},
    {wrongPassword, "The password you entered is incorrect."},
    {fileNotFound, "The file, %s, cannot be found.  It has probably been deleted or moved to another location."},
    {fileBadPath, "The file, %s, cannot be opened.  All or part of the path is invalid."},
    {fileTooManyOpen, "The file, %s, cannot be opened.  The permitted number of open files was exceeded."},
    {fileAccessDenied, "The file, %s, cannot be opened.  The file could not be accessed."},
    {fileHardware, "The file, %s, cannot be opened.  There was a hardware error."},
    {fileSharing, "The file, %s, cannot be opened due to a sharing violation."},
    {fileOther, "The file, %s, could not be opened."},
    {filterNative, "Ombrelune Music File (*.kvd)\n*.kvd\n"},
    {filterMidi0, "Type 0 Midi File (*.mid)\n*.mid\n"},
    {filterMidi1, "Type 1 Midi File (*.mid)\n*.mid\n"},
    {midiWriteError, "There was an error writing the MIDI file.  Please contact Ombrelune Technical Support "
                     "to report this error."},
    {saveAsNative, "If you save this file as a Midi file you will lose all notation information.  Would you "
                   "like to save the file as a QuavixSession file instead?"},
    {sendSaveTitle, "Save File Before Send"},
    {sendSaveText, "Before this file can be sent through the mail you must save your changes.  Would you like "
                   "to save the file now?"},
    {menuEdit, "&Edit"},
    {menuView, "&View"},
    {menuMusic, "&Music"},
    {menuActions, "&Actions"},
    {menuTools, "&Tools"},
    {menuPalette, "&Palette"},
    {menuPreferences, "&Preferences"},
    {protectedPrompt, "This document is protected.  In order to %s this document you must enter a valid "
                      "password."},
    {creatorPrompt, "You must enter the creator password to continue."},
    {operationOpen, "open"},
    {operationEdit, "edit"},
    {operationPrint, "print"},
    {operationCopy, "copy information from"},
    {firstPrefsCategory + 0, "General..."},
    {firstPrefsCategory + 1, "Sequencer..."},
    {firstPrefsCategory + 2, "Devices..."},
    {firstPrefsCategory + 3, "Notation..."},
    {unableToOpenMidi, "Unable to open MIDI file"},
    {type2NotSupported, "Saving of MIDI Type 2 files is not supported yet"},
    {alreadyOpen, "The file, %s, is already open for editing."},
    {failedToCreateDoc, "Failed to create empty document."},
    {saveAsTitle, "Save As"},
    {saveCopyTitle, "Save Copy As"},
    {notADocument, "It is neither a %s document nor a MIDI file, or it is damaged."},
    {unknownData, "It holds data that this version of %s does not know."},
    {protectedFile, "It is protected against opening."},
    {replaceNative, "The file, %s, already exists.  Do you want to replace it?"},
};

const plat::Resources::Registration registration(module, strings);

}  // namespace

std::string text(uint32_t id)
{
    const plat::Resources::ModuleSwitch table(module);
    return plat::Resources::string(id);
}

std::string applicationName()
{
    return plat::Profile::application();
}

}  // namespace DocumentStrings
