#include "app/core/AppStrings.h"

#include "app/core/AppCommandTable.h"
#include "platform/core/Resources.h"

#include <vector>

namespace AppStrings {

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {exceptionReport, "Quavix has generated an exception and will be closed.  Please contact Ombrelune technical "
                      "support and send them the report file:\n%s"},
    {urlFileMissing, "A file is missing which contains required URL addresses.  Please contact Ombrelune technical "
                     "support to replace this file."},
    {waveMissing, "The wave file, %s, located on track %d cannot be found.  Would you like to specify a new path "
                  "for the wave file?"},
    {browserMissing, "No web browser could be started to show %s.  Please open the address in a web browser "
                     "yourself."},
    {noHelpFile, "No help file comes with Quavix.  Point at a menu command or a button to read what it does in "
                 "the status bar and its tip; F1 in a tool window or a document window shows what that window is "
                 "for."},
    {fileBar, "File"},
    {musicEditBar, "Music Edit"},
    {transportBar, "Transport Controls"},
    {timeBar, "Time"},
    {splashVersion, "Version 6.06"},
    {loadingResources, "Loading Resources..."},
    {loadingApplication, "Loading Application..."},
    {loadingComponents, "Loading Components..."},
    {loadingPlugins, "Loading Plugins..."},
    {oneMoment, "One moment please..."},
    {filterAllMusic, "All Music Files (*.kvd; *.mid; *.rmi)\n*.kvd;*.mid;*.rmi\n"},
    {filterNative, "Quavix 6 Files (*.kvd)\n*.kvd\n"},
    {filterMidi, "Midi Files (*.mid; *.rmi)\n*.mid;*.rmi\n"},
    {filterAll, "All Files (*.*)\n*.*\n"},
    {templateExists, "A template named \"%s\" already exists.  Please select a different name."},
    {templateNameInvalid, "A template name cannot be empty, begin with ~ or contain \\ or /.  Please enter a different name."},
    {credits, "Quavix 6.06  -  music composition and sequencing  -  written by the Quavix team  -  "
              "sound by Quavix Synth  -  thank you for making music with us"},
    {sysExListTip, "List of System Exclusive messages in the current document\nSysEx messages in document"},
    {sysExSendTip, "Send selected message to midi device(s)"},
    {sysExNoUndoTitle, "Cannot Undo Remove SysEx"},
    {sysExNoUndo, "You cannot undo removal of the selected system exclusive messages.  Are you sure you want to "
                  "continue?"},
    {sysExNameTip, "Descriptive name for the message\nMsg Name"},
    {sysExTimeTip, "Time where the message occurs\nMsg time"},
    {sysExDataTip, "Raw bytes of system exclusive data (hex format)\nMsg data"},
    {sysExFileFilter, "SysEx binaries (*.syx)|*.syx|All Files (*.*)|*.*||"},
    {sysExReadErrorTitle, "Sysex File Read Error"},
    {sysExReadError, "There was an unexpected error while reading sysex binary.\nError code: %d"},
    {sysExWriteErrorTitle, "Sysex File Write Error"},
    {sysExWriteError, "There was an unexpected error while saving sysex binary.\nError code: %d"},
    {showAll, "Show All\tCtrl+K"},
    {hideAll, "Hide All\tCtrl+K"},
    {waveOpenError, "Error opening file %s."},
    {waveChosenNotPcm, "Wave files must be in standard PCM format."},
    {waveNotPcm, "Wave file %s is not in standard PCM format."},
    {undoStart, "< Start >"},
    {clearUndoTitle, "Clear Undo History"},
    {clearUndo, "This operation clears the undo stack and cannot be undone.  Do you want to proceed?"},
    {autosaving, "Autosaving Modified Documents..."},
    {frameClass, "Quavix 6"},
    {advancedTip, "Toggle advanced settings"},
    {gotoAdvancedOff, "&Advanced >>"},
    {gotoAdvancedOn, "&Advanced <<"},
    {gotoPastEnd, "The location you specified is past the end of this file.  Relocating to the end."},
    {badPlayRegion, "You have specified an invalid play region.  Be sure the start and stop times are not the same or there will be no playback."},
    {badRecordRegion, "You have specified an invalid record region.  Be sure the start and stop times are not the same or there will be no recording."},
    {partLabelMissing, "You must provide a label for the part."},
    {partLabelSeparator, "A part label cannot contain \\ or /.  Please enter a different label."},
    {addStaffTooMany, "A document can hold no more than %d staves, and this one has %d.  Please add fewer staves."},
    {removeStavesNoUndoTitle, "Cannot Undo Remove Staff"},
    {removeStavesNoUndo, "You cannot undo removal of staves.  Are you sure you want to continue?"},
    {addMeasuresPastEnd, "There are only %d measures in this document.  Would you like to add the measures at the end "
                         "of the document?"},
    {removeMeasuresNoUndoTitle, "Cannot Undo Remove Measures"},
    {removeMeasuresNoUndo, "You cannot undo removal of measures.  Are you sure you want to continue?"},
    {removeMeasuresAll, "The document must have at least one measure."},
    {goToBeginTip, "Go to the start of the piece\nStart of piece"},
    {goToEndTip, "Go to the end of the piece\nEnd of piece"},
    {recordBeginTip, "Record from the start of the piece\nStart of piece"},
    {recordEndTip, "Record to the end of the piece\nEnd of piece"},
    {playBeginTip, "Play from the start of the piece\nStart of piece"},
    {playEndTip, "Play to the end of the piece\nEnd of piece"},
    {removeFromFirstTip, "Remove from the first measure\nFirst measure"},
    {removeToLastTip, "Remove to the last measure\nLast measure"},
    {selectFromStartTip, "Select from the start of the piece\nStart of piece"},
    {selectToEndTip, "Select to the end of the piece\nEnd of piece"},
};

// The texts, then each command's prompt under its id, where the command actions look.
std::vector<plat::Resources::Entry> allStrings()
{
    std::vector<plat::Resources::Entry> all(std::begin(kStrings), std::end(kStrings));
    for (const AppCommandTable::Command& command : AppCommandTable::Commands())
        all.emplace_back(command.id, command.prompt);
    return all;
}

const plat::Resources::Registration registration(module, allStrings());

}  // namespace

std::string text(uint32_t id)
{
    return plat::Resources::string(id);
}

}  // namespace AppStrings
