#include "platform/media/MediaError.h"
#include "platform/media/RealClock.h"
#include "platform/media/alsa/AlsaMidiInPort.h"
#include "platform/media/alsa/AlsaMidiOutPort.h"
#include "platform/media/alsa/AlsaSequencer.h"
#include "platform/media/tests/SynthTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <unistd.h>

namespace plat::media {
namespace {

using namespace test;

// Runs only where the machine has a sequencer, through its "Midi Through" loopback port.
class AlsaPortsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (::access("/dev/snd/seq", F_OK) != 0)
            GTEST_SKIP() << "no ALSA sequencer on this machine";
        sequencer = AlsaSequencer::open();
        ASSERT_TRUE(sequencer);
        for (const auto& d : sequencer->destinations())
            if (d.name.find("Through") != std::string::npos)
                through = d;
        if (through.name.empty())
            GTEST_SKIP() << "no Midi Through port";
    }

    RealClock clock;
    std::unique_ptr<AlsaSequencer> sequencer;
    AlsaSequencer::Address through;
};

class Received final : public MidiInPort::Events {
public:
    void data(uint32_t packed, uint32_t ms) override
    {
        std::lock_guard lock(mutex);
        messages.emplace_back(packed, ms);
        changed.notify_all();
    }
    void longData(std::span<const uint8_t> bytes, uint32_t) override
    {
        std::lock_guard lock(mutex);
        sysex.emplace_back(bytes.begin(), bytes.end());
        changed.notify_all();
    }
    bool waitFor(size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(5), [&] { return messages.size() >= count; });
    }
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<uint32_t, uint32_t>> messages;
    std::vector<std::vector<uint8_t>> sysex;
};

TEST_F(AlsaPortsTest, AStreamArrivesOnTimeThroughTheLoopback)
{
    AlsaMidiOutPort out(*sequencer, through, clock);
    AlsaMidiInPort in(*sequencer, through);
    RecordingEvents events;
    Received received;
    ASSERT_EQ(in.open(&received), kOk);
    ASSERT_EQ(in.start(), kOk);
    ASSERT_EQ(out.open(&events), kOk);
    EXPECT_EQ(out.open(&events), kErrorAllocated);

    const std::vector<TimedMessage> messages{
        {0, noteOn(0, 60, 100)}, {100, noteOff(0, 60), true}, {150, noteOn(1, 62, 90)}, {250, noteOff(1, 62)}};
    const auto first = blockWords(messages, 0, 200);
    const auto second = blockWords(messages, 200, 100);
    ASSERT_EQ(out.queue({first, 1}), kOk);
    ASSERT_EQ(out.queue({second, 2}), kOk);
    ASSERT_EQ(out.restart(), kOk);
    ASSERT_TRUE(received.waitFor(4));
    events.waitForDone(2);
    EXPECT_EQ(events.done(), (std::vector<uintptr_t>{1, 2}));
    EXPECT_EQ(events.markers().size(), 1u);
    {
        std::lock_guard lock(received.mutex);
        for (size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(received.messages[i].first, messages[i].packed);
            EXPECT_NEAR(received.messages[i].second, messages[i].ms, 30.0);
        }
    }

    // A direct message and a system-exclusive one go out at once; clock ticks come back as
    // one-byte messages.
    ASSERT_EQ(out.shortMsg(0xF8), kOk);
    const uint8_t sysex[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    ASSERT_EQ(out.longMsg(sysex), kOk);
    ASSERT_TRUE(received.waitFor(5));
    EXPECT_EQ(received.messages[4].first, 0xF8u);

    // Blocks still queued come back from stop.
    ASSERT_EQ(out.pause(), kOk);
    ASSERT_EQ(out.queue({first, 3}), kOk);
    ASSERT_EQ(out.stop(), kOk);
    EXPECT_EQ(events.done(), (std::vector<uintptr_t>{1, 2, 3}));
    EXPECT_EQ(out.close(), kOk);
    EXPECT_EQ(in.close(), kOk);
}

}  // namespace
}  // namespace plat::media
