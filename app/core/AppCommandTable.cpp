#include "app/core/AppCommandTable.h"

#include "app/core/AppCommandIds.h"

#include <algorithm>

namespace AppCommandTable {

namespace {

using namespace AppCommandIds;

constexpr Command item(uint32_t id, const char* text, const char* prompt, const char* keys = "")
{
    Command c;
    c.id = id;
    c.text = text;
    c.prompt = prompt;
    c.keys = keys;
    return c;
}

constexpr Command checked(Command c)
{
    c.checkable = true;
    return c;
}

constexpr Command radio(Command c)
{
    c.checkable = true;
    c.radio = true;
    return c;
}

constexpr Command picture(Command c, const char* prefix)
{
    c.picture = prefix;
    return c;
}

constexpr Command hotKey(Command c, char key, bool repeats = false)
{
    c.hotKey = key;
    c.hotKeyRepeats = repeats;
    return c;
}

// A toolbar button that stands for a menu's command.
constexpr Command button(uint32_t id, const char* text, const char* prompt, const char* prefix, uint32_t menuCommand)
{
    Command c = checked(picture(item(id, text, prompt), prefix));
    c.reach = Reach::button;
    c.standsFor = menuCommand;
    return c;
}

constexpr Command keyOnly(Command c)
{
    c.reach = Reach::key;
    return c;
}

constexpr Command sentBy(Command c, uint32_t sender)
{
    c.reach = Reach::sent;
    c.standsFor = sender;
    return c;
}

// In the order of the menus.
constexpr Command kCommands[] = {
    // File
    picture(item(FileNew, "&New", "Create a new document from a template\nNew", "Ctrl+N"), "NEW"),
    picture(item(FileOpen, "&Open...", "Open an existing document or MIDI file\nOpen", "Ctrl+O"), "OPEN"),
    item(FileClose, "&Close", "Close the active document\nClose", "Ctrl+W"),
    picture(item(FileSave, "&Save", "Save the active document\nSave", "Ctrl+S"), "SAVE"),
    item(FileSaveAs, "Save &As...", "Save the active document under a new name or format\nSave As", "Ctrl+Shift+S"),
    item(SaveAsTemplate, "Save as &Template...", "Save the active document as a template for new documents\nSave as Template"),
    picture(item(FilePrint, "&Print...", "Print the active view\nPrint", "Ctrl+P"), "PRINT"),
    item(FilePrintSetup, "P&rint Setup...", "Choose the printer, the paper and its orientation\nPrint Setup"),
    item(Exit, "E&xit", "Quit Quavix; changed documents are saved first if you wish\nExit", "Ctrl+Q"),

    // Edit
    item(EditUndo, "&Undo", "Undo the last change\nUndo", "Ctrl+Z"),
    item(EditRedo, "&Redo", "Redo the change last undone\nRedo", "Ctrl+Y; Ctrl+Shift+Z"),
    item(EditCut, "Cu&t", "Move the selection to the clipboard\nCut", "Ctrl+X"),
    item(EditCopy, "&Copy", "Copy the selection to the clipboard\nCopy", "Ctrl+C"),
    item(EditPaste, "&Paste", "Insert the clipboard's music\nPaste", "Ctrl+V"),
    item(EditClear, "&Delete", "Delete the selection\nDelete", "Del"),
    item(SelectEvents, "&Select Events...", "Select the events of a time span, staves and kinds\nSelect Events"),
    item(ClearSelection, "Clear Selectio&n", "Select nothing\nClear Selection"),
    item(MouseSelectOptions, "&Mouse Select Options...", "Choose what a selection with the mouse takes\nMouse Select Options"),
    item(UndoHistory, "Undo &History...", "Undo or redo several changes at once, or clear the undo history\nUndo History"),
    item(Properties, "Propert&ies", "Show the inspector with the selection's properties\nProperties", "Alt+Return"),

    // Music
    item(AddStaff, "Add &Staff...", "Add staves to the score\nAdd Staff"),
    item(RemoveStaves, "&Remove Staves...", "Remove staves from the score\nRemove Staves"),
    item(AddMeasures, "Add &Measures...", "Add measures to the score\nAdd Measures"),
    item(RemoveMeasures, "R&emove Measures...", "Remove measures from the score\nRemove Measures"),
    hotKey(item(SystemExclusive, "System E&xclusive...", "List, send and edit the system exclusive messages\nSystem Exclusive"), 'X'),
    item(ChannelMode, "&Channel Mode...", "List and edit the channel mode messages\nChannel Mode"),

    // Transport
    hotKey(picture(item(Play, "&Play", "Play from the current position\nPlay"), "PLAY"), 'P'),
    hotKey(picture(item(Stop, "&Stop", "Stop playing or recording\nStop"), "STOP"), 'S'),
    picture(item(Pause, "P&ause", "Pause, or go on after a pause\nPause"), "PAUSE"),
    hotKey(picture(item(Record, "&Record", "Record from the current position\nRecord"), "RECORD"), 'R'),
    checked(hotKey(picture(item(Step, "S&tep", "Step through the piece, or record one step at a time\nStep"), "STEP"), 'T', true)),
    hotKey(picture(item(Rewind, "Re&wind", "Wind back through the piece\nRewind"), "REWIND"), 'W'),
    hotKey(picture(item(FastForward, "&Fast Forward", "Wind on through the piece\nFast Forward"), "FORWARD"), 'F'),
    picture(item(PreviousMarker, "Pre&vious Marker", "Go to the previous marker\nPrevious Marker"), "PREVIOUS"),
    picture(item(NextMarker, "&Next Marker", "Go to the next marker\nNext Marker"), "NEXT"),
    hotKey(item(GoTo, "&Go To...", "Go to a time, a marker or a place in the piece\nGo To"), 'G'),
    checked(hotKey(picture(item(PerformanceOptions, "Performance &Options...",
                                "Set the loop, the play and record regions and how to record; marked while the "
                                "loop is on\nPerformance Options"),
                           "LOOP"),
                   'O')),

    // Tools
    radio(item(SelectMode, "&Select Mode", "Clicks in the music select\nSelect Mode")),
    radio(item(InsertMode, "&Insert Mode", "Clicks in the music insert the palette's choice\nInsert Mode")),
    checked(item(HotKeySwitch, "&Hot Keys", "Single keys drive the transport: P plays, S stops, R records, space plays or stops\nHot Keys")),
    item(MidiPanic, "MIDI P&anic", "Silence every MIDI output at once\nMIDI Panic"),
    item(DeviceWizard, "&Device Wizard...", "Choose the devices that play and record your music, step by step\nDevice Wizard"),

    // Window
    checked(item(FileToolbar, "&File", "Show or hide the File toolbar\nFile Toolbar")),
    checked(item(MusicEditToolbar, "&Music Edit", "Show or hide the Music Edit toolbar\nMusic Edit Toolbar")),
    checked(item(TransportToolbar, "&Transport", "Show or hide the Transport toolbar\nTransport Toolbar")),
    checked(item(TimeToolbar, "T&ime", "Show or hide the Time toolbar\nTime Toolbar")),
    item(HideAllToolbars, "&Hide All", "Hide every toolbar, or show them all again\nHide or Show All", "Ctrl+K"),
    checked(item(MusicPalette, "Music &Palette", "Show or hide the music palette\nMusic Palette")),
    checked(item(Mixer, "Mi&xer", "Show or hide the mixer\nMixer")),
    checked(item(Inspector, "I&nspector", "Show or hide the inspector\nInspector")),
    item(CloseWindow, "&Close Window", "Close the active document window\nClose Window"),
    item(CloseAllWindows, "Close &All Windows", "Close every document window\nClose All Windows"),

    // Help
    item(HelpTopics, "Help T&opics", "Say where help on Quavix is found\nHelp Topics"),
    item(ContextHelp, "&Context Help", "Say where help on Quavix is found\nContext Help", "Shift+F1"),
    keyOnly(item(Help, "Help", "Show what the window with the focus is for\nHelp", "F1")),
    sentBy(item(DefaultHelp, "Help", "Say where help on Quavix is found\nHelp"), Help),
    item(TipOfTheDay, "&Tip of the Day...", "Show a tip on working with Quavix\nTip of the Day"),
    item(WebHome, "Quavix &Home Page", "Open the Quavix home page in your web browser\nHome Page"),
    item(WebNews, "Quavix &News", "Open the Quavix news in your web browser\nNews"),
    item(WebSupport, "Technical &Support", "Open the technical support pages in your web browser\nSupport"),
    item(WebFree, "&Free Downloads", "Open the free downloads in your web browser\nFree Downloads"),
    item(About, "&About Quavix...", "Show the program's version and credits\nAbout"),

    // The Music Edit toolbar's buttons.
    button(SelectModeButton, "Select Mode", "Clicks in the music select\nSelect Mode", "MODESELECT", SelectMode),
    button(InsertModeButton, "Insert Mode", "Clicks in the music insert the palette's choice\nInsert Mode", "MODEEDIT",
           InsertMode),
    button(HotKeySwitchButton, "Hot Keys", "Single keys drive the transport\nHot Keys", "MODEHOTKEY", HotKeySwitch),
    button(PaletteButton, "Music Palette", "Show or hide the music palette\nMusic Palette", "TOOLMUSIC", MusicPalette),
    button(MixerButton, "Mixer", "Show or hide the mixer\nMixer", "TOOLMIXER", Mixer),
    button(InspectorButton, "Inspector", "Show or hide the inspector\nInspector", "TOOLPROPERTIES", Inspector),

    keyOnly(item(ContextMenu, "Context Menu", "Open the context menu of the window with the focus\nContext Menu",
                 "Shift+F10")),
};

}  // namespace

std::span<const Command> Commands()
{
    return kCommands;
}

const Command* Find(uint32_t id)
{
    const auto found = std::find_if(std::begin(kCommands), std::end(kCommands), [id](const Command& c) { return c.id == id; });
    return found == std::end(kCommands) ? nullptr : &*found;
}

const char* Text(uint32_t id)
{
    const Command* c = Find(id);
    return c ? c->text : "";
}

}  // namespace AppCommandTable
