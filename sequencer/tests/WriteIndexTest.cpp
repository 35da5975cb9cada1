#include "sequencer/data/DCsqBase.h"
#include "sequencer/play/CSeqWriteIndex.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// Data that plays on one track, or on every track with kAnyTrack.
class TrackData : public DCsqBase {
public:
    explicit TrackData(int track) : m_track(track) {}
    int PlayedTrack() const override { return m_track; }

private:
    int m_track;
};

// A linked list of data for the given tracks, in that order.
std::vector<std::unique_ptr<TrackData>> MakeList(const std::vector<int>& tracks)
{
    std::vector<std::unique_ptr<TrackData>> list;
    for (int track : tracks) {
        list.push_back(std::make_unique<TrackData>(track));
        if (list.size() > 1) {
            list[list.size() - 2]->SetNext(list.back().get());
            list.back()->SetPrev(list[list.size() - 2].get());
        }
    }
    return list;
}

std::vector<DCsqBase*> Walk(CSeqWriteIndex& index, int track, const DCsqBase* from)
{
    std::vector<DCsqBase*> seen;
    bool found = false;
    for (DCsqBase* data = index.Start(track, from, found); data; data = index.Next())
        seen.push_back(data);
    EXPECT_TRUE(found);
    return seen;
}

constexpr int kAny = DCsqBase::kAnyTrack;

}  // namespace

TEST(WriteIndex, TrackWalkMeetsItsOwnAndSharedDataInListOrder)
{
    const auto list = MakeList({kAny, 1, 2, 2, kAny, 1, 2, kAny, 2});
    CSeqWriteIndex index;
    index.Build(list[0].get(), list.back().get());
    EXPECT_EQ(index.GetHead(), list[0].get());

    EXPECT_EQ(Walk(index, 1, list[0].get()),
              (std::vector<DCsqBase*>{list[0].get(), list[1].get(), list[4].get(), list[5].get(), list[7].get()}));
    // A start on another track's datum goes on at the first after it.
    EXPECT_EQ(Walk(index, 1, list[2].get()), (std::vector<DCsqBase*>{list[4].get(), list[5].get(), list[7].get()}));
    EXPECT_EQ(Walk(index, 1, list[8].get()), std::vector<DCsqBase*>{});
    // A start on the track's own or a shared datum begins there.
    EXPECT_EQ(Walk(index, 2, list[4].get()), (std::vector<DCsqBase*>{list[4].get(), list[6].get(), list[7].get(), list[8].get()}));
    // A track with no data of its own meets only the shared data.
    EXPECT_EQ(Walk(index, 9, list[1].get()), (std::vector<DCsqBase*>{list[4].get(), list[7].get()}));
}

TEST(WriteIndex, DatumOutsideTheIndexIsNotFoundAndClearForgetsTheList)
{
    const auto list = MakeList({1, kAny, 2});
    const auto other = MakeList({1});
    CSeqWriteIndex index;
    index.Build(list[0].get(), list.back().get());
    bool found = true;
    EXPECT_EQ(index.Start(1, other[0].get(), found), nullptr);
    EXPECT_FALSE(found);
    EXPECT_EQ(index.Next(), nullptr);

    index.Clear();
    EXPECT_EQ(index.GetHead(), nullptr);
    EXPECT_EQ(index.Start(1, list[0].get(), found), nullptr);
    EXPECT_FALSE(found);
}

TEST(WriteIndex, WalkResumesWhereItStoppedAndRestartsAfterAJump)
{
    const auto list = MakeList({1, kAny, 2, 1, 2, 1, kAny, 1});
    CSeqWriteIndex index;
    index.Build(list[0].get(), list.back().get());
    bool found = false;
    // A window stops part way; the next one starts at the datum it stopped at.
    EXPECT_EQ(index.Start(1, list[0].get(), found), list[0].get());
    EXPECT_EQ(index.Next(), list[1].get());
    EXPECT_EQ(index.Next(), list[3].get());
    EXPECT_EQ(Walk(index, 1, list[3].get()), (std::vector<DCsqBase*>{list[3].get(), list[5].get(), list[6].get(), list[7].get()}));
    // A jump sends the walk back to a datum it passed, then forward past where it was.
    EXPECT_EQ(Walk(index, 1, list[1].get()), (std::vector<DCsqBase*>{list[1].get(), list[3].get(), list[5].get(), list[6].get(), list[7].get()}));
    EXPECT_EQ(Walk(index, 1, list[6].get()), (std::vector<DCsqBase*>{list[6].get(), list[7].get()}));
    // The next track starts at the head again.
    EXPECT_EQ(Walk(index, 2, list[0].get()), (std::vector<DCsqBase*>{list[1].get(), list[2].get(), list[4].get(), list[6].get()}));
}

TEST(WriteIndex, ListIsReadWholeFromBothEndsOrFromTheHeadAlone)
{
    // Every datum on its own track, so that each walk shows exactly where the index put it.
    struct Case {
        const char* what;
        size_t length;
        int tail;  // index of the tail given; -1: none, -2: one outside the list
    };
    const Case cases[] = {
        {"one datum", 1, 0},          {"two data", 2, 1},  {"an odd count", 7, 6},
        {"an even count", 8, 7},      {"no tail", 5, -1},  {"a tail the head does not lead to", 5, -2},
        {"a tail short of the end", 6, 3},
    };
    const auto other = MakeList({1});
    for (const Case& c : cases) {
        std::vector<int> tracks;
        for (size_t i = 0; i < c.length; ++i)
            tracks.push_back(static_cast<int>(i) + 1);
        const auto list = MakeList(tracks);
        DCsqBase* tail = c.tail >= 0 ? list[static_cast<size_t>(c.tail)].get() : c.tail == -2 ? other[0].get() : nullptr;
        CSeqWriteIndex index;
        index.Build(list[0].get(), tail);
        for (size_t i = 0; i < c.length; ++i)
            EXPECT_EQ(Walk(index, tracks[i], list[0].get()), std::vector<DCsqBase*>{list[i].get()}) << c.what << ", datum " << i;
    }
}

TEST(WriteIndex, TracksOfAnyNumberKeepTheirOwnRuns)
{
    const auto list = MakeList({70000, kAny, -5, 4095, 4096, 70000, -5, 0});
    CSeqWriteIndex index;
    index.Build(list[0].get(), list.back().get());
    EXPECT_EQ(Walk(index, 70000, list[0].get()), (std::vector<DCsqBase*>{list[0].get(), list[1].get(), list[5].get()}));
    EXPECT_EQ(Walk(index, -5, list[0].get()), (std::vector<DCsqBase*>{list[1].get(), list[2].get(), list[6].get()}));
    EXPECT_EQ(Walk(index, 4095, list[0].get()), (std::vector<DCsqBase*>{list[1].get(), list[3].get()}));
    EXPECT_EQ(Walk(index, 4096, list[0].get()), (std::vector<DCsqBase*>{list[1].get(), list[4].get()}));
    EXPECT_EQ(Walk(index, 0, list[0].get()), (std::vector<DCsqBase*>{list[1].get(), list[7].get()}));
    // A second list indexed by the same index: nothing of the first stays.
    const auto second = MakeList({3, 3});
    index.Build(second[0].get(), second[1].get());
    EXPECT_EQ(Walk(index, 3, second[0].get()), (std::vector<DCsqBase*>{second[0].get(), second[1].get()}));
    EXPECT_EQ(Walk(index, 70000, second[0].get()), std::vector<DCsqBase*>{});
}

TEST(WriteIndex, ListWalkedFromManyPlacesAtOnceIsIndexedAsFromTheHead)
{
    // Every datum on its own track, so that each walk shows exactly where the index put it. The
    // places are indexes into the list; -1 is a datum outside it.
    struct Case {
        const char* what;
        std::vector<int> starts;
        bool tail;
    };
    const Case cases[] = {
        {"places in order", {2, 5, 6, 9}, true},
        {"the last datum", {11}, true},
        {"places in order, no tail", {3, 8}, false},
        {"places out of order", {6, 2}, true},
        {"a place twice", {4, 4}, true},
        {"the head", {0, 5}, true},
        {"a datum outside the list", {3, -1}, true},
    };
    const auto other = MakeList({1});
    std::vector<int> tracks;
    for (int i = 0; i < 12; ++i)
        tracks.push_back(i + 1);
    const auto list = MakeList(tracks);
    for (const Case& c : cases) {
        std::vector<DCsqBase*> starts;
        for (int at : c.starts)
            starts.push_back(at >= 0 ? list[static_cast<size_t>(at)].get() : other[0].get());
        CSeqWriteIndex index;
        index.Build(list[0].get(), c.tail ? list.back().get() : nullptr, starts);
        for (size_t i = 0; i < list.size(); ++i)
            EXPECT_EQ(Walk(index, tracks[i], list[0].get()), std::vector<DCsqBase*>{list[i].get()}) << c.what << ", datum " << i;
    }
}

TEST(WriteIndex, WholeListIsOneWalkInListOrderAndEachKindOfIndexRefusesTheOthersWalk)
{
    const auto list = MakeList({2, kAny, 1, 2, kAny, 1});
    std::vector<DCsqBase*> all;
    for (const auto& data : list)
        all.push_back(data.get());
    CSeqWriteIndex whole;
    whole.Build(list[0].get(), list.back().get(), {list[3].get()}, false);
    EXPECT_FALSE(whole.ByTrack());
    EXPECT_EQ(Walk(whole, CSeqWriteIndex::kWholeList, list[0].get()), all);
    EXPECT_EQ(Walk(whole, CSeqWriteIndex::kWholeList, list[4].get()), (std::vector<DCsqBase*>{list[4].get(), list[5].get()}));

    bool found = true;
    EXPECT_EQ(whole.Start(1, list[0].get(), found), nullptr);
    EXPECT_FALSE(found);
    CSeqWriteIndex byTrack;
    byTrack.Build(list[0].get(), list.back().get());
    EXPECT_TRUE(byTrack.ByTrack());
    EXPECT_EQ(byTrack.Start(CSeqWriteIndex::kWholeList, list[0].get(), found), nullptr);
    EXPECT_FALSE(found);
}
