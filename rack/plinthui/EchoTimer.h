#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace plat::ui {
class Window;
}

namespace rack {

// The 75 ms timer shared by every control that needs time: blinking buttons, held
// auto-repeat buttons and pressed scroll controls each count as a user; the first user
// starts the timer, the last one stops it. Up to 20 buttons (or strip slots) blink at once;
// every fifth tick flips them between their up and latched faces.
class PLINTHUI_API EchoTimer {
public:
    static constexpr size_t kBlinkEntries = 20;
    static constexpr int kTicksPerPhase = 5;

    struct Entry {
        plat::ui::Window* window = nullptr;
        int slot = -1;  // -1 for a plain button
    };

    // Adds (+1) or removes (-1) a user.
    void use(int delta);
    int users() const { return m_users; }
    bool running() const { return m_timer != 0; }

    // Enters a button or slot into the blink table (once, and not beyond 20 entries); false
    // when it was not added.
    bool startBlinking(plat::ui::Window* window, int slot);
    // Takes it out again; false when it was not there.
    bool stopBlinking(plat::ui::Window* window, int slot);
    // Takes every entry of a window out (a window that ends).
    void forget(const plat::ui::Window* window);
    bool isBlinking(const plat::ui::Window* window, int slot) const;
    // Whether blinking buttons show their latched face now.
    bool latchedPhase() const { return m_phase; }

    // Empties the table and stops the timer.
    void reset();
    void tick();

private:
    std::array<Entry, kBlinkEntries> m_entries{};
    int m_users = 0;
    uint32_t m_timer = 0;
    int m_ticks = 0;
    bool m_phase = false;
};

}  // namespace rack
