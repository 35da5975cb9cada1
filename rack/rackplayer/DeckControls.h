#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <QRect>

#include <cstdint>
#include <string>

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

// What the three decks share: their controls, the stepping of a held scan, and the name
// field.
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

    // One repeat of a held scan key: the step in tenths (the speed times a second), the
    // speed rising by one after every 16 steps.
    static int32_t scanStep(int& speed, int& steps);

    // The name field: black, the name's file-name part upper-cased and fitted in yellow,
    // and the length in tenths as MM:SS beside it. An empty name leaves the field black.
    static void paintName(plat::ui::DrawContext& dc, const std::string& name, int32_t lengthTenths);
};

}  // namespace rack
