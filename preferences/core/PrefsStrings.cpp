// The string table of the Preferences library: the sheets' titles, the pages' messages and the
// status prompts and tips of the controls (each under the control's id: the prompt, a newline,
// the tip).

#include "preferences/core/PrefsModule.h"

#include "platform/core/Resources.h"

namespace {

constexpr plat::Resources::Entry kStrings[] = {
    {8192, "Preferences"},
    {8220, "General Preferences"},
    {8221, "Sequencer Preferences"},
    {8222, "Device Preferences"},
    {8223, "Notation Preferences"},
    {8290, "<None>"},
    {8291, "This action reactivates display of all warning dialogs and cannot be undone.  Are you sure you want to do "
           "this?"},
    {8325, "Change Device"},
    {8326, "You will have to reload any documents you have open before your new device setting takes effect."},
    {8580, "Unable to set requested WAV output format."},
    {8581, "Unable to set requested WAV input format."},
    {8582, "You will have to reload any documents you have open before your new WAV track count takes effect."},

    // General page.
    {8249, "Open a new document from a template when Quavix starts\nNew document at start-up"},
    {8250, "The template the new document is made from\nTemplate"},
    {8251, "The views in which a document opens\nViews"},
    {8253, "Keep the play position in view while the music plays\nFollow music"},
    {8254, "Sound each note as you enter it\nPlay notes"},
    {8255, "How many changes Undo can take back, 0 to 1000\nUndo levels"},
    // Save page.
    {8261, "Keep the previous version of a file when saving it\nBackup copy"},
    {8262, "Save the open documents every few minutes\nAutomatic save"},
    {8263, "Minutes between automatic saves\nMinutes"},
    {8264, "Save documents that were never saved as well\nNew documents"},
    {8265, "Ask before a document is saved in another format\nPrompt"},
    {8266, "MIDI files keep tracks muted or soloed as they play\nObey mute and solo"},
    {8267, "MIDI files keep the accents and dynamics as they play\nObey filters"},
    {8268, "MIDI files play the repeats out\nObey repeats"},
    // Workspace page.
    {8281, "The picture behind the document windows\nBackground"},
    {8283, "The colour of selected music\nSelection colour"},
    {8284, "The colour of notes as they play\nHighlight colour"},
    {8285, "Roll the music palette up when the pointer leaves it\nShrink palette"},
    {8286, "Roll the inspector up when the pointer leaves it\nShrink inspector"},
    {8287, "Hide the inspector while inserting music\nHide inspector"},
    {8288, "Show again every warning you chose not to see\nReset Warnings"},
    // MIDI Out page.
    {8305, "The kinds of MIDI data that are played\nPlay filter"},
    {8306, "Send fewer controller messages where they change slowly\nThin controllers"},
    {8307, "Send fewer pitch bend messages where they change slowly\nThin pitch bend"},
    {8308, "Send fewer aftertouch messages where they change slowly\nThin aftertouch"},
    {8309, "Silence the tracks that hold no notes\nMute empty tracks"},
    {8310, "Play every track on the default device\nDefault device"},
    {8320, "The MIDI output that plays music by default\nOutput device"},
    {8321, "Show the device's name and its instrument definitions\nDevice properties"},
    {8555, "Play a test note on the selected device\nTest"},
    // MIDI In page and input routing.
    {8401, "The kinds of MIDI data that are recorded\nRecord filter"},
    {8402, "Choose how recorded notes move to the grid\nQuantization"},
    {8404, "Choose how the notes coming in are given to the tracks\nInput routing"},
    {8406, "The MIDI input recorded from\nInput device"},
    {8701, "Take the device each note comes from into account\nUse device"},
    {8702, "The note at which the keyboard is split\nSplit point"},
    {8715, "The lowest channel of the guitar's strings\nLow channel"},
    // MIDI Thru page.
    {8556, "The MIDI output that plays what comes in\nThru device"},
    {8557, "The channel what comes in is played on\nThru channel"},
    {8558, "Play what comes in as the record track is set up\nFollow record track"},
    {8559, "Play what comes in as the selected track is set up\nFollow selected track"},
    // Metronome page.
    {8520, "Click while the music plays\nClick while playing"},
    {8521, "Click while recording\nClick while recording"},
    {8522, "Beep through the sound output\nComputer speaker"},
    {8523, "Click with MIDI notes on a device\nMIDI notes"},
    {8530, "The note of the first beat of a bar\nPrimary note"},
    {8531, "How hard the first beat is struck, 1 to 127\nPrimary velocity"},
    {8532, "The note of the other beats\nSecondary note"},
    {8533, "How hard the other beats are struck, 1 to 127\nSecondary velocity"},
    {8535, "The MIDI output the clicks play on\nMetronome device"},
    {8536, "The channel the clicks play on, 1 to 16\nMetronome channel"},
    {8537, "Play the click of the first beat\nTest primary"},
    {8538, "Play the click of the other beats\nTest secondary"},
    // Sync page.
    {8552, "Pulses per quarter note of times shown and MIDI files written, 10 to 1000\nResolution"},
    {8601, "Neither send nor follow a MIDI clock\nNo sync"},
    {8602, "Send MIDI clock and transport messages\nMaster"},
    {8603, "Follow the MIDI clock that comes in\nSlave"},
    {8604, "Keep the delay between playing and hearing short\nShort response"},
    {8605, "Prepare more music ahead for steadier playback\nLonger response"},
    // WAV Audio page.
    {8571, "Play a test sound on the selected output\nTest"},
    {8572, "The sound output that plays audio tracks\nOutput device"},
    {8573, "The format of the sound played\nOutput format"},
    {8575, "The sound input recorded from\nInput device"},
    {8576, "The format of the sound recorded\nInput format"},
    {8577, "Record in the format that is played\nMatch formats"},
    {8578, "How many audio tracks can play at once, 1 to 256\nTrack count"},
    {8579, "Let Quavix choose the number of audio tracks\nAutomatic"},
    // Device wizard.
    {8808, "Go back to the previous step\nBack"},
    {8809, "Go on to the next step\nNext"},
    {8822, "The MIDI output that plays music\nPlayback device"},
    {8823, "Play a test note on the selected device\nTest"},
    {8824, "Show the device's name and its instrument definitions\nDevice properties"},
    {8832, "Play nothing of what comes in\nNo thru"},
    {8833, "Play what comes in as the selected or record track is set up\nAutomatic thru"},
    {8834, "Play what comes in on the device and channel below\nManual thru"},
    {8836, "Play a test note on the selected device\nTest"},
    {8837, "The MIDI output that plays what comes in\nThru device"},
    {8838, "The channel what comes in is played on\nThru channel"},
    {8872, "Play a test sound on the selected output\nTest"},
    {8873, "The sound output that plays audio tracks\nOutput device"},
    {8874, "The format of the sound played\nOutput format"},
};

const plat::Resources::Registration registration(PrefsModule::kName, kStrings);

}  // namespace
