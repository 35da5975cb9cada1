#include "rack/rackplayer/DeckFiles.h"

#include "rack/outside/plinthstore/StoreRecords.h"
#include "rack/rackplayer/RackState.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rack {
namespace {

// A store of names standing in for plinthstore's list; the open dialog gives g_chosen (an
// empty name is Cancel) and "bad" never loads.
std::vector<std::string> g_files;
std::string g_chosen;
int g_shown = 0;
int g_stopped = 0;

int fakeLoad(plat::ui::Window*, const char* path)
{
    const std::string name = path ? path : g_chosen;
    if (name.empty() || name == "bad")
        return -1;
    g_files.push_back(name);
    return int(g_files.size()) - 1;
}

int fakeCount()
{
    return int(g_files.size());
}

int fakeEmpty(int, int index)
{
    if (index >= 0 && index < int(g_files.size()))
        g_files.erase(g_files.begin() + index);
    return 0;
}

void fakeShowLoaded(plat::ui::Window*, bool)
{
    ++g_shown;
}

void fakeStop(plat::ui::Window*, bool)
{
    ++g_stopped;
    rackState().waveState = kDeckIdle;
}

constexpr DeckFiles kFiles = {
    .kind = kObjWave,
    .count = &RackState::waveCount,
    .current = &RackState::currentWave,
    .deckState = &RackState::waveState,
    .load = fakeLoad,
    .storeCount = fakeCount,
    .empty = fakeEmpty,
    .showLoaded = fakeShowLoaded,
    .stop = fakeStop,
};

TEST(DeckFilesTest, TheDeckKeepsItsPlaceInTheListAsFilesComeAndGo)
{
    struct Case {
        const char* what;
        std::vector<std::string> files;
        // The count the deck held before, which may be stale.
        int count;
        int current;
        int state;
        // 'i' load if none, 't' take, 'f' refresh, 'c' close the current one.
        char operation;
        std::string name;
        bool result;
        int expectedCount;
        int expectedCurrent;
        int stopped;
        int shown;
    };
    const Case cases[] = {
        {"files held: nothing is asked for", {"a"}, 1, 0, kDeckIdle, 'i', "x", true, 1, 0, 0, 0},
        {"none held: the chosen file becomes current", {}, 0, 3, kDeckIdle, 'i', "x", true, 1, 0, 0, 0},
        {"none held and cancelled", {}, 0, 0, kDeckIdle, 'i', "", false, 0, 0, 0, 0},
        {"none held while busy: nothing is asked for", {}, 0, 0, kDeckPlaying, 'i', "x", false, 0, 0, 0, 0},
        {"a file taken while idle becomes current", {"a", "b"}, 2, 0, kDeckIdle, 't', "c", true, 3, 2, 0, 1},
        {"a file taken while playing leaves the current", {"a", "b"}, 2, 0, kDeckPlaying, 't', "c", true, 3, 0, 0, 1},
        {"a file that does not load changes nothing", {"a"}, 1, 0, kDeckIdle, 't', "bad", false, 1, 0, 0, 0},
        {"a shorter list keeps the current on its last", {"a", "b"}, 4, 3, kDeckIdle, 'f', "", true, 2, 1, 0, 1},
        {"an emptied list goes back to the first", {}, 3, 2, kDeckIdle, 'f', "", true, 0, 0, 0, 1},
        {"a busy deck stops before it counts again", {"a", "b"}, 2, 1, kDeckPlaying, 'f', "", true, 2, 1, 1, 1},
        {"closing a middle file keeps the index", {"a", "b", "c"}, 3, 1, kDeckIdle, 'c', "", true, 2, 1, 0, 1},
        {"closing the last file makes the first current", {"a", "b", "c"}, 3, 2, kDeckIdle, 'c', "", true, 2, 0, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RackState& state = rackState();
        state.reset();
        g_files = c.files;
        g_chosen = c.name;
        g_shown = g_stopped = 0;
        state.waveCount = c.count;
        state.currentWave = c.current;
        state.waveState = c.state;
        bool result = true;
        switch (c.operation) {
        case 'i': result = kFiles.loadIfNone(nullptr); break;
        case 't': result = kFiles.take(nullptr, c.name); break;
        case 'f': kFiles.refresh(nullptr); break;
        case 'c': kFiles.closeCurrent(nullptr); break;
        default: FAIL() << c.operation;
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(state.waveCount, c.expectedCount);
        EXPECT_EQ(state.currentWave, c.expectedCurrent);
        EXPECT_EQ(g_stopped, c.stopped);
        EXPECT_EQ(g_shown, c.shown);
    }
    rackState().reset();
}

}  // namespace
}  // namespace rack
