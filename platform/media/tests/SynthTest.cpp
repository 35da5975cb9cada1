#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/audio/SpscQueue.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/synth/SynthMidiOutPort.h"
#include "platform/media/synth/SynthProvider.h"
#include "platform/media/tests/SynthTestSupport.h"
#include "platform/media/tests/WavTestFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <memory>
#include <numeric>

namespace plat::media {
namespace {

using namespace test;

const std::string kFont(SynthProvider::kDefaultSoundFont);

std::vector<float> monoOf(const WavContents& wav)
{
    std::vector<float> mono(wav.frames());
    for (size_t i = 0; i < mono.size(); ++i)
        mono[i] = 0.5f * (wav.sample(i, 0) + wav.sample(i, 1));
    return mono;
}

// Plays timed messages through "Quavix Synth" into a WAV file on a manual clock, the stream
// started at clock 0, in 100 ms blocks queued up front.
WavContents renderToFile(const std::vector<TimedMessage>& messages, uint32_t lengthMs, RecordingEvents& events,
                         uint32_t rate = 48000, uint32_t batchMs = 0)
{
    TempFolder folder;
    const std::string path = folder.file("synth.wav");
    ManualTimerService timers;
    auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<WavFileSink>(path), rate,
                                                AudioEngine::kDefaultBlockFrames, batchMs);
    SynthProvider provider(engine, kFont);
    auto port = provider.createMidiOut(0);
    EXPECT_TRUE(port);
    if (!port)
        return {};
    EXPECT_EQ(port->open(&events), kOk);
    std::vector<std::vector<uint32_t>> blocks;
    for (uint32_t at = 0; at < lengthMs; at += 100)
        blocks.push_back(blockWords(messages, at, 100));
    for (size_t i = 0; i < blocks.size(); ++i)
        EXPECT_EQ(port->queue({blocks[i], i + 1}), kOk);
    EXPECT_EQ(port->restart(), kOk);
    timers.advance(lengthMs);
    engine->waitCaughtUp();
    EXPECT_EQ(port->close(), kOk);
    auto wav = readWav(path);
    EXPECT_TRUE(wav);
    return wav ? *wav : WavContents{};
}

TEST(SynthTest, AScriptedScaleHasAnOnsetAtEveryNoteOnAndSilenceElsewhere)
{
    const int keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
    // An organ: its sound starts at full strength, where a piano sample of the font opens with
    // several milliseconds too quiet to tell from silence.
    std::vector<TimedMessage> messages{{0, 0x10C0}};
    std::vector<uint32_t> noteOns;
    for (int i = 0; i < 8; ++i) {
        const uint32_t at = 500 + 1000 * static_cast<uint32_t>(i) + static_cast<uint32_t>(i * 7 % 5);  // not on round times
        noteOns.push_back(at);
        messages.push_back({at, noteOn(0, keys[i], 100)});
        messages.push_back({at + 300, noteOff(0, keys[i])});
    }
    RecordingEvents events;
    const WavContents wav = renderToFile(messages, 11000, events);
    ASSERT_EQ(wav.sampleRate, 48000u);
    ASSERT_EQ(wav.frames(), 11000u * 48 - 11000u * 48 % 256);

    // Every block came back, in order.
    const auto done = events.done();
    ASSERT_EQ(done.size(), 110u);
    for (size_t i = 0; i < done.size(); ++i)
        EXPECT_EQ(done[i], i + 1);

    const auto rms = windowRms(monoOf(wav), 48);  // 1 ms windows
    const auto onsets = detectOnsets(rms, 2e-4);
    ASSERT_EQ(onsets.size(), noteOns.size());
    for (size_t i = 0; i < onsets.size(); ++i) {
        SCOPED_TRACE(noteOns[i]);
        EXPECT_LE(std::abs(static_cast<int>(onsets[i]) - static_cast<int>(noteOns[i])), 5);
    }
    // Silence before the first note and once the last one has died away.
    for (size_t k = 0; k < 495; ++k)
        ASSERT_LT(rms[k], 1e-4) << "at " << k << " ms";
    for (size_t k = 10500; k < rms.size(); ++k)
        ASSERT_LT(rms[k], 1e-3) << "at " << k << " ms";
    // And sound while the notes play.
    for (uint32_t at : noteOns)
        EXPECT_GT(rms[at + 100], 0.01);
}

TEST(SynthTest, EventsLandOnTheSynthesizerBlockNearestTheirFrame)
{
    // Dry notes, each cut off before the next, at times whose frames fall at every offset
    // within FluidSynth's 64-frame blocks.
    std::vector<TimedMessage> messages{{0, controller(0, 91, 0)}, {0, controller(0, 93, 0)}};
    std::vector<uint32_t> noteOns;
    for (uint32_t i = 0; i < 8; ++i) {
        // Apart enough for the reverberation to die away; 48 frames a ms puts the notes at
        // offsets 0, 48, 32, 16, 0, ... within the synthesizer's blocks.
        const uint32_t at = 100 + 2500 * i + i * 1;
        noteOns.push_back(at);
        messages.push_back({at, noteOn(0, 64, 110)});
        messages.push_back({at + 150, controller(0, 120, 0)});  // all sound off
    }
    RecordingEvents events;
    const WavContents wav = renderToFile(messages, 20000, events);
    const auto mono = monoOf(wav);
    for (uint32_t at : noteOns) {
        SCOPED_TRACE(at);
        const size_t frame = at * 48;
        size_t first = frame - 100;
        while (first < mono.size() && std::fabs(mono[first]) < 1e-5f)
            ++first;
        // The block boundary nearest the frame is at most 32 frames away; the sound itself
        // takes a few frames more to rise above the last bit.
        EXPECT_GE(static_cast<long>(first) - static_cast<long>(frame), -32);
        EXPECT_LE(static_cast<long>(first) - static_cast<long>(frame), 32 + 24);
    }
}

// An engine that renders in batches hands the synthesizer long runs of frames: the music is
// the same, sample for sample, as block by block.
TEST(SynthTest, RenderingInBatchesChangesNoSample)
{
    std::vector<TimedMessage> messages{{0, 0x00C0}, {0, 0x30C1}, {0, controller(1, 91, 90)}};
    for (uint32_t i = 0; i < 24; ++i) {
        const uint32_t at = 40 + 113 * i + i % 3;
        messages.push_back({at, noteOn(static_cast<int>(i % 2), 48 + static_cast<int>(i % 12), 90)});
        messages.push_back({at + 170, noteOff(static_cast<int>(i % 2), 48 + static_cast<int>(i % 12))});
        if (i % 5 == 0)
            messages.push_back({at + 30, controller(0, 7, 60 + static_cast<int>(i))});
    }
    std::stable_sort(messages.begin(), messages.end(), [](const TimedMessage& a, const TimedMessage& b) { return a.ms < b.ms; });
    RecordingEvents blockEvents, batchEvents;
    const WavContents byBlock = renderToFile(messages, 4000, blockEvents);
    const WavContents byBatch = renderToFile(messages, 4000, batchEvents, 48000, AudioEngine::kFileBatchMs);
    EXPECT_EQ(batchEvents.done(), blockEvents.done());
    // The batch may leave the last few blocks for a later pass: what both rendered is compared.
    const size_t frames = std::min(byBlock.frames(), byBatch.frames());
    ASSERT_GT(frames, 48000u * 3);
    float loudest = 0;
    for (size_t i = 0; i < frames; ++i)
        loudest = std::max(loudest, std::fabs(byBlock.sample(i, 0)));
    ASSERT_GT(loudest, 0.05f) << "the piece was heard";
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(byBatch.sample(i, 0), byBlock.sample(i, 0)) << "frame " << i;
        ASSERT_EQ(byBatch.sample(i, 1), byBlock.sample(i, 1)) << "frame " << i;
    }
}

TEST(SynthTest, RestartAtPutsStreamTimeZeroOnTheMillisecondItNames)
{
    // Started 40 ms late by the clock, as from the millisecond the play started in: a dry
    // note at 100 sounds at the frame of that millisecond + 100, not 40 ms later.
    ManualTimerService timers;
    auto owned = std::make_unique<MemoryAudioSink>(48000);
    const MemoryAudioSink* sink = owned.get();
    auto engine = std::make_shared<AudioEngine>(timers, std::move(owned));
    SynthProvider provider(engine, kFont);
    auto port = provider.createMidiOut(0);
    ASSERT_TRUE(port);
    RecordingEvents events;
    ASSERT_EQ(port->open(&events), kOk);
    const auto words =
        blockWords({{0, controller(0, 91, 0)}, {0, controller(0, 93, 0)}, {100, noteOn(0, 64, 110)}}, 0, 300);
    ASSERT_EQ(port->queue({words, 1}), kOk);
    const MediaTime playStart = timers.clock().now();
    timers.advance(40);
    ASSERT_EQ(port->restartAt(playStart), kOk);
    timers.advance(300);
    engine->waitCaughtUp();
    const auto frame = static_cast<size_t>(engine->frameAt((playStart + 100).ms()));
    size_t first = frame - 100;
    while (first < sink->frameCount() && std::fabs(sink->left(first)) < 1e-5f)
        ++first;
    EXPECT_GE(static_cast<long>(first) - static_cast<long>(frame), -32);
    EXPECT_LE(static_cast<long>(first) - static_cast<long>(frame), 32 + 24);
    EXPECT_EQ(port->close(), kOk);
}

TEST(SynthTest, PauseRestartAndStopKeepTheStreamContract)
{
    ManualTimerService timers;
    auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<MemoryAudioSink>(48000 * 4));
    SynthProvider provider(engine, kFont);
    auto port = provider.createMidiOut(0);
    ASSERT_TRUE(port);
    RecordingEvents events;
    EXPECT_EQ(port->queue({blockWords({}, 0, 100), 1}), kErrorInvalidHandle);  // not open
    ASSERT_EQ(port->open(&events), kOk);
    EXPECT_EQ(port->open(&events), kErrorAllocated);
    EXPECT_EQ(provider.createMidiOut(1), nullptr);

    const auto words = blockWords({{50, noteOn(0, 60, 90), true}}, 0, 100);
    const auto empty = blockWords({}, 0, 100);
    const uint32_t bad[] = {0, 0};
    EXPECT_EQ(port->queue({bad, 9}), kErrorInvalidParam);
    ASSERT_EQ(port->queue({words, 1}), kOk);
    ASSERT_EQ(port->queue({empty, 2}), kOk);
    ASSERT_EQ(port->queue({empty, 3}), kOk);

    timers.advance(500);  // not started yet: nothing plays
    engine->waitCaughtUp();
    ASSERT_EQ(port->restart(), kOk);
    timers.advance(150);
    engine->waitCaughtUp();
    events.waitForDone(1);
    EXPECT_EQ(events.markers(), (std::vector<std::pair<uintptr_t, size_t>>{{1, 0}}));

    ASSERT_EQ(port->pause(), kOk);
    timers.advance(1000);
    engine->waitCaughtUp();
    ASSERT_EQ(port->restart(), kOk);
    timers.advance(100);  // stream at about 250 ms: block 2 ended, block 3 not
    engine->waitCaughtUp();
    events.waitForDone(2);
    EXPECT_EQ(events.done(), (std::vector<uintptr_t>{1, 2}));

    ASSERT_EQ(port->stop(), kOk);  // block 3 comes back once the engine renders on
    timers.advance(10);
    engine->waitCaughtUp();
    events.waitForDone(3);
    EXPECT_EQ(events.done(), (std::vector<uintptr_t>{1, 2, 3}));

    // After stop the stream waits at time 0 for the next restart.
    ASSERT_EQ(port->queue({empty, 4}), kOk);
    timers.advance(500);
    engine->waitCaughtUp();
    ASSERT_EQ(port->restart(), kOk);
    timers.advance(150);
    engine->waitCaughtUp();
    events.waitForDone(4);

    EXPECT_EQ(port->shortMsg(0x40), kErrorInvalidParam);
    EXPECT_EQ(port->shortMsg(noteOn(1, 60, 100)), kOk);
    const uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    EXPECT_EQ(port->longMsg(gmOn), kOk);
    const uint8_t unframed[] = {0x7E, 0x7F};
    EXPECT_EQ(port->longMsg(unframed), kErrorInvalidParam);

    // The port holds a bounded number of blocks; a full port refuses more until blocks
    // come back, and a restart behind a full queue still gets through.
    ASSERT_EQ(port->pause(), kOk);
    for (uintptr_t user = 100; user < 100 + SynthMidiOutPort::kMaxQueuedBlocks; ++user)
        ASSERT_EQ(port->queue({empty, user}), kOk);
    EXPECT_EQ(port->queue({empty, 999}), kErrorNoMemory);
    ASSERT_EQ(port->restart(), kOk);
    timers.advance(250);
    engine->waitCaughtUp();
    events.waitForDone(5);
    EXPECT_EQ(port->queue({empty, 1000}), kOk);
    ASSERT_EQ(port->stop(), kOk);
    timers.advance(10);
    engine->waitCaughtUp();
    events.waitForDone(4 + SynthMidiOutPort::kMaxQueuedBlocks + 1);

    // Blocks still queued at close come back from close itself.
    ASSERT_EQ(port->queue({empty, 5}), kOk);
    ASSERT_EQ(port->close(), kOk);
    const auto done = events.done();
    ASSERT_EQ(done.size(), 4 + SynthMidiOutPort::kMaxQueuedBlocks + 2);
    EXPECT_EQ(done[4], 100u);
    EXPECT_EQ(done[done.size() - 2], 1000u);
    EXPECT_EQ(done.back(), 5u);
    EXPECT_EQ(port->close(), kErrorInvalidHandle);
    EXPECT_FALSE(engine->isRunning());
}

TEST(SynthTest, ASoundFontThatCannotBeLoadedIsSaidAndTheSynthIsNotListed)
{
    TempFolder folder;
    const std::string broken = folder.file("broken.sf2");
    std::ofstream(broken) << "RIFF this is not a sound font";
    ManualTimerService timers;
    auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<MemoryAudioSink>(1024));

    struct Case {
        std::string path;
        std::string reason;
    };
    for (const Case& c : {Case{folder.file("missing.sf2"), "does not exist"}, Case{broken, "not a usable sound font"},
                          Case{folder.path(), "not a file"}}) {
        SCOPED_TRACE(c.path);
        std::vector<UserPrompt::Message> said;
        UserPrompt::ScopedHook hook([&](const UserPrompt::Message& m) {
            said.push_back(m);
            return UserPrompt::Answer::ok;
        });
        SynthProvider provider(engine, c.path);
        EXPECT_FALSE(provider.isAvailable());
        EXPECT_TRUE(provider.midiOuts().empty());
        EXPECT_EQ(provider.createMidiOut(0), nullptr);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].text.find(c.path), std::string::npos);
        EXPECT_NE(said[0].text.find(c.reason), std::string::npos);
    }

    SynthProvider good(engine, kFont);
    ASSERT_EQ(good.midiOuts().size(), 1u);
    EXPECT_EQ(good.midiOuts()[0].name, "Quavix Synth");
    EXPECT_EQ(good.midiOuts()[0].technology, 7);
    EXPECT_TRUE(SynthProvider(nullptr, kFont).midiOuts().empty());  // no audio output
}

TEST(SynthTest, TheSettingNamesTheSoundFont)
{
    TempFolder folder;
    plat::Profile::setFolder(folder.path());
    plat::Profile::setApplication("SynthTest");
    EXPECT_EQ(SynthProvider::soundFont(), kFont);
    ASSERT_TRUE(plat::Profile::instance().setString("Settings", "SoundFont", "/somewhere/else.sf2"));
    EXPECT_EQ(SynthProvider::soundFont(), "/somewhere/else.sf2");
}

// A wave started by the media clock, as a player would start one: a short burst placed at
// the engine frame that the clock time maps to.
class ClickSource final : public AudioSource {
public:
    explicit ClickSource(AudioEngine& engine) : m_engine(engine) {}
    void startNow() { m_starts.push(m_engine.frameAt(m_engine.clock().nowMs())); }
    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override
    {
        uint64_t start = 0;
        while (m_pending || m_starts.pop(start)) {
            if (!m_pending) {
                m_next = start;
                m_pending = true;
            }
            if (m_next >= firstFrame + frames)
                return;
            for (uint64_t f = std::max(m_next, firstFrame); f < std::min(m_next + 32, firstFrame + frames); ++f) {
                left[f - firstFrame] += 0.5f;
                right[f - firstFrame] += 0.5f;
            }
            if (m_next + 32 > firstFrame + frames)
                return;
            m_pending = false;
        }
    }

private:
    AudioEngine& m_engine;
    SpscQueue<uint64_t, 256> m_starts;
    uint64_t m_next = 0;
    bool m_pending = false;
};

TEST(SynthTest, MidiAndAWaveStartedByTheClockStayTogetherOverTenMinutes)
{
    constexpr uint32_t kRate = 22050;  // 22.05 frames a millisecond: no time maps exactly
    constexpr uint32_t kLengthMs = 600'000;
    constexpr uint32_t kEveryMs = 10'000;
    TempFolder folder;
    const std::string path = folder.file("drift.wav");
    ManualTimerService timers;
    auto engine = std::make_shared<AudioEngine>(timers, std::make_unique<WavFileSink>(path), kRate);
    SynthProvider provider(engine, kFont);
    auto port = provider.createMidiOut(0);
    ASSERT_TRUE(port);
    RecordingEvents events;
    ASSERT_EQ(port->open(&events), kOk);
    ClickSource clicks(*engine);
    ASSERT_EQ(engine->addSource(clicks), kOk);

    // A dry organ note every ten seconds on the stream; a click by the clock 5003 ms after each.
    std::vector<TimedMessage> messages{{0, 0x10C0}, {0, controller(0, 91, 0)}, {0, controller(0, 93, 0)}};
    for (uint32_t at = 1000; at < kLengthMs - kEveryMs; at += kEveryMs) {
        messages.push_back({at, noteOn(0, 64, 110)});
        messages.push_back({at + 300, controller(0, 120, 0)});
        timers.setOneShot(at + 5003, 1, [&clicks] { clicks.startNow(); });
    }
    // Driven as the device manager drives it: 100 ms blocks, a few ahead of the clock.
    std::vector<std::vector<uint32_t>> blocks;
    for (uint32_t at = 0; at < kLengthMs; at += 100)
        blocks.push_back(blockWords(messages, at, 100));
    size_t queued = 0;
    for (; queued < 3; ++queued)
        ASSERT_EQ(port->queue({blocks[queued], queued}), kOk);
    ASSERT_EQ(port->restart(), kOk);
    for (uint32_t now = 0; now < kLengthMs; now += 100) {
        timers.advance(100);
        engine->waitCaughtUp();
        if (queued < blocks.size()) {
            // As the device manager does, a new block goes out when an old one has come back.
            events.waitForDone(queued - 3);
            ASSERT_EQ(port->queue({blocks[queued], queued}), kOk);
            ++queued;
        }
    }
    ASSERT_EQ(port->close(), kOk);
    engine->removeSource(clicks);

    const auto wav = readWav(path);
    ASSERT_TRUE(wav);
    const auto mono = monoOf(*wav);
    auto firstSound = [&](size_t from) {
        while (from < mono.size() && std::fabs(mono[from]) < 1e-5f)
            ++from;
        return from;
    };
    // Each note and the click after it keep the same distance, from the first minute to the
    // last: the note lands on the synthesizer's 64-frame block nearest its frame, so single
    // distances vary by up to 32 frames either way, but their mean does not move.
    const double expected = 5003.0 * kRate / 1000;
    std::vector<double> apart;
    for (uint32_t at = 1000; at < kLengthMs - kEveryMs; at += kEveryMs) {
        SCOPED_TRACE(at);
        const size_t note = firstSound(static_cast<size_t>(at - 50) * kRate / 1000);
        const size_t click = firstSound(static_cast<size_t>(at + 5003 - 50) * kRate / 1000);
        apart.push_back(static_cast<double>(click) - static_cast<double>(note));
        EXPECT_NEAR(apart.back(), expected, 32.0 + 8.0);
    }
    ASSERT_EQ(apart.size(), 59u);
    const auto mean = [](auto from, auto to) { return std::accumulate(from, to, 0.0) / static_cast<double>(to - from); };
    EXPECT_NEAR(mean(apart.end() - 16, apart.end()), mean(apart.begin(), apart.begin() + 16), 8.0);
}

}  // namespace
}  // namespace plat::media
