#include "platform/media/alsa/AlsaMidiCodec.h"

#include <gtest/gtest.h>

#include <vector>

namespace plat::media {
namespace {

struct Decoded {
    std::vector<uint32_t> shorts;
    std::vector<std::vector<uint8_t>> sysex;
};

Decoded decode(AlsaMidiCodec& codec, const std::vector<snd_seq_event_t>& events)
{
    Decoded out;
    for (const auto& event : events)
        codec.decode(
            event, [&](uint32_t packed) { out.shorts.push_back(packed); },
            [&](std::span<const uint8_t> bytes) { out.sysex.emplace_back(bytes.begin(), bytes.end()); });
    return out;
}

TEST(AlsaMidiCodecTest, EveryShortMessageSurvivesTheSequencer)
{
    AlsaMidiCodec codec;
    const uint32_t messages[] = {
        0x403C90,  // note on
        0x003C90,  // note on, velocity 0
        0x40458F,  // note off, channel 16
        0x2040A3,  // polyphonic pressure
        0x7F07B5,  // controller
        0x0005C9,  // program change
        0x0033D2,  // channel pressure
        0x4000E0,  // pitch bend, centre
        0x7F7FEF,  // pitch bend, top
        0x000035F1,  // time code quarter frame
        0x000102F2,  // song position
        0x000007F3,  // song select
        0xF6,        // tune request
        0xF8, 0xFA, 0xFB, 0xFC, 0xFE, 0xFF,  // real time
    };
    for (uint32_t packed : messages) {
        SCOPED_TRACE(packed);
        snd_seq_event_t event;
        ASSERT_TRUE(codec.encodeShort(packed, event));
        const Decoded out = decode(codec, {event});
        ASSERT_EQ(out.shorts.size(), 1u);
        EXPECT_EQ(out.shorts[0], packed);
        EXPECT_TRUE(out.sysex.empty());
    }
}

TEST(AlsaMidiCodecTest, RefusesWhatIsNoCompleteMessage)
{
    AlsaMidiCodec codec;
    snd_seq_event_t event;
    for (uint32_t packed : {0x3Cu, 0xF0u, 0xF7u, 0x80C090u /* a status byte as data */}) {
        SCOPED_TRACE(packed);
        EXPECT_FALSE(codec.encodeShort(packed, event));
    }
    const uint8_t unframed[] = {0x43, 0x10, 0xF7};
    EXPECT_FALSE(AlsaMidiCodec::encodeSysex(unframed, event));
    EXPECT_FALSE(AlsaMidiCodec::encodeSysex({}, event));
}

TEST(AlsaMidiCodecTest, RealTimeEventsBecomeOneByteMessages)
{
    AlsaMidiCodec codec;
    std::vector<snd_seq_event_t> events;
    for (auto type : {SND_SEQ_EVENT_CLOCK, SND_SEQ_EVENT_START, SND_SEQ_EVENT_CONTINUE, SND_SEQ_EVENT_STOP,
                      SND_SEQ_EVENT_SENSING, SND_SEQ_EVENT_RESET, SND_SEQ_EVENT_TICK}) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        event.type = static_cast<snd_seq_event_type_t>(type);
        events.push_back(event);
    }
    // Between them, a note and an event that is no MIDI message at all.
    snd_seq_event_t note;
    snd_seq_ev_clear(&note);
    snd_seq_ev_set_noteon(&note, 2, 64, 100);
    events.insert(events.begin() + 2, note);
    snd_seq_event_t other;
    snd_seq_ev_clear(&other);
    other.type = SND_SEQ_EVENT_PORT_SUBSCRIBED;
    events.push_back(other);
    EXPECT_EQ(decode(codec, events).shorts,
              (std::vector<uint32_t>{0xF8, 0xFA, 0x644092, 0xFB, 0xFC, 0xFE, 0xFF, 0xF9}));
}

TEST(AlsaMidiCodecTest, SystemExclusiveInPiecesIsPutTogether)
{
    AlsaMidiCodec codec;
    const std::vector<uint8_t> message{0xF0, 0x43, 0x10, 0x4C, 0x00, 0x00, 0x7E, 0x00, 0xF7};
    snd_seq_event_t whole;
    ASSERT_TRUE(AlsaMidiCodec::encodeSysex(message, whole));
    EXPECT_EQ(decode(codec, {whole}).sysex, std::vector<std::vector<uint8_t>>{message});

    // As a slow device delivers it: three pieces, a clock tick in between (real-time
    // messages may come inside a system-exclusive message), and a stray tail before.
    const std::vector<uint8_t> stray{0x01, 0x02, 0xF7};
    const std::vector<uint8_t> a(message.begin(), message.begin() + 3);
    const std::vector<uint8_t> b(message.begin() + 3, message.begin() + 7);
    const std::vector<uint8_t> c(message.begin() + 7, message.end());
    std::vector<snd_seq_event_t> events;
    for (const auto* piece : {&stray, &a, &b, &c}) {
        snd_seq_event_t event;
        snd_seq_ev_clear(&event);
        snd_seq_ev_set_sysex(&event, static_cast<unsigned>(piece->size()), const_cast<uint8_t*>(piece->data()));
        events.push_back(event);
    }
    snd_seq_event_t clock;
    snd_seq_ev_clear(&clock);
    clock.type = SND_SEQ_EVENT_CLOCK;
    events.insert(events.begin() + 3, clock);
    const Decoded out = decode(codec, events);
    EXPECT_EQ(out.sysex, std::vector<std::vector<uint8_t>>{message});
    EXPECT_EQ(out.shorts, std::vector<uint32_t>{0xF8});
}

}  // namespace
}  // namespace plat::media
