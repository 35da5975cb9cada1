#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <QRect>

#include <cstdint>
#include <string>
#include <vector>

namespace plat::ui {
class DrawContext;
class Window;
}  // namespace plat::ui

namespace rack {

inline constexpr int kDeckHeight = 66;

// The transport strip of every deck and the command ids of its slots, left to right.
inline constexpr uint32_t kStripId = 48;
inline constexpr uint32_t kSlotPrevious = 53;
inline constexpr uint32_t kSlotScanBack = 51;
inline constexpr uint32_t kSlotStop = 50;
inline constexpr uint32_t kSlotPause = 49;
inline constexpr uint32_t kSlotPlay = 48;
inline constexpr uint32_t kSlotScanForward = 52;
inline constexpr uint32_t kSlotNext = 54;

// Commands every deck answers besides the strip's.
inline constexpr uint32_t kDeckCmdPlaylist = 8;
inline constexpr uint32_t kDeckCmdClose = 9;
inline constexpr uint32_t kDeckCmdSave = 10;
inline constexpr uint32_t kDeckCmdEnded = 161;

// Where the decks show what they hold.
inline constexpr QRect kDeckNameField(78, 12, 265, 14);
inline constexpr int kDeckNameWidth = 215;
inline constexpr int kDeckLengthLeft = 302;
inline constexpr int kDeckIndexLeft = 475;
inline constexpr int kDeckTimeLeft = 520;
inline constexpr int kDeckDigitsTop = 20;

// What the three decks share: their controls and how they show idle or busy, a held scan and
// the skip keys, the loop button, dropped files, and the background and name field.
class RACKCORE_API DeckControls {
public:
    // The transport strip (id 48 at 71,34), its slots taking 53, 51, 50, 49, 48, 52, 54 and
    // repeating while 51 to 54 are held.
    static plat::ui::Window* createStrip(plat::ui::Window* deck);
    // A plinthui button of the look at rect; a tool tip string id when toolTip is not 0.
    static plat::ui::Window* createButton(plat::ui::Window* deck, const char* look, uint32_t id, const QRect& rect,
                                          int toolTip = 0);
    // The deck's child of that id, or null.
    static plat::ui::Window* child(plat::ui::Window* deck, uint32_t id);

    static void enableSlot(plat::ui::Window* deck, uint32_t slot, bool enabled);
    // value: kLatchOn, kLatchOff or kLatchToggle.
    static void latchSlot(plat::ui::Window* deck, uint32_t slot, uintptr_t value);
    static void blinkSlot(plat::ui::Window* deck, uint32_t slot, bool blinking);
    static void enableButton(plat::ui::Window* deck, uint32_t id, bool enabled);
    static void latchButton(plat::ui::Window* deck, uint32_t id, uintptr_t value);

    // Invalidates and updates the deck at once; nothing when it is gone.
    static void repaint(plat::ui::Window* deck);
    // Starts the deck's timer, which then runs.
    static void startTimer(plat::ui::Window* deck, uintptr_t timer, uint32_t ms, bool& running);
    // Kills the deck's timer when it runs.
    static void stopTimer(plat::ui::Window* deck, uintptr_t timer, bool& running);

    // Repaints the deck and, when its state is idle, shows the controls of an idle deck (play
    // on, pause and stop off, scan and skip while it holds something (any) and enableSkip, the
    // playlist button on and latched while it holds something) and frees the deck's File items
    // (deckId kDeckWave, kDeckMidi or kDeckCd). False when the deck is gone or busy.
    static bool showLoaded(plat::ui::Window* deck, int deckState, bool any, bool enableSkip, int deckId);
    // The controls of a busy deck: play off, pause and stop on, scan and skip as canSkip, the
    // playlist button off; the deck's File items greyed.
    static void showBusy(plat::ui::Window* deck, bool canSkip, int deckId);
    // Play paused or going on: the pause slot latched and the skip keys off while paused.
    static void showPaused(plat::ui::Window* deck, bool paused);

    // One repeat of a held scan key (command kSlotScanBack or kSlotScanForward): tenths moves
    // by the speed times a second, within 0 and length, and shows on the time display; the
    // speed rises by one after every 16 repeats.
    static void scanRepeat(plat::ui::Window* deck, uint32_t command, int& speed, int& steps, int32_t& tenths,
                           int32_t length);
    // The index a skip key (kSlotNext or kSlotPrevious) leads to among count: next wraps to the
    // first; previous goes back, wrapping, within the first second (tenths) and otherwise stays
    // to start the same one again.
    static int skipIndex(uint32_t command, int index, int count, int32_t tenths);

    // The loop button of the command id, latched as loop stands.
    static void createLoopButton(plat::ui::Window* deck, uint32_t command, bool loop);
    // Passes a loop button's command to the frame, which flips the loop, and latches the
    // button as loop then stands.
    static void toggleLoop(plat::ui::Window* deck, uint32_t command, const bool& loop);

    // Files dropped on a deck: those of ownType loaded by load; the first of otherType goes to
    // the other deck by take and ends the drop. Says when none or only some could be loaded.
    struct Dropped {
        int loaded = 0;
        // The index load gave the last file it loaded, -1 when none.
        int last = -1;
    };
    static Dropped loadDropped(plat::ui::Window* deck, const std::vector<std::string>& files, int ownType,
                               int (*load)(plat::ui::Window*, const char*), int otherType,
                               bool (*take)(const std::string&));

    // The deck's background part, on the artwork's palette.
    static void paintBackground(plat::ui::DrawContext& dc, plat::ui::Window* deck, int part);

    // The name field: black, the name's file-name part upper-cased and fitted in yellow,
    // and the length in tenths as MM:SS beside it. An empty name leaves the field black.
    static void paintName(plat::ui::DrawContext& dc, const std::string& name, int32_t lengthTenths);
};

}  // namespace rack
