#include "rack/rackplayer/DeckFiles.h"

#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/PlaylistDialog.h"
#include "rack/rackplayer/RackState.h"

#include "platform/ui/rackwindow/Window.h"

#include <algorithm>

namespace rack {

void DeckFiles::attach(plat::ui::Window* deck) const
{
    deck->acceptFiles(true);
    obj_RegisterUser(deck, kind);
    rackState().*count = storeCount();
    showLoaded(deck, true);
}

bool DeckFiles::loadIfNone(plat::ui::Window* deck) const
{
    RackState& state = rackState();
    if (state.*count != 0)
        return true;
    if (state.*deckState == kDeckIdle && load(deck, nullptr) >= 0)
        state.*current = storeCount() - 1;
    state.*count = storeCount();
    return state.*count != 0;
}

bool DeckFiles::take(plat::ui::Window* deck, const std::string& path) const
{
    const int index = load(deck, path.c_str());
    if (index < 0)
        return false;
    loaded(index);
    showLoaded(deck, true);
    return true;
}

void DeckFiles::drop(plat::ui::Window* deck, const std::vector<std::string>& files, int otherKind,
                     bool (*otherTake)(const std::string&)) const
{
    const DeckControls::Dropped dropped = DeckControls::loadDropped(deck, files, kind, load, otherKind, otherTake);
    loaded(dropped.last);
    if (dropped.loaded > 0)
        showLoaded(deck, true);
}

void DeckFiles::refresh(plat::ui::Window* deck) const
{
    if (rackState().*deckState != kDeckIdle)
        stop(deck, true);
    recount();
    showLoaded(deck, true);
}

void DeckFiles::recount() const
{
    RackState& state = rackState();
    state.*count = storeCount();
    if (state.*current >= state.*count)
        state.*current = std::max(state.*count - 1, 0);
}

void DeckFiles::closeCurrent(plat::ui::Window* deck) const
{
    RackState& state = rackState();
    empty(0, state.*current);
    state.*count = storeCount();
    if (state.*current >= state.*count)
        state.*current = 0;
    showLoaded(deck, true);
}

void DeckFiles::editList(plat::ui::Window* deck) const
{
    if (rackState().*deckState == kDeckIdle && PlaylistDialog::run(deck, kind) == 1)
        refresh(deck);
}

void DeckFiles::loaded(int index) const
{
    RackState& state = rackState();
    state.*count = storeCount();
    if (index >= 0 && state.*deckState == kDeckIdle)
        state.*current = index;
}

}  // namespace rack
