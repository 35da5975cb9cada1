#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <QPoint>

#include <array>
#include <cstdint>
#include <string>

namespace plat::ui {
class Window;
}

// The MIDI deck: plays the rack's MIDI files one after the other through plinthtune, with a
// tempo dragged by the mouse and a meter of the sixteen channels.
namespace rack {

inline constexpr uint32_t kMidiCmdLoop = 134;
inline constexpr uintptr_t kMidiDeckTimer = 1;
inline constexpr uint32_t kMidiDeckTimerMs = 100;
inline constexpr int kTempoNormal = 15;

// The rate plinthtune is given at each tempo position, in thousandths of the normal speed.
inline constexpr std::array<int, 31> kMidiRateTable = {
    2000, 1916, 1833, 1750, 1666, 1583, 1500, 1416, 1333, 1250, 1166, 1083, 1000, 1000, 1000, 1000,
    1000, 1000, 1000, 958,  916,  875,  833,  791,  750,  708,  666,  625,  583,  541,  500};

enum class MidiMouseMode { none, tempoDrag, tempoHelp };

struct RACKCORE_API MidiDeckState {
    bool paused = false;
    bool scanning = false;
    int scanSpeed = 1;
    int scanSteps = 0;
    // While playing, the position last painted.
    int32_t positionTenths = 0;
    int tempoPosition = kTempoNormal;
    MidiMouseMode mouseMode = MidiMouseMode::none;
    QPoint cursorPosition;
    int lastY = 0;
    bool timerRunning = false;
    bool meterOn = true;
    bool meterBusy = false;
    bool timeBusy = false;
};

RACKCORE_API MidiDeckState& midiDeckState();

RACKCORE_API intptr_t Win_MidiDeck(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                   intptr_t lParam);

// Repaints the index, the time with the meter and the name.
RACKCORE_API void midi_Repaint(plat::ui::Window* deck);
RACKCORE_API void midi_ShowLoaded(plat::ui::Window* deck = nullptr, bool enableSkip = true);
// Stops playing; not for good, the next file plays.
RACKCORE_API void midi_Stop(plat::ui::Window* deck, bool forGood);
// Loads a MIDI file dropped on another deck and, when idle, makes it the current one; false
// when it could not be loaded.
RACKCORE_API bool midi_TakeFile(const std::string& path);

}  // namespace rack
