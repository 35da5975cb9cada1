#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <array>
#include <cstdint>
#include <string>

namespace plat::ui {
class Window;
}

namespace rack {

// Deck states the frame reads.
inline constexpr int kDeckIdle = 0;
inline constexpr int kDeckRecording = 40;
inline constexpr int kDeckPlaying = 48;

// Ids of the decks: their Options commands.
inline constexpr int kDeckWave = 114;
inline constexpr int kDeckMidi = 115;
inline constexpr int kDeckCd = 116;

// The state of the whole program, shared by the frame and the decks. Everything runs on the
// interface thread.
struct RACKCORE_API RackState {
    plat::ui::Window* frame = nullptr;
    plat::ui::Window* mixer = nullptr;
    plat::ui::Window* waveDeck = nullptr;
    plat::ui::Window* midiDeck = nullptr;
    plat::ui::Window* cdDeck = nullptr;

    bool secondCopy = false;
    bool autoPlay = false;
    std::string closeText;
    std::string exitCommand;
    // A file named on the command line, as an atom, opened once the frame exists.
    uint16_t pendingAtom = 0;

    bool showToolbar = true;
    bool showMixer = true;
    bool showWave = true;
    bool showMidi = true;
    bool showCd = true;
    bool hasWave = true;
    bool hasMidi = true;
    bool hasCd = true;
    bool waveLoop = true;
    bool midiLoop = true;
    bool cdLoop = true;
    bool onTop = false;
    bool cdStopsAtExit = true;
    bool cdCloseProtocol = true;
    bool midiFeedthru = false;
    int midiInputDevice = 0;
    int midiOutputDevice = -1;
    int mixerHeight = 105;
    int mixerTop = 0;
    int waveTop = 0;
    int midiTop = 0;
    int cdTop = 0;
    // Wave, MIDI, CD: 0 while the deck is busy (its File items greyed).
    std::array<bool, 3> deckMenuEnabled = {true, true, true};

    int waveState = kDeckIdle;
    int midiState = kDeckIdle;
    int cdState = kDeckIdle;
    int currentWave = 0;
    int waveCount = 0;
    int currentMidi = 0;
    int midiCount = 0;

    // Back to the state of a program that has not started.
    void reset() { *this = RackState(); }
};

// The one state of the program.
RACKCORE_API RackState& rackState();

}  // namespace rack
