#include "rack/rackplayer/PlayList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rack {
namespace {

// A list as "position:name=value" entries in chain order.
std::vector<std::string> entries(const PlayList& list)
{
    std::vector<std::string> result;
    for (const PlayListEntry* e = list.first.get(); e; e = e->next.get())
        result.push_back(std::to_string(e->position) + ":" + e->name + "=" + std::to_string(e->value));
    return result;
}

void fill(PlayList& list, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        pl_Insert(list, name, -1, 1);
}

TEST(PlayListTest, InsertingAndRemovingKeepThePositionsInOrder)
{
    struct Case {
        const char* what;
        std::vector<std::string> start;
        char operation;  // 'i' insert, 'r' remove
        int32_t position;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"insert at 0 in front", {"a", "b"}, 'i', 0, {"0:new=7", "1:a=1", "2:b=1"}},
        {"insert in the middle", {"a", "b", "c"}, 'i', 1, {"0:a=1", "1:new=7", "2:b=1", "3:c=1"}},
        {"insert past the end keeps its position", {"a", "b", "c"}, 'i', 5, {"0:a=1", "1:b=1", "2:c=1", "5:new=7"}},
        {"insert at -1 appends", {"a", "b"}, 'i', -1, {"0:a=1", "1:b=1", "2:new=7"}},
        {"insert at -1 into nothing", {}, 'i', -1, {"0:new=7"}},
        {"insert at 3 into nothing", {}, 'i', 3, {"3:new=7"}},
        {"remove the middle", {"a", "b", "c"}, 'r', 1, {"0:a=1", "1:c=1"}},
        {"remove the first", {"a", "b", "c"}, 'r', 0, {"0:b=1", "1:c=1"}},
        {"remove the last", {"a", "b", "c"}, 'r', 2, {"0:a=1", "1:b=1"}},
        {"remove what is not there", {"a", "b"}, 'r', 4, {"0:a=1", "1:b=1"}},
        {"remove 3 from one entry", {"a"}, 'r', 3, {"0:a=1"}},
        {"remove 0 from one entry", {"a"}, 'r', 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlayList list;
        fill(list, c.start);
        if (c.operation == 'i')
            pl_Insert(list, "new", c.position, 7);
        else
            pl_RemoveAt(list, c.position);
        EXPECT_EQ(entries(list), c.expected);
        EXPECT_EQ(pl_Count(list), int(c.expected.size()));
    }
}

TEST(PlayListTest, RemovingAFileThatWasLoadedRemembersIt)
{
    PlayList list;
    PlayList removed;
    pl_Insert(list, "/music/one.wav", -1, 1);
    pl_Insert(list, "/music/new.wav", -1, 0);
    pl_Insert(list, "/music/two.wav", -1, 1);
    pl_Remove(list, 1, removed);  // added in the dialog: forgotten
    pl_Remove(list, 0, removed);
    EXPECT_EQ(entries(list), (std::vector<std::string>{"0:/music/two.wav=1"}));
    EXPECT_EQ(entries(removed), (std::vector<std::string>{"0:/music/one.wav=1"}));
    pl_Remove(list, 0, removed);  // the last entry
    pl_Remove(list, 0, removed);  // nothing left
    EXPECT_EQ(pl_Count(list), 0);
    EXPECT_EQ(entries(removed), (std::vector<std::string>{"0:/music/one.wav=1", "1:/music/two.wav=1"}));
}

TEST(PlayListTest, LookupsByPositionAndByValue)
{
    PlayList list;
    EXPECT_EQ(pl_GetValue(list, 0), -1);
    EXPECT_EQ(pl_Find(list, 0), nullptr);
    int32_t position = -9;
    EXPECT_EQ(pl_FindValue(list, 3, &position), 0);
    EXPECT_EQ(position, -9);

    pl_Add(list, "Track 4", -1, 3);
    pl_Add(list, "Track 1", -1, 0);
    pl_Add(list, "Track 4", -1, 3);
    EXPECT_EQ(pl_GetValue(list, 1), 0);
    EXPECT_EQ(pl_GetValue(list, 7), -1);
    EXPECT_EQ(pl_FindValue(list, 3, &position), 1);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(pl_HasValue(list, 2, 3), 1);
    EXPECT_EQ(pl_HasValue(list, 2, 0), 0);
    EXPECT_EQ(pl_HasValue(list, 9, 3), 0);
    ASSERT_NE(pl_Find(list, 2), nullptr);
    EXPECT_EQ(pl_Find(list, 2)->name, "Track 4");
    pl_Rename(list, "Overture", 2);
    pl_Rename(list, "Nowhere", 5);
    EXPECT_EQ(entries(list), (std::vector<std::string>{"0:Track 4=3", "1:Track 1=0", "2:Overture=3"}));

    // A single entry answers pl_Find for position 0 only, whatever position it holds.
    PlayList single;
    pl_Insert(single, "alone", 4, 9);
    EXPECT_EQ(pl_Find(single, 4), nullptr);
    ASSERT_NE(pl_Find(single, 0), nullptr);
    EXPECT_EQ(pl_GetValue(single, 4), 9);

    pl_Clear(list);
    EXPECT_EQ(pl_Count(list), 0);
    EXPECT_EQ(list.first, nullptr);
}

TEST(PlayListTest, NamesAreKeptWhole)
{
    // A path longer than the 259 characters of the classic entry would not load once cut.
    PlayList list;
    const std::string longPath = "/home/user/" + std::string(400, 'x') + "/take.wav";
    pl_Insert(list, longPath, -1, 1);
    pl_Insert(list, "short.wav", -1, 1);
    pl_Rename(list, longPath + "2", 1);
    EXPECT_EQ(pl_Find(list, 0)->name, longPath);
    EXPECT_EQ(pl_Find(list, 1)->name, longPath + "2");
}

}  // namespace
}  // namespace rack
