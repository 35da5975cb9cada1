#include "notabase/model/MCLoadVersion.h"
#include "notabase/score/MCGroup.h"
#include "notabase/tests/TestElements.h"
#include "platform/core/Archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The entries in use of a table in staff order: "first-last kind #id", with "|" after a group
// whose bar lines do not go across.
std::string describe(const MCGroup::Table& table)
{
    MCGroup::Table inUse;
    for (const auto& entry : table) {
        if (entry.inUse())
            inUse.push_back(entry);
    }
    std::stable_sort(inUse.begin(), inUse.end(), [](auto& a, auto& b) { return a.first() < b.first(); });
    std::ostringstream out;
    for (const auto& entry : inUse) {
        out << (out.tellp() > 0 ? " " : "") << entry.first() << '-' << entry.last() << " k" << entry.kind() << " #"
            << entry.id() << (entry.barAcross() ? "" : "|");
    }
    return out.str();
}

std::string primary(const MCGroup& groups)
{
    return describe(groups.GetPrimaryGroup());
}

std::string secondary(const MCGroup& groups)
{
    return describe(groups.GetSecondaryGroup());
}

MCGroup singles(int count)
{
    MCGroup groups;
    for (int staff = 1; staff <= count; ++staff)
        groups.InsertTrack(staff, MCGroup::kindSingle);
    return groups;
}

// Every staff 1..count is in exactly one group in use of each table, and no ID is held twice.
void expectConsistent(const MCGroup& groups, int count)
{
    std::set<int> ids;
    for (const MCGroup::Table* table : {&groups.GetPrimaryGroup(), &groups.GetSecondaryGroup()}) {
        std::vector<int> cover(static_cast<size_t>(count) + 1, 0);
        for (const auto& entry : *table) {
            if (!entry.inUse())
                continue;
            EXPECT_TRUE(ids.insert(entry.id()).second) << "ID " << entry.id() << " held twice";
            for (int staff = entry.first(); staff <= entry.last() && staff <= count; ++staff)
                ++cover[static_cast<size_t>(staff)];
        }
        for (int staff = 1; staff <= count; ++staff)
            EXPECT_EQ(cover[static_cast<size_t>(staff)], 1) << "staff " << staff;
    }
}

std::vector<uint8_t> store(MCGroup& groups)
{
    return storeWith([&groups](plat::Archive& archive) { groups.Serialize(archive); });
}

MCGroup load(const std::vector<uint8_t>& bytes, int version)
{
    MCGroup groups;
    loadWith(bytes, [&](plat::Archive& archive) {
        const MCLoadVersion attached(archive, version);
        groups.Serialize(archive);
    });
    return groups;
}

}  // namespace

TEST(StaffGroupsTest, StavesInsertedAndRemovedRenumberTheGroups)
{
    MCGroup groups = singles(3);
    // IDs are handed out in turn to the two tables.
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #2 3-3 k2 #4");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #3 3-3 k2 #5");

    groups.InsertTrack(2, MCGroup::kindSingle);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #6 3-3 k2 #2 4-4 k2 #4");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #7 3-3 k2 #3 4-4 k2 #5");
    expectConsistent(groups, 4);

    groups.RemoveTrack(2);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #2 3-3 k2 #4");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #3 3-3 k2 #5");
}

TEST(StaffGroupsTest, AStaffInsertedInsideAGroupJoinsIt)
{
    MCGroup groups = singles(4);
    int id = -1;
    ASSERT_EQ(groups.GroupTracks(2, 3, MCGroup::kindGroup, id), 1);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6");

    // Inside the group a staff of the group's kind joins it, and comes into the secondary table
    // with that kind; the staves after it move up.
    groups.InsertTrack(3, MCGroup::kindGroup);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-4 k1 #2 5-5 k2 #6");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #3 3-3 k1 #4 4-4 k2 #5 5-5 k2 #7");
    expectConsistent(groups, 5);

    // Removing the first staff of a group keeps the group, which now starts at the next staff.
    groups.RemoveTrack(2);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6");
    groups.RemoveTrack(3);
    groups.RemoveTrack(2);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #6");
    expectConsistent(groups, 2);
}

TEST(StaffGroupsTest, GroupingFollowsHowTheRangeLiesAgainstTheGroups)
{
    struct Case {
        const char* name;
        int first, last, kind;
        // Null: refused.
        const char* primary;
        const char* secondary;
    };
    const char* const plainSecondary = "1-1 k2 #1 2-2 k2 #3 3-3 k2 #5 4-4 k2 #7 5-5 k2 #9";
    const Case cases[] = {
        {"plain staves make a primary group", 4, 5, 2, "1-1 k2 #0 2-3 k1 #2 4-5 k2 #4", plainSecondary},
        {"a reversed range", 3, 1, 2, nullptr, nullptr},
        {"a range cutting through a group", 3, 4, 2, nullptr, nullptr},
        {"a range holding a group, of kind 1", 1, 4, 1, nullptr, nullptr},
        // The swallowed group is kept as a secondary group in place of its single staves.
        {"a range holding a group, of another kind", 1, 4, 2, "1-4 k2 #0 5-5 k2 #8",
         "1-1 k2 #1 2-3 k1 #2 4-4 k2 #7 5-5 k2 #9"},
        {"a range inside a group", 2, 2, 1, "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6 5-5 k2 #8",
         "1-1 k2 #1 2-2 k1 #3 3-3 k2 #5 4-4 k2 #7 5-5 k2 #9"},
        {"exactly a group, of kind 1", 2, 3, 1, "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6 5-5 k2 #8",
         "1-1 k2 #1 2-3 k1 #3 4-4 k2 #7 5-5 k2 #9"},
        {"exactly a group, of another kind", 2, 3, 2, nullptr, nullptr},
        {"a range of no staff", 7, 9, 2, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Five staves, staves 2..3 a primary group of kind 1.
        MCGroup groups = singles(5);
        int id = -1;
        ASSERT_EQ(groups.GroupTracks(2, 3, MCGroup::kindGroup, id), 1);
        ASSERT_EQ(id, 2);
        ASSERT_EQ(primary(groups), "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6 5-5 k2 #8");
        const MCGroup before = groups;

        int made = -1;
        const int result = groups.GroupTracks(c.first, c.last, static_cast<unsigned char>(c.kind), made);
        if (c.primary) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(primary(groups), c.primary);
            EXPECT_EQ(secondary(groups), c.secondary);
            int first = 0, last = 0, kind = 0;
            ASSERT_EQ(groups.GetGroupInfo(made, first, last, kind), 1);
            EXPECT_EQ(first, c.first);
            EXPECT_EQ(last, c.last);
            EXPECT_EQ(kind, c.kind);
            expectConsistent(groups, 5);
        } else {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(groups == before) << "a refused grouping changed the tables";
            EXPECT_EQ(made, -1);
        }
    }
}

TEST(StaffGroupsTest, RemovingAGroupMakesItsStavesSingleAgain)
{
    MCGroup groups = singles(5);
    int inner = -1, outer = -1, wide = -1;
    ASSERT_EQ(groups.GroupTracks(2, 3, MCGroup::kindGroup, inner), 1);
    ASSERT_EQ(groups.GroupTracks(2, 2, MCGroup::kindGroup, outer), 1);
    ASSERT_EQ(secondary(groups), "1-1 k2 #1 2-2 k1 #3 3-3 k2 #5 4-4 k2 #7 5-5 k2 #9");
    const MCGroup withSecondary = groups;

    // A secondary group alone; its staves stay covered by single staves.
    EXPECT_EQ(groups.RemoveGroup(outer), 1);
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #3 3-3 k2 #5 4-4 k2 #7 5-5 k2 #9");
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-3 k1 #2 4-4 k2 #6 5-5 k2 #8");
    expectConsistent(groups, 5);

    // A primary group takes the secondary groups of a group kind lying within it along.
    groups = withSecondary;
    EXPECT_EQ(groups.RemoveGroup(inner), 1);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #2 3-3 k2 #4 4-4 k2 #6 5-5 k2 #8");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #3 3-3 k2 #5 4-4 k2 #7 5-5 k2 #9");
    expectConsistent(groups, 5);

    // An ID no group holds changes nothing.
    const MCGroup before = groups;
    EXPECT_EQ(groups.RemoveGroup(200), 0);
    EXPECT_TRUE(groups == before);

    // A group swallowed by a larger primary group and kept as a secondary group goes with it.
    groups = singles(5);
    ASSERT_EQ(groups.GroupTracks(2, 3, MCGroup::kindGroup, inner), 1);
    ASSERT_EQ(groups.GroupTracks(1, 4, MCGroup::kindSingle, wide), 1);
    ASSERT_EQ(secondary(groups), "1-1 k2 #1 2-3 k1 #2 4-4 k2 #7 5-5 k2 #9");
    EXPECT_EQ(groups.RemoveGroup(wide), 1);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-3 k2 #5 4-4 k2 #6 5-5 k2 #8");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #2 3-3 k2 #3 4-4 k2 #7 5-5 k2 #9");
    expectConsistent(groups, 5);
}

TEST(StaffGroupsTest, GroupInfoAndBarLinesByID)
{
    MCGroup groups = singles(4);
    int id = -1;
    ASSERT_EQ(groups.GroupTracks(2, 4, MCGroup::kindSingle, id), 1);
    int first = -7, last = -7, kind = -7;
    EXPECT_EQ(groups.GetGroupInfo(id, first, last, kind), 1);
    EXPECT_EQ(first, 2);
    EXPECT_EQ(last, 4);
    EXPECT_EQ(kind, 2);
    // A secondary group is found too.
    EXPECT_EQ(groups.GetGroupInfo(1, first, last, kind), 1);
    EXPECT_EQ(first, 1);
    first = last = kind = -7;
    EXPECT_EQ(groups.GetGroupInfo(99, first, last, kind), 0);
    EXPECT_EQ(first, -7);
    EXPECT_EQ(last, -7);
    EXPECT_EQ(kind, -7);

    EXPECT_EQ(groups.IsBarEntireGroup(id), 1);
    groups.SetBarEntireGroup(id, 2);  // only bit 0 counts
    EXPECT_EQ(groups.IsBarEntireGroup(id), 0);
    groups.SetBarEntireGroup(id, 3);
    EXPECT_EQ(groups.IsBarEntireGroup(id), 1);
    EXPECT_EQ(groups.IsBarEntireGroup(99), 0);
    // A group made in an entry that was in use before keeps that entry's bar-across bit.
    groups.SetBarEntireGroup(0, 0);
    ASSERT_EQ(groups.RemoveGroup(id), 1);
    int again = -1;
    ASSERT_EQ(groups.GroupTracks(1, 4, MCGroup::kindSingle, again), 1);
    EXPECT_EQ(primary(groups), "1-4 k2 #0|");

    groups.RemoveAll();
    EXPECT_EQ(primary(groups), "");
    EXPECT_EQ(secondary(groups), "");
    EXPECT_EQ(groups.GetGroupInfo(again, first, last, kind), 0);
}

TEST(StaffGroupsTest, StoredAsCountsAndEntryValues)
{
    MCGroup groups = singles(2);
    // Free entries are not stored: a removed staff leaves nothing behind.
    groups.InsertTrack(3, MCGroup::kindSingle);
    groups.RemoveTrack(3);
    groups.SetBarEntireGroup(2, 0);
    const std::vector<uint8_t> expected = {
        0x02, 0x00, 0x01, 0x01, 0x06, 0x08, 0x02, 0x02, 0x16, 0x00,  // primary: #0, #2 without bar across
        0x02, 0x00, 0x01, 0x01, 0x0E, 0x08, 0x02, 0x02, 0x1E, 0x08,  // secondary: #1, #3
    };
    EXPECT_EQ(store(groups), expected);

    const MCGroup loaded = load(expected, 3);
    EXPECT_EQ(primary(loaded), "1-1 k2 #0 2-2 k2 #2|");
    EXPECT_EQ(secondary(loaded), "1-1 k2 #1 2-2 k2 #3");

    // Older documents kept no IDs and no bar-across bit: both are set anew, the IDs numbered
    // through both tables.
    const MCGroup old = load(expected, 2);
    EXPECT_EQ(primary(old), "1-1 k2 #0 2-2 k2 #1");
    EXPECT_EQ(secondary(old), "1-1 k2 #2 2-2 k2 #3");

    // A truncated table is refused.
    std::vector<uint8_t> cut(expected.begin(), expected.begin() + 8);
    EXPECT_THROW(load(cut, 3), plat::ArchiveError);
}

TEST(StaffGroupsTest, IDsStayUniqueWhileAllAreHeld)
{
    // 128 staves hold all 256 IDs.
    MCGroup groups = singles(128);
    expectConsistent(groups, 128);
    // A grouping frees IDs before it takes one, so the new group never repeats one.
    int id = -1;
    ASSERT_EQ(groups.GroupTracks(10, 12, MCGroup::kindGroup, id), 1);
    ASSERT_EQ(groups.GroupTracks(11, 11, MCGroup::kindGroup, id), 1);
    ASSERT_EQ(groups.GroupTracks(1, 20, MCGroup::kindSingle, id), 1);
    expectConsistent(groups, 128);
    ASSERT_EQ(groups.RemoveGroup(id), 1);
    expectConsistent(groups, 128);
}

TEST(StaffGroupsTest, ASecondaryGroupThatWouldCutThroughAnotherIsRefused)
{
    MCGroup groups = singles(5);
    int outer = -1, inner = -1;
    ASSERT_EQ(groups.GroupTracks(1, 4, MCGroup::kindGroup, outer), 1);
    ASSERT_EQ(groups.GroupTracks(1, 3, MCGroup::kindSingle, inner), 1);
    ASSERT_EQ(secondary(groups), "1-3 k2 #" + std::to_string(inner) + " 4-4 k2 #7 5-5 k2 #9");
    // Staff 2 lies inside the secondary group 1..3: no secondary group of its own can be made
    // without putting it in two, and no group is made in an entry the range does not free.
    const MCGroup before = groups;
    int made = -1;
    EXPECT_EQ(groups.GroupTracks(2, 2, MCGroup::kindSingle, made), 0);
    EXPECT_EQ(made, -1);
    EXPECT_TRUE(groups == before);
    expectConsistent(groups, 5);
}

TEST(StaffGroupsTest, StavesAddedLastOrRemovedFromTheEndTakeAndGiveBackTheLowestIDs)
{
    MCGroup groups = singles(4);
    // A staff removed from the middle leaves its IDs free; the next staff appended takes them.
    groups.RemoveTrack(2);
    groups.InsertTrack(4, MCGroup::kindSingle);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-3 k2 #6 4-4 k2 #2");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #5 3-3 k2 #7 4-4 k2 #3");
    groups.RemoveTrack(4);
    groups.InsertTrack(4, MCGroup::kindSingle);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-3 k2 #6 4-4 k2 #2");
    expectConsistent(groups, 4);

    // A group at the end: a staff after it stays single, removing its last staff shrinks it.
    int id = -1;
    ASSERT_EQ(groups.GroupTracks(3, 4, MCGroup::kindGroup, id), 1);
    groups.InsertTrack(5, MCGroup::kindGroup);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-4 k1 #2 5-5 k1 #6");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #5 3-3 k2 #7 4-4 k2 #3 5-5 k2 #8");
    groups.RemoveTrack(5);
    groups.RemoveTrack(4);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-3 k1 #2");
    EXPECT_EQ(secondary(groups), "1-1 k2 #1 2-2 k2 #5 3-3 k2 #7");
    expectConsistent(groups, 3);
    // A staff inserted at the number of the last group goes before it.
    groups.InsertTrack(3, MCGroup::kindSingle);
    EXPECT_EQ(primary(groups), "1-1 k2 #0 2-2 k2 #4 3-3 k2 #3 4-4 k1 #2");
    expectConsistent(groups, 4);
}

TEST(StaffGroupsTest, PiecesOfMoreThan255StavesKeepTheirStaffNumbersAndIDs)
{
    constexpr int count = 300;
    MCGroup groups = singles(count);
    expectConsistent(groups, count);
    EXPECT_EQ(groups.GetPrimaryGroup().back().first(), count);

    int id = -1;
    ASSERT_EQ(groups.GroupTracks(280, 290, MCGroup::kindGroup, id), 1);
    groups.SetBarEntireGroup(id, 0);
    auto expectGroup = [&](const MCGroup& g, int wantFirst, int wantLast) {
        int first = 0, last = 0, kind = 0;
        ASSERT_EQ(g.GetGroupInfo(id, first, last, kind), 1);
        EXPECT_EQ(first, wantFirst);
        EXPECT_EQ(last, wantLast);
        EXPECT_EQ(kind, MCGroup::kindGroup);
        EXPECT_EQ(g.IsBarEntireGroup(id), 0);
    };
    expectGroup(groups, 280, 290);
    groups.InsertTrack(5, MCGroup::kindSingle);
    expectGroup(groups, 281, 291);
    expectConsistent(groups, count + 1);
    groups.RemoveTrack(5);
    expectGroup(groups, 280, 290);
    expectConsistent(groups, count);

    const std::vector<uint8_t> bytes = store(groups);
    const MCGroup loaded = load(bytes, 3);
    EXPECT_TRUE(loaded == groups);
    expectGroup(loaded, 280, 290);
    expectConsistent(loaded, count);

    // Stored, every entry that is not a group is a free one carrying the high bytes of the
    // group before it: a reader that drops free entries sees the groups alone, in order.
    loadWith(bytes, [&](plat::Archive& archive) {
        for (const MCGroup::Table* all : {&groups.GetPrimaryGroup(), &groups.GetSecondaryGroup()}) {
            MCGroup::Table table;
            std::copy_if(all->begin(), all->end(), std::back_inserter(table), [](auto& e) { return e.inUse(); });
            std::stable_sort(table.begin(), table.end(), [](auto& a, auto& b) { return a.first() < b.first(); });
            const uint32_t stored = archive.readCount(4);
            size_t groupsSeen = 0;
            bool afterGroup = false;
            for (uint32_t i = 0; i < stored; ++i) {
                const uint32_t value = archive.readU32();
                if (value & MCGroup::tag_group::inUseBit) {
                    ASSERT_LT(groupsSeen, table.size());
                    EXPECT_EQ(value & 0xFF, static_cast<uint32_t>(table[groupsSeen].first() & 0xFF));
                    ++groupsSeen;
                    afterGroup = true;
                } else {
                    EXPECT_TRUE(afterGroup && (value & MCGroup::extensionBit)) << "entry " << i;
                    afterGroup = false;
                }
            }
            EXPECT_EQ(groupsSeen, table.size());
            EXPECT_GT(stored, groupsSeen) << "staves past 255 need their high bytes";
        }
    });
}

TEST(StaffGroupsTest, FreeEntriesOfOlderDocumentsAreReadAsTheyStand)
{
    // A group, a free entry as older programs stored them, a marked free entry that follows no
    // group, and a group: the free entries stay, and neither gives a group high bytes.
    const std::vector<uint8_t> bytes = {
        0x04, 0x00,              // four primary entries
        0x01, 0x01, 0x06, 0x08,  // #0 1-1
        0x02, 0x02, 0x02, 0x08,  // free
        0x01, 0x00, 0x00, 0x80,  // free, marked
        0x02, 0x02, 0x16, 0x08,  // #2 2-2
        0x00, 0x00,              // no secondary entries
    };
    const MCGroup loaded = load(bytes, 3);
    EXPECT_EQ(loaded.GetPrimaryGroup().size(), 4u);
    EXPECT_EQ(primary(loaded), "1-1 k2 #0 2-2 k2 #2");
}
