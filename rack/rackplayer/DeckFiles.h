#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <string>
#include <vector>

namespace plat::ui {
class Window;
}

namespace rack {

struct RackState;

// The files a wave or MIDI deck plays from plinthstore's list of its kind, and where the deck
// stands in them: the fields of RackState that hold them and the calls of the deck's kind.
struct RACKCORE_API DeckFiles {
    int kind;
    int RackState::*count;
    int RackState::*current;
    int RackState::*deckState;
    int (*load)(plat::ui::Window* window, const char* path);
    int (*storeCount)();
    // Takes the file at the index off the list.
    int (*empty)(int byKey, int index);
    void (*showLoaded)(plat::ui::Window* deck, bool enableSkip);
    void (*stop)(plat::ui::Window* deck, bool forGood);

    // A new deck takes dropped files, hears of changes to the list and shows what it holds.
    void attach(plat::ui::Window* deck) const;
    // With no file held, asks the user for one while the deck is idle and makes it the
    // current one; false while there is still none.
    bool loadIfNone(plat::ui::Window* deck) const;
    // Loads a file dropped on another deck and, when idle, makes it the current one; false
    // when it could not be loaded.
    bool take(plat::ui::Window* deck, const std::string& path) const;
    // Files dropped on the deck: its own kind loaded, the first of otherKind handed on by
    // otherTake; the last one loaded becomes the current one when idle.
    void drop(plat::ui::Window* deck, const std::vector<std::string>& files, int otherKind,
              bool (*otherTake)(const std::string&)) const;
    // plinthstore's list changed: stops the deck, counts the files again and keeps the
    // current one within them.
    void refresh(plat::ui::Window* deck) const;
    // Counts the files again, keeping the current one within them.
    void recount() const;
    // Takes the current file off the list; the first becomes the current one when it was
    // the last.
    void closeCurrent(plat::ui::Window* deck) const;
    // While the deck is idle, runs the deck's play-list editor and takes in what OK leaves.
    void editList(plat::ui::Window* deck) const;

private:
    // Counts the files again; index, when not negative, becomes the current one while idle.
    void loaded(int index) const;
};

}  // namespace rack
