#include "sequencer/data/DCsqTrack.h"
#include "sequencer/events/CSeqEvent.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

// One media record as a test compares it.
struct Record {
    int type;
    uint32_t time;
    int device;
    uintptr_t data;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r)
{
    return out << "{type " << r.type << ", " << r.time << " ms, device " << r.device << ", data 0x" << std::hex << r.data
               << std::dec << "}";
}

std::vector<Record> records(const CWGEventList& list)
{
    std::vector<Record> out;
    for (const auto& r : list)
        out.push_back({r->type, r->time, r->device, r->type == CWGEventData::WG_EVENT_SYSEX ? r->length : r->data});
    return out;
}

// A short message from its status and data bytes, packed as records carry it.
uint32_t msg(uint8_t status, uint8_t d1, uint8_t d2 = 0)
{
    return uint32_t{status} | uint32_t{d1} << 8 | uint32_t{d2} << 16;
}

constexpr int kMidi = CWGEventData::WG_EVENT_MIDI;
constexpr int kDefault = 3;

class CSeqEventTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Voice 0 of the track plays on device 1, channel 5; voice 1 on device 2, channel 9.
        m_track.GetVoiceMap(0)->SetDevice(1);
        m_track.GetVoiceMap(0)->SetChannel(5);
        m_track.GetVoiceMap(1)->SetDevice(2);
        m_track.GetVoiceMap(1)->SetChannel(9);
    }

    DCsqTrack m_track;
    const MCTime m_time{1.5f};
    const MCVoiceTrack m_voice0{0, 3};
};

TEST_F(CSeqEventTest, EveryKindConvertsToItsRecords)
{
    MCVoiceTrack converted;  // bit 15 set: no voice to map
    converted.SetDevice(7);
    struct Case {
        std::string name;
        std::function<void(CSeqEvent&)> fill;
        std::vector<Record> expected;
    };
    const std::vector<Case> cases = {
        {"nothing set", [](CSeqEvent&) {}, {}},
        {"MIDI through the voice map", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0x90, 60, 100)), nullptr, &m_track, m_time, m_voice0); },
         {{kMidi, 1500, 1, msg(0x95, 60, 100)}}},
        {"MIDI of voice 1", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0xC2, 7)), nullptr, &m_track, m_time, MCVoiceTrack(1, 3)); },
         {{kMidi, 1500, 2, msg(0xC9, 7)}}},
        {"MIDI without a track keeps its channel", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0x92, 60, 1)), nullptr, nullptr, m_time, m_voice0); },
         {{kMidi, 1500, kDefault, msg(0x92, 60, 1)}}},
        {"MIDI of a converted word has no voice", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0x92, 60, 1)), nullptr, &m_track, m_time, converted); },
         {{kMidi, 1500, kDefault, msg(0x92, 60, 1)}}},
        {"MIDI of voice 8 has no map", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0x92, 60, 1)), nullptr, &m_track, m_time, MCVoiceTrack(8, 3)); },
         {{kMidi, 1500, kDefault, msg(0x92, 60, 1)}}},
        {"double at full scale", [&](CSeqEvent& e) { e.SetDoubleEvent(FCMidi(msg(0xB0, 7)), 0x3FFF, nullptr, &m_track, m_time, m_voice0); },
         {{kMidi, 1500, 1, msg(0xB5, 7, 0x7F)}, {kMidi, 1500, 1, msg(0xB5, 39, 0x7F)}}},
        {"double splits high and low", [&](CSeqEvent& e) { e.SetDoubleEvent(FCMidi(msg(0xB0, 1)), 0x1234, nullptr, nullptr, m_time, m_voice0); },
         {{kMidi, 1500, kDefault, msg(0xB0, 1, 0x24)}, {kMidi, 1500, kDefault, msg(0xB0, 33, 0x34)}}},
        {"note unsplit", [&](CSeqEvent& e) { e.SetNoteEvent(FCMidi(msg(0x90, 60, 100)), 0, MCTime(1.0f), nullptr, &m_track, m_time, m_voice0); }, {}},
        {"NRPN", [&](CSeqEvent& e) { e.SetNRPNEvent(1, 2, 0x2345, nullptr, &m_track, m_time, m_voice0); },
         {{kMidi, 1500, 1, msg(0xB5, 99, 1)}, {kMidi, 1500, 1, msg(0xB5, 98, 2)}, {kMidi, 1500, 1, msg(0xB5, 6, 0x46)},
          {kMidi, 1500, 1, msg(0xB5, 38, 0x45)}, {kMidi, 1500, 1, msg(0xB5, 99, 127)}, {kMidi, 1500, 1, msg(0xB5, 98, 127)}}},
        {"RPN without a track on channel 0", [&](CSeqEvent& e) { e.SetRPNEvent(0, 1, 0x2000, nullptr, nullptr, m_time, m_voice0); },
         {{kMidi, 1500, kDefault, msg(0xB0, 101, 0)}, {kMidi, 1500, kDefault, msg(0xB0, 100, 1)},
          {kMidi, 1500, kDefault, msg(0xB0, 6, 0x40)}, {kMidi, 1500, kDefault, msg(0xB0, 38, 0)},
          {kMidi, 1500, kDefault, msg(0xB0, 101, 127)}, {kMidi, 1500, kDefault, msg(0xB0, 100, 127)}}},
        {"patch through the voice map", [&](CSeqEvent& e) { e.SetPatchEvent(FCMidi(msg(0xC0, 12)), 3, 4, nullptr, &m_track, m_time, m_voice0); },
         {{kMidi, 1500, 1, msg(0xB5, 0, 3)}, {kMidi, 1500, 1, msg(0xB5, 32, 4)}, {kMidi, 1500, 1, msg(0xC5, 12)}}},
        // The bank goes where the program goes, not to channel 0.
        {"patch without a map on its own channel", [&](CSeqEvent& e) { e.SetPatchEvent(FCMidi(msg(0xC6, 12)), 3, 4, nullptr, nullptr, m_time, m_voice0); },
         {{kMidi, 1500, kDefault, msg(0xB6, 0, 3)}, {kMidi, 1500, kDefault, msg(0xB6, 32, 4)}, {kMidi, 1500, kDefault, msg(0xC6, 12)}}},
        {"empty SysEx", [&](CSeqEvent& e) { e.SetSysExEvent(FCMidiSysEx(), nullptr, &m_track, m_time, m_voice0); }, {}},
        {"meta", [&](CSeqEvent& e) { e.SetMetaEvent(nullptr, m_time, &m_track); e.GetValue() = 0x55; },
         {{CWGEventData::WG_EVENT_FILEMETA, 1500, 0, 0x55}}},
        // A system message has no channel: the map gives it its device and nothing else.
        {"system common through the voice map keeps its status", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0xF2, 3, 2)), nullptr, &m_track, m_time, m_voice0); },
         {{kMidi, 1500, 1, msg(0xF2, 3, 2)}}},
        {"real time through the voice map keeps its status", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0xFA, 0)), nullptr, &m_track, m_time, MCVoiceTrack(1, 3)); },
         {{kMidi, 1500, 2, msg(0xFA, 0)}}},
        {"timing without a device manager", [&](CSeqEvent& e) { e.SetTimingEvent(FCMidi(msg(0xF8, 0)), m_time); }, {}},
        {"channel mode on its own device", [&](CSeqEvent& e) { e.SetChannelModeEvent(FCMidi(msg(0xB2, 123)), nullptr, 6, m_time); },
         {{kMidi, 1500, 6, msg(0xB2, 123)}}},
        {"time truncated to the ms", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0xF8, 0)), nullptr, nullptr, MCTime(1.2345f), m_voice0); },
         {{kMidi, 1234, kDefault, msg(0xF8, 0)}}},
        {"time before the start due at once", [&](CSeqEvent& e) { e.SetMidiEvent(FCMidi(msg(0xF8, 0)), nullptr, nullptr, MCTime(-2.0f), m_voice0); },
         {{kMidi, 0, kDefault, msg(0xF8, 0)}}},
    };
    for (const Case& c : cases) {
        for (int muted = 0; muted < 2; ++muted) {
            CSeqEvent event;
            c.fill(event);
            event.SetMuted(muted);
            CWGEventList out;
            event.ConvertData(out, kDefault);
            EXPECT_EQ(records(out), muted ? std::vector<Record>{} : c.expected) << c.name << (muted ? " (muted)" : "");
        }
    }
}

TEST_F(CSeqEventTest, TheMutedBitOutlivesTheSetters)
{
    CSeqEvent event;
    event.SetMuted(1);
    event.SetNoteEvent(FCMidi(msg(0x90, 60, 1)), 0, MCTime(1.0f), nullptr, nullptr, m_time, m_voice0);
    std::unique_ptr<CSeqEvent> off = event.SplitNoteOff();
    EXPECT_EQ(event.IsMuted(), 1);
    EXPECT_EQ(off->IsMuted(), 1);
    EXPECT_EQ(event.GetDataType(), CSeqEvent::typeMidi);
    CWGEventList out;
    event.ConvertData(out, kDefault);
    off->ConvertData(out, kDefault);
    EXPECT_TRUE(out.empty());
}

TEST_F(CSeqEventTest, RecordTimesAreWholeMillisecondsCutFromTheSeconds)
{
    struct Case {
        float seconds;
        uint32_t ms;
    };
    // A time a float step short of a millisecond is that millisecond; a real fraction is cut.
    for (const Case& c : {Case{1.5f, 1500}, Case{std::nextafter(0.5f, 0.0f), 500}, Case{0.4999f, 499},
                          Case{std::nextafter(3600.0f, 0.0f), 3600000}, Case{2.0004f, 2000},
                          Case{-1.0f, 0},
                          Case{0.0f, 0}}) {
        SCOPED_TRACE(c.seconds);
        CSeqEvent event;
        event.SetMidiEvent(FCMidi(msg(0x90, 60, 100)), nullptr, nullptr, MCTime(c.seconds), m_voice0);
        CWGEventList out;
        event.ConvertData(out, kDefault);
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out.front()->time, c.ms);
    }
}

TEST_F(CSeqEventTest, SysExRecordsCarryTheirOwnCopy)
{
    const unsigned char bytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    CWGEventList out;
    {
        CSeqEvent event;
        event.SetSysExEvent(FCMidiSysEx(bytes, sizeof bytes), nullptr, &m_track, m_time, MCVoiceTrack(1, 3));
        event.ConvertData(out, kDefault);
        event.SetSysExEvent(FCMidiSysEx(bytes, 2), nullptr, nullptr, m_time, m_voice0);
        event.ConvertData(out, kDefault);
    }
    ASSERT_EQ(out.size(), 2u);
    const CWGEventData& mapped = *out.front();
    EXPECT_EQ(mapped.type, CWGEventData::WG_EVENT_SYSEX);
    EXPECT_EQ(mapped.device, 2);
    EXPECT_EQ(mapped.time, 1500u);
    ASSERT_EQ(mapped.length, sizeof bytes);
    EXPECT_EQ(std::memcmp(mapped.GetSysExData(), bytes, sizeof bytes), 0);
    EXPECT_EQ(out.back()->device, kDefault);
    EXPECT_EQ(out.back()->length, 2u);
}

TEST_F(CSeqEventTest, SplitNoteOffMakesTheOffHalf)
{
    struct Case {
        unsigned long offVelocity;
        uint32_t off;
    };
    for (const Case c : {Case{0, msg(0x95, 60, 0)}, Case{64, msg(0x85, 60, 64)}, Case{200, msg(0x85, 60, 200 & 0x7F)}}) {
        CSeqEvent note;
        note.SetNoteEvent(FCMidi(msg(0x90, 60, 100)), c.offVelocity, MCTime(0.25f), nullptr, &m_track, m_time, m_voice0);
        std::unique_ptr<CSeqEvent> off = note.SplitNoteOff();
        ASSERT_TRUE(off);
        EXPECT_EQ(note.GetDataType(), CSeqEvent::typeMidi);
        EXPECT_EQ(off->GetDataType(), CSeqEvent::typeMidi);
        CWGEventList out;
        note.ConvertData(out, kDefault);
        off->ConvertData(out, kDefault);
        EXPECT_EQ(records(out), (std::vector<Record>{{kMidi, 1500, 1, msg(0x95, 60, 100)}, {kMidi, 1750, 1, c.off}}))
            << "off velocity " << c.offVelocity;
    }
}

TEST_F(CSeqEventTest, WaveBlocksHaveOneOwnerEach)
{
    // A wave-parameter event hands its block to its record; a copy has its own block, and an
    // event never converted (a muted clip) frees its block itself.
    auto* block = new WG_WaveParams;
    block->tag = 9;
    block->player = 0x1234;
    CSeqEvent params;
    params.SetWaveParamEvent(block, nullptr, &m_track, m_time, m_voice0);
    const CSeqEvent copy(params);
    ASSERT_NE(copy.GetWaveParams(), block);
    EXPECT_EQ(copy.GetWaveParams()->tag, 9);
    CSeqEvent muted;
    muted = params;
    muted.SetMuted(1);

    CWGEventList out;
    params.ConvertData(out, kDefault);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out.front()->type, CWGEventData::WG_EVENT_WAVEPARAMS);
    EXPECT_EQ(out.front()->GetWaveParams(), block);
    EXPECT_EQ(out.front()->device, 1);
    EXPECT_EQ(params.GetWaveParams(), nullptr) << "the record owns the block now";
    params.ConvertData(out, kDefault);
    EXPECT_EQ(out.size(), 1u) << "a handed-over block is not sent twice";

    // A wave start keeps its block and sends its marker; without a device manager it goes to
    // device 0.
    CSeqEvent start;
    start.SetWaveStartEvent(new WG_WaveParams(*copy.GetWaveParams()), nullptr, &m_track, m_time, m_voice0);
    CSeqEvent startCopy;
    startCopy = start;
    start.ConvertData(out, kDefault);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out.back()->type, CWGEventData::WG_EVENT_WAVESTART);
    EXPECT_EQ(out.back()->length, 0x1234u);
    EXPECT_EQ(out.back()->device, 0);
    EXPECT_NE(start.GetWaveParams(), nullptr);
    EXPECT_NE(startCopy.GetWaveParams(), start.GetWaveParams());

    // Turned into another kind, an event lets go of its block.
    startCopy.SetMidiEvent(FCMidi(msg(0x90, 1, 1)), nullptr, nullptr, m_time, m_voice0);
    EXPECT_EQ(startCopy.GetWaveParams(), nullptr);
    // Self-assignment and setting the block it holds keep it.
    start = start;
    start.SetWaveStartEvent(start.GetWaveParams(), nullptr, nullptr, m_time, m_voice0);
    EXPECT_EQ(start.GetWaveParams()->player, 0x1234u);
}

}  // namespace
