#include "rack/plinthui/PlinthUiStrings.h"

#include "platform/core/Resources.h"

namespace rack {

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {1, "Hides or shows the mixer"},
    {2, "Hides or shows the wave player-recorder"},
    {3, "Hides or shows the MIDI player"},
    {4, "Hides or shows the CD player"},
    {10, "Launches Tessolo Help"},
    {20, "Plays the current selection"},
    {21, "Plays the current selection in a repeating loop"},
    {22, "Records a wave file"},
    {23, "Toggles pause"},
    {24, "Stops ongoing play or record"},
    {25, "Scans forward through the current track"},
    {26, "Scans backwards through the current track"},
    {27, "Skips to the next track"},
    {28, "Skips to the previous track"},
    {31, "Edit MIDI file list"},
    {32, "Adds MIDI files to the list"},
    {33, "Removes the selected MIDI file from the list"},
    {34, "Clears the MIDI file list"},
    {35, "Moves the selected MIDI file up the list"},
    {36, "Moves the selected MIDI file down the list"},
    {37, "Plays the selected MIDI file"},
    {40, "Edit CD Playlist"},
    {41, "Adds the selected track to the play list"},
    {42, "Removes the selected track from the play list"},
    {43, "Clears the play list"},
    {44, "Moves the selected track up the play list"},
    {45, "Moves the selected track down the play list"},
    {46, "Renames the selected track"},
    {47, "Eject"},
    {48, "Toggles Continuous Play"},
    {49, "Toggles shuffled play"},
    {50, "Cuts the selection to the clipboard"},
    {51, "Copies the selection to the clipboard"},
    {52, "Pastes the clipboard at the cursor"},
    {53, "Deletes the selection"},
    {54, "Selects the whole wave"},
    {55, "Trims the wave to the selection"},
    {56, "Inserts silence at the cursor"},
    {57, "Fades the selection in"},
    {58, "Fades the selection out"},
    {59, "Raises the selection to full level"},
    {60, "Zooms in on the waveform"},
    {61, "Zooms out of the waveform"},
    {62, "Shows the whole waveform"},
    {63, "Reverses the selection"},
    {64, "Amplifies the selection"},
    {65, "Mixes the clipboard into the selection"},
    {66, "Converts the wave to another format"},
    {67, "Opens a play list"},
    {68, "Saves the play list"},
    {69, "Adds files to the play list"},
    {70, "Removes the selected file from the play list"},
    {71, "Hides or shows the level meters"},
    {72, "Hides or shows the play list"},
    {73, "Sets every mixer level back to its start"},
    {74, "Mutes or restores the master output"},
    {75, "Hides the rack"},
    {76, "Waveform overview and view control window"},
    {77, "Composition overview and view control window"},
    {78, "Sets a marker at the cursor"},
    {79, "Removes the marker at the cursor"},
    {80, "Moves the cursor to the previous marker"},
    {81, "Moves the cursor to the next marker"},
    {82, "Wave volume: mutes or restores the wave player"},
    {83, "MIDI volume: mutes or restores the MIDI player"},
    {84, "CD volume: mutes or restores the CD player"},
    {85, "Microphone: mutes or restores the microphone input"},
    {86, "Line in: mutes or restores the line input"},
    {87, "Master volume: mutes or restores the output"},
    {88, "Balance: centres the stereo balance"},
    {89, "Mutes or restores every source"},
    {90, "Increases or decreases MIDI tempo"},
    {91, "Set Wave Record Options"},
    {92, "Edit wave file list"},
    {93, "Opens the wave editor"},
    {94, "Opens the MIDI editor"},
    {95, "Shows the rack's help contents"},
};

const plat::Resources::Registration kRegistration(kPlinthUiModule, kStrings);

}  // namespace

std::string plinthUiString(uint32_t id)
{
    const plat::Resources::ModuleSwitch table(kPlinthUiModule);
    return plat::Resources::string(id);
}

}  // namespace rack
