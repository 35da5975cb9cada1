#include "platform/core/Event.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/BeepSource.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/audio/SoundBuffer.h"
#include "platform/media/audio/SoundDevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace plat::media {
namespace {

struct SoundFixture {
    SoundFixture()
    {
        auto owned = std::make_unique<MemoryAudioSink>(48000 * 4);
        sink = owned.get();
        engine = std::make_unique<AudioEngine>(timers, std::move(owned));
        device = std::make_unique<SoundDevice>(*engine);
        EXPECT_EQ(device->start(), kOk);
    }
    ~SoundFixture() { device->stop(); }
    void advance(uint32_t ms)
    {
        timers.advance(ms);
        engine->waitCaughtUp();
    }

    ManualTimerService timers{1000};
    MemoryAudioSink* sink = nullptr;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<SoundDevice> device;
};

std::vector<uint8_t> Pcm16(const std::vector<int16_t>& samples)
{
    std::vector<uint8_t> bytes;
    for (int16_t s : samples) {
        bytes.push_back(static_cast<uint8_t>(s));
        bytes.push_back(static_cast<uint8_t>(static_cast<uint16_t>(s) >> 8));
    }
    return bytes;
}

// Stereo 16-bit at the engine's rate: left counts up, right counts down.
std::vector<int16_t> Ramp(size_t frames, int start = 0)
{
    std::vector<int16_t> s;
    for (size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<int16_t>((start + static_cast<int>(i)) * 7 % 30000));
        s.push_back(static_cast<int16_t>(-((start + static_cast<int>(i)) * 5 % 30000)));
    }
    return s;
}

size_t FirstSound(const MemoryAudioSink& sink)
{
    for (size_t i = 0; i < sink.frameCount(); ++i)
        if (sink.left(i) != 0.0f || sink.right(i) != 0.0f)
            return i;
    return sink.frameCount();
}

TEST(SoundBufferTest, PlaysItsRingAtUnityLoopingOrOnce)
{
    SoundFixture f;
    const PcmFormat format{2, 48000, 16};
    const size_t ringFrames = 1000;
    std::unique_ptr<SoundBuffer> buffer = f.device->createBuffer(format, ringFrames * 4);
    ASSERT_TRUE(buffer);
    const std::vector<int16_t> ramp = Ramp(ringFrames, 1);
    ASSERT_EQ(buffer->write(0, Pcm16(ramp)), kOk);
    plat::Event stopped(true, false);
    const SoundBuffer::NotifyPosition atStop[] = {{SoundBuffer::kNotifyAtStop, &stopped}};
    ASSERT_EQ(buffer->setNotificationPositions(atStop), kOk);

    // Heard from the frame asked for, twice round the ring, exactly as written.
    const uint64_t at = f.device->currentFrame() + 100;
    ASSERT_EQ(buffer->play(true, at), kOk);
    EXPECT_EQ(buffer->status(), SoundBuffer::kStatusPlaying | SoundBuffer::kStatusLooping);
    EXPECT_EQ(buffer->setNotificationPositions(atStop), kErrorStillPlaying);
    f.advance(60);
    ASSERT_EQ(FirstSound(*f.sink), at);
    for (size_t i = 0; i < 2 * ringFrames; ++i) {
        const size_t k = i % ringFrames;
        ASSERT_EQ(f.sink->left(at + i), ramp[2 * k] / 32768.0f) << i;
        ASSERT_EQ(f.sink->right(at + i), ramp[2 * k + 1] / 32768.0f) << i;
    }
    EXPECT_FALSE(stopped.isSet());
    ASSERT_EQ(buffer->stop(), kOk);
    EXPECT_TRUE(stopped.isSet());
    EXPECT_EQ(buffer->status(), 0u);

    // Once: from the current place to the end of the ring, then it stops by itself.
    stopped.reset();
    ASSERT_EQ(buffer->setCurrentPosition(400 * 4), kOk);
    const size_t before = f.sink->frameCount();
    ASSERT_EQ(buffer->play(false), kOk);
    f.advance(60);
    EXPECT_EQ(buffer->status(), 0u);
    EXPECT_TRUE(stopped.isSet());
    size_t heard = 0;
    for (size_t i = before; i < f.sink->frameCount(); ++i)
        heard += f.sink->left(i) != 0.0f;
    EXPECT_EQ(heard, ringFrames - 400);
}

TEST(SoundBufferTest, NotifiesWhenThePlayCursorPassesAnOffset)
{
    SoundFixture f;
    std::unique_ptr<SoundBuffer> buffer = f.device->createBuffer(PcmFormat{1, 48000, 16}, 8 * 960);
    ASSERT_TRUE(buffer);
    // One event at the start of each 480-frame block but the first.
    std::vector<std::unique_ptr<plat::Event>> events;
    std::vector<SoundBuffer::NotifyPosition> positions;
    for (uint32_t block = 1; block < 8; ++block) {
        events.push_back(std::make_unique<plat::Event>(true, false));
        positions.push_back({block * 960, events.back().get()});
    }
    ASSERT_EQ(buffer->setNotificationPositions(positions), kOk);
    ASSERT_EQ(buffer->play(true, f.device->currentFrame()), kOk);
    f.advance(25);   // 1200 frames: two blocks passed, a third begun
    std::vector<bool> set;
    for (const auto& e : events)
        set.push_back(e->isSet());
    EXPECT_EQ(set, (std::vector<bool>{true, true, false, false, false, false, false}));
    EXPECT_NEAR(buffer->currentPosition() / 2.0, 1200.0, 256.0);

    const SoundBuffer::NotifyPosition outside[] = {{8 * 960, events[0].get()}};
    buffer->stop();
    EXPECT_EQ(buffer->setNotificationPositions(outside), kErrorInvalidParam);
}

TEST(SoundBufferTest, VolumeAndPanAttenuateInHundredthsOfADecibel)
{
    struct Case {
        int32_t volume;
        int32_t pan;
        float left;
        float right;
    };
    const Case cases[] = {
        {0, 0, 1.0f, 1.0f},
        {-600, 0, 0.50119f, 0.50119f},
        {0, 10000, 0.0f, 1.0f},
        {0, -2000, 1.0f, 0.1f},
        {-2000, 2000, 0.01f, 0.1f},
        {-10000, 0, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume << " pan " << c.pan);
        SoundFixture f;
        std::unique_ptr<SoundBuffer> buffer = f.device->createBuffer(PcmFormat{1, 48000, 16}, 2000);
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer->write(0, Pcm16(std::vector<int16_t>(1000, 16384))), kOk);
        ASSERT_EQ(buffer->setVolume(c.volume), kOk);
        ASSERT_EQ(buffer->setPan(c.pan), kOk);
        const uint64_t at = f.device->currentFrame();
        ASSERT_EQ(buffer->play(true, at), kOk);
        f.advance(10);
        EXPECT_NEAR(f.sink->left(at + 10), 0.5f * c.left, 1e-4);
        EXPECT_NEAR(f.sink->right(at + 10), 0.5f * c.right, 1e-4);
    }
    SoundFixture f;
    std::unique_ptr<SoundBuffer> buffer = f.device->createBuffer(PcmFormat{1, 48000, 16}, 2000);
    EXPECT_EQ(buffer->setVolume(1), kErrorInvalidParam);
    EXPECT_EQ(buffer->setVolume(-10001), kErrorInvalidParam);
    EXPECT_EQ(buffer->setPan(10001), kErrorInvalidParam);
    EXPECT_EQ(buffer->setFrequency(99), kErrorInvalidParam);
    EXPECT_EQ(buffer->setFrequency(100001), kErrorInvalidParam);
    EXPECT_EQ(buffer->setFrequency(0), kOk);
    EXPECT_EQ(buffer->frequency(), 48000u);
}

// Counts rising zero crossings of the left channel over frames [from, to).
int Crossings(const MemoryAudioSink& sink, size_t from, size_t to)
{
    int n = 0;
    for (size_t i = from + 1; i < to; ++i)
        n += sink.left(i - 1) < 0.0f && sink.left(i) >= 0.0f;
    return n;
}

TEST(SoundBufferTest, OtherRatesAndFrequenciesAreResampledToTheEngine)
{
    // One second of a 1 kHz sine at 22050 Hz, 8-bit mono.
    const uint32_t rate = 22050;
    std::vector<uint8_t> sine(rate);
    for (uint32_t i = 0; i < rate; ++i)
        sine[i] = static_cast<uint8_t>(128 + std::lround(100 * std::sin(2 * M_PI * 1000.0 * i / rate)));
    struct Case {
        uint32_t frequency;
        int hz;
    };
    for (const Case c : {Case{0, 1000}, Case{44100, 2000}, Case{11025, 500}}) {
        SCOPED_TRACE(c.frequency);
        SoundFixture f;
        std::unique_ptr<SoundBuffer> buffer = f.device->createBuffer(PcmFormat{1, rate, 8}, rate);
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer->write(0, sine), kOk);
        ASSERT_EQ(buffer->setFrequency(c.frequency), kOk);
        const uint64_t at = f.device->currentFrame();
        ASSERT_EQ(buffer->play(true, at), kOk);
        f.advance(700);
        // Half a second, well after the resampler's start.
        const size_t from = at + 4800;
        ASSERT_GE(f.sink->frameCount(), from + 24000);
        EXPECT_NEAR(Crossings(*f.sink, from, from + 24000), c.hz / 2, 2);
        float peak = 0;
        for (size_t i = from; i < from + 24000; ++i)
            peak = std::max(peak, std::fabs(f.sink->left(i)));
        EXPECT_NEAR(peak, 100.0f / 128.0f, 0.03f);
    }
}

TEST(SoundBufferTest, SampleWidthsAndRefusedFormats)
{
    SoundFixture f;
    struct Case {
        uint16_t bits;
        std::vector<uint8_t> frame;   // one mono frame
        float value;
    };
    const Case cases[] = {
        {8, {0xC0}, 0.5f},
        {16, {0x00, 0xC0}, -0.5f},
        {24, {0x00, 0x00, 0x40}, 0.5f},
        {32, {0x00, 0x00, 0x00, 0xC0}, -0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        std::vector<uint8_t> ring;
        for (int i = 0; i < 100; ++i)
            ring.insert(ring.end(), c.frame.begin(), c.frame.end());
        std::unique_ptr<SoundBuffer> buffer =
            f.device->createBuffer(PcmFormat{1, 48000, c.bits}, static_cast<uint32_t>(ring.size()));
        ASSERT_TRUE(buffer);
        ASSERT_EQ(buffer->write(0, ring), kOk);
        const uint64_t at = f.device->currentFrame() + 10;
        ASSERT_EQ(buffer->play(true, at), kOk);
        f.advance(10);
        buffer->stop();
        EXPECT_FLOAT_EQ(f.sink->left(at + 5), c.value);
        EXPECT_FLOAT_EQ(f.sink->right(at + 5), c.value);
    }

    int error = 0;
    EXPECT_FALSE(f.device->createBuffer(PcmFormat{3, 48000, 16}, 6000, &error));
    EXPECT_EQ(error, kErrorBadFormat);
    EXPECT_FALSE(f.device->createBuffer(PcmFormat{1, 48000, 12}, 6000, &error));
    EXPECT_EQ(error, kErrorBadFormat);
    EXPECT_FALSE(f.device->createBuffer(PcmFormat{1, 0, 16}, 6000, &error));
    EXPECT_EQ(error, kErrorBadFormat);
    EXPECT_FALSE(f.device->createBuffer(PcmFormat{1, 48000, 16}, 2, &error));
    EXPECT_EQ(error, kErrorInvalidParam);
    std::vector<std::unique_ptr<SoundBuffer>> many;
    for (size_t i = 0; i < SoundDevice::kMaxBuffers; ++i)
        many.push_back(f.device->createBuffer(PcmFormat{1, 48000, 16}, 64));
    EXPECT_TRUE(many.back());
    EXPECT_FALSE(f.device->createBuffer(PcmFormat{1, 48000, 16}, 64, &error));
    EXPECT_EQ(error, kErrorAllocated);
}

}  // namespace
}  // namespace plat::media

#include "platform/media/Backend.h"
#include "platform/media/memory/MemoryProvider.h"

namespace plat::media {
namespace {

// A family with nothing but one sound output.
class EngineOnlyProvider final : public DeviceProvider {
public:
    explicit EngineOnlyProvider(std::shared_ptr<AudioEngine> engine) : m_engine(std::move(engine)) {}
    std::string name() const override { return "engine"; }
    std::vector<MidiOutPort::Caps> midiOuts() const override { return {}; }
    std::vector<MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<WaveInDevice::Caps> waveIns() const override { return {}; }
    std::unique_ptr<MidiOutPort> createMidiOut(int) override { return nullptr; }
    std::unique_ptr<MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<WaveInDevice> createWaveIn(int) override { return nullptr; }
    std::vector<SoundOutput> soundOutputs() const override { return {{"Engine output", m_engine}}; }

private:
    std::shared_ptr<AudioEngine> m_engine;
};

TEST(SoundBufferTest, TheBackendListsTheSoundOutputsOfItsFamilies)
{
    auto timers = std::make_unique<ManualTimerService>(0);
    auto engine = std::make_shared<AudioEngine>(*timers, std::make_unique<MemoryAudioSink>(16));
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<MemoryProvider>(*timers));
    providers.push_back(std::make_unique<EngineOnlyProvider>(engine));
    Backend backend(std::move(timers), std::move(providers));
    ASSERT_EQ(backend.soundOutputCount(), 1);
    EXPECT_EQ(backend.soundOutput(0)->name, "Engine output");
    EXPECT_EQ(backend.soundOutput(0)->engine, engine);
    EXPECT_EQ(backend.soundOutput(1), nullptr);
    EXPECT_EQ(backend.soundOutput(-1), nullptr);
    // The engine goes with its family, before the backend's timers.
    engine.reset();
}

// A source that adds nothing: it keeps the engine running from the start of the test.
class Silence final : public AudioSource {
public:
    void render(float*, float*, uint32_t, uint64_t) override {}
};

double Energy(const MemoryAudioSink& sink, size_t from, size_t to)
{
    double sum = 0;
    for (size_t i = from; i < to && i < sink.frameCount(); ++i)
        sum += static_cast<double>(sink.left(i)) * sink.left(i);
    return sum;
}

TEST(SoundBufferTest, TheBeepSoundsThroughTheFirstSoundOutputAtTheTimeItIsAskedFor)
{
    auto owned = std::make_unique<ManualTimerService>(1000);
    ManualTimerService& timers = *owned;
    auto sinkOwned = std::make_unique<MemoryAudioSink>(48000);
    MemoryAudioSink& sink = *sinkOwned;
    auto engine = std::make_shared<AudioEngine>(timers, std::move(sinkOwned));
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    providers.push_back(std::make_unique<EngineOnlyProvider>(engine));
    Backend backend(std::move(owned), std::move(providers));
    Silence silence;
    ASSERT_EQ(engine->addSource(silence), kOk);  // the sample clock starts at 1000 ms

    timers.advance(100);
    engine->waitCaughtUp();
    backend.beep();  // at 1100 ms: frame 4800
    timers.advance(300);
    engine->waitCaughtUp();
    const auto length = static_cast<size_t>(48000 * BeepSource::kSeconds);
    EXPECT_EQ(Energy(sink, 0, 4800), 0.0) << "nothing before the beep";
    EXPECT_GT(Energy(sink, 4800, 4800 + length / 4), 1.0) << "the tone from its frame on";
    EXPECT_GT(Energy(sink, 4800 + length / 2, 4800 + length), 0.0);
    EXPECT_EQ(Energy(sink, 4800 + length, sink.frameCount()), 0.0) << "and over after its length";

    engine->removeSource(silence);
    engine.reset();
}

TEST(SoundBufferTest, ABeepAskedForAFrameAlreadyRenderedStartsWholeAtTheNextOne)
{
    BeepSource beep(48000);
    std::vector<float> left(256, 0.0f), right(256, 0.0f);
    beep.start(100);
    beep.render(left.data(), right.data(), 256, 1000);
    // The tone's first 256 frames, from its own start: rising from nothing.
    EXPECT_EQ(left[0], 0.0f);
    double energy = 0;
    for (float sample : left)
        energy += static_cast<double>(sample) * sample;
    EXPECT_GT(energy, 0.1);
    EXPECT_EQ(left, right);

    // Without sound outputs a backend's beep does nothing.
    Backend silent(std::make_unique<ManualTimerService>(0), {});
    silent.beep();
}

}  // namespace
}  // namespace plat::media
