#include "sequencer/data/DCsqTrack.h"
#include "sequencer/events/CSeqEventPool.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

uint32_t msg(uint8_t status, uint8_t d1, uint8_t d2 = 0)
{
    return uint32_t{status} | uint32_t{d1} << 8 | uint32_t{d2} << 16;
}

TEST(CSeqEventPoolTest, AnEventGivenBackIsTakenAgainInItsNodeWithNothingSet)
{
    CSeqEventPool pool;
    CSeqEventList made;
    const uint8_t bytes[] = {0xF0, 0x7E, 0xF7};
    CSeqEvent* sysEx = pool.Take(made);
    ASSERT_NE(sysEx, nullptr);
    sysEx->SetSysExEvent(FCMidiSysEx(bytes, sizeof bytes), nullptr, nullptr, MCTime(1.0f), MCVoiceTrack(0, 2));
    sysEx->SetMuted(1);
    // A wave event owns its block: the pool frees it (a leak shows under the sanitizers).
    CSeqEvent* wave = pool.Take(made);
    ASSERT_NE(wave, nullptr);
    wave->SetWaveStartEvent(new WG_WaveParams, nullptr, nullptr, MCTime(2.0f), MCVoiceTrack());
    ASSERT_EQ(made.size(), 2u);

    pool.Give(made, made.begin());
    pool.Give(made, made.begin());
    EXPECT_TRUE(made.empty());
    EXPECT_EQ(pool.GetSpareCount(), 2u);

    // The last given back comes first: its memory is the warmest.
    CSeqEventList again;
    EXPECT_EQ(pool.Take(again), wave);
    EXPECT_EQ(pool.Take(again), sysEx);
    EXPECT_EQ(pool.GetSpareCount(), 0u);
    for (const auto& event : again) {
        EXPECT_EQ(event->GetDataType(), CSeqEvent::typeNone);
        EXPECT_EQ(event->IsMuted(), 0);
        EXPECT_EQ(event->GetWaveParams(), nullptr);
        EXPECT_FALSE(event->GetSysExData().HasData());
        CWGEventList records;
        event->ConvertData(records, 0);
        EXPECT_TRUE(records.empty());
    }

    // With no pool an event is made anew.
    CSeqEvent* fresh = CSeqEventPool::Take(nullptr, again);
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(again.back().get(), fresh);
}

TEST(CSeqEventPoolTest, SpareEventsBeyondTheBoundAreFreed)
{
    CSeqEventPool pool;
    CSeqEventList made;
    for (size_t i = 0; i < CSeqEventPool::kMaxSpare + 10; ++i)
        ASSERT_NE(pool.Take(made), nullptr);
    while (!made.empty())
        pool.Give(made, made.begin());
    EXPECT_EQ(pool.GetSpareCount(), CSeqEventPool::kMaxSpare);
}

TEST(CSeqEventPoolTest, ARecycledOffHalfIsTheOffHalfANewOneWouldBe)
{
    DCsqTrack track;
    track.GetVoiceMap(0)->SetDevice(1);
    track.GetVoiceMap(0)->SetChannel(5);
    CSeqEventPool pool;
    CSeqEventList made;
    // The spare event was a muted system-exclusive message before.
    CSeqEvent* used = pool.Take(made);
    const uint8_t bytes[] = {0xF0, 0x01, 0xF7};
    used->SetSysExEvent(FCMidiSysEx(bytes, sizeof bytes), nullptr, &track, MCTime(9.0f), MCVoiceTrack(0, 4));
    used->SetMuted(1);
    pool.Give(made, made.begin());

    for (const unsigned long offVelocity : {0ul, 64ul}) {
        CSeqEvent note;
        note.SetNoteEvent(FCMidi(msg(0x90, 60, 100)), offVelocity, MCTime(0.25f), nullptr, &track, MCTime(1.5f),
                          MCVoiceTrack(0, 3));
        CSeqEvent copy(note);
        const std::unique_ptr<CSeqEvent> expected = copy.SplitNoteOff();
        ASSERT_TRUE(expected);
        CSeqEvent* off = pool.Take(made);
        ASSERT_NE(off, nullptr);
        note.SplitNoteOff(*off);

        CWGEventList want;
        CWGEventList got;
        copy.ConvertData(want, 0);
        expected->ConvertData(want, 0);
        note.ConvertData(got, 0);
        off->ConvertData(got, 0);
        ASSERT_EQ(got.size(), 2u) << "off velocity " << offVelocity;
        ASSERT_EQ(want.size(), 2u);
        for (auto w = want.begin(), g = got.begin(); w != want.end(); ++w, ++g) {
            EXPECT_EQ((*g)->time, (*w)->time);
            EXPECT_EQ((*g)->device, (*w)->device);
            EXPECT_EQ((*g)->data, (*w)->data) << "off velocity " << offVelocity;
        }
        pool.Give(made, made.begin());
    }
}

TEST(CSeqEventPoolTest, RecordsGivenBackAreEmptiedAndFilledAgainAsNewOnes)
{
    CSeqEventPool pool;
    CWGEventList used;
    const uint8_t bytes[] = {0xF0, 0x43, 0xF7};
    used.push_back(std::make_unique<CWGEventData>());
    used.back()->SetSysExData(bytes, sizeof bytes);
    used.push_back(nullptr);
    used.push_back(std::make_unique<CWGEventData>());
    used.back()->SetWaveData(new WG_WaveParams);
    used.back()->time = 77;
    used.back()->device = 3;
    pool.GiveRecords(used);
    EXPECT_TRUE(used.empty());
    ASSERT_EQ(pool.GetSpareRecords().size(), 2u) << "a null record is dropped";
    for (const auto& record : pool.GetSpareRecords()) {
        EXPECT_EQ(record->type, CWGEventData::WG_EVENT_NONE);
        EXPECT_EQ(record->data, 0u);
        EXPECT_EQ(record->time, 0u);
        EXPECT_EQ(record->device, 0);
    }

    // Converting with the spare records gives the records a conversion without them gives,
    // in the spare nodes, and takes new ones once they run out.
    DCsqTrack track;
    track.GetVoiceMap(0)->SetDevice(1);
    track.GetVoiceMap(0)->SetChannel(5);
    CSeqEvent patch;
    patch.SetPatchEvent(FCMidi(msg(0xC0, 7)), 1, 2, nullptr, &track, MCTime(0.5f), MCVoiceTrack(0, 3));
    CWGEventList want;
    patch.ConvertData(want, 4);
    ASSERT_EQ(want.size(), 3u);
    const CWGEventData* first = pool.GetSpareRecords().front().get();
    CWGEventList got;
    patch.ConvertData(got, 4, &pool.GetSpareRecords());
    EXPECT_TRUE(pool.GetSpareRecords().empty());
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got.front().get(), first);
    for (auto w = want.begin(), g = got.begin(); w != want.end(); ++w, ++g) {
        EXPECT_EQ((*g)->type, (*w)->type);
        EXPECT_EQ((*g)->time, (*w)->time);
        EXPECT_EQ((*g)->device, (*w)->device);
        EXPECT_EQ((*g)->data, (*w)->data);
        EXPECT_EQ((*g)->size, (*w)->size);
    }

    for (size_t i = 0; i < CSeqEventPool::kMaxSpare + 5; ++i)
        got.push_back(std::make_unique<CWGEventData>());
    pool.GiveRecords(got);
    EXPECT_EQ(pool.GetSpareRecords().size(), CSeqEventPool::kMaxSpare);
}

}  // namespace
