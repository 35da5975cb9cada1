#pragma once

#include <cstdint>
#include <string>

// The texts of the program, registered with plat::Resources as the program's module.
namespace AppStrings {
inline constexpr const char* module = "Quavix";

enum : uint32_t {
    exceptionReport = 150,     // "%s": the report file
    urlFileMissing = 151,
    waveMissing = 152,  // "%s" the wave file, "%d" its track
    browserMissing = 153,  // "%s": the web address
    noHelpFile = 154,
    splashVersion = 201,
    loadingResources = 203,
    loadingApplication = 204,
    loadingComponents = 205,
    loadingPlugins = 206,
    oneMoment = 207,
    filterAllMusic = 355,  // filter entries: description and pattern, each ended by a newline
    filterNative = 356,
    filterMidi = 357,
    filterAll = 358,
    templateExists = 386,       // "%s": the name
    templateNameInvalid = 387,
    fileBar = 656,  // the toolbars' captions, under the ids of their panels
    transportBar = 768,
    musicEditBar = 896,
    timeBar = 1024,
    credits = 210,
    sysExListTip = 805,
    sysExSendTip = 806,
    sysExNoUndoTitle = 815,
    sysExNoUndo = 816,
    sysExNameTip = 821,
    sysExTimeTip = 822,
    sysExDataTip = 824,
    sysExFileFilter = 835,
    sysExReadErrorTitle = 836,
    sysExReadError = 837,       // "%d": the system error code
    sysExWriteErrorTitle = 838,
    sysExWriteError = 839,      // "%d": the system error code
    showAll = 920,
    hideAll = 921,
    waveOpenError = 1435,    // "%s"
    waveChosenNotPcm = 1436,
    waveNotPcm = 1437,       // "%s"
    undoStart = 1455,
    clearUndoTitle = 1456,
    clearUndo = 1457,
    autosaving = 11580,
    frameClass = 57344,
    advancedTip = 160,  // the tip of the dialogs' advanced button, whose item id it is
    gotoAdvancedOff = 161,
    gotoAdvancedOn = 162,
    gotoPastEnd = 1085,
    badPlayRegion = 1165,
    badRecordRegion = 1166,
    partLabelMissing = 1280,
    partLabelSeparator = 1281,
    addStaffTooMany = 1282,  // "%d": the most staves a document holds, "%d": the staves it has
    removeStavesNoUndoTitle = 1296,
    removeStavesNoUndo = 1297,
    addMeasuresPastEnd = 1410,  // "%d": the number of measures
    removeMeasuresNoUndoTitle = 1430,
    removeMeasuresNoUndo = 1431,
    removeMeasuresAll = 1432,
    // The tips of the buttons beside times that set them to the start or the end of the
    // piece, under the buttons' item ids in Go To, Performance Options, Remove Measures and
    // Select Events.
    goToBeginTip = 1058,
    goToEndTip = 1060,
    recordBeginTip = 1144,
    recordEndTip = 1145,
    playBeginTip = 1148,
    playEndTip = 1149,
    removeFromFirstTip = 1424,
    removeToLastTip = 1425,
    selectFromStartTip = 1489,
    selectToEndTip = 1492,
};

std::string text(uint32_t id);
}  // namespace AppStrings
