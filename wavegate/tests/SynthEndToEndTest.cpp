// A scale played through the device manager to "Quavix Synth" and rendered into a WAV file
// on the manual clock: the whole path from a performance's slices to sound.

#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/synth/SynthProvider.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWavegate.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 48000;
constexpr uint32_t kFramesPerMs = kRate / 1000;

// The interleaved 16-bit stereo frames of a WAV file, as mono -1 .. 1; nothing when the
// file is no such WAV file.
std::optional<std::vector<float>> readMono(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto le16 = [&](size_t at) { return static_cast<uint32_t>(b[at] | b[at + 1] << 8); };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(b.data() + 8, "WAVE", 4) != 0)
        return std::nullopt;
    bool stereo16 = false;
    for (size_t at = 12; at + 8 <= b.size();) {
        const uint32_t size = le32(at + 4);
        if (at + 8 + size > b.size())
            break;
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0 && size >= 16)
            stereo16 = le16(at + 8) == 1 && le16(at + 10) == 2 && le32(at + 12) == kRate && le16(at + 22) == 16;
        if (std::memcmp(b.data() + at, "data", 4) == 0 && stereo16) {
            std::vector<float> mono(size / 4);
            for (size_t i = 0; i < mono.size(); ++i) {
                const auto left = static_cast<int16_t>(le16(at + 8 + 4 * i));
                const auto right = static_cast<int16_t>(le16(at + 10 + 4 * i));
                mono[i] = (left + right) / 65534.0f;
            }
            return mono;
        }
        at += 8 + size + (size & 1);
    }
    return std::nullopt;
}

// RMS of each millisecond.
std::vector<double> rmsPerMs(const std::vector<float>& mono)
{
    std::vector<double> rms;
    for (size_t at = 0; at + kFramesPerMs <= mono.size(); at += kFramesPerMs) {
        double sum = 0;
        for (size_t i = at; i < at + kFramesPerMs; ++i)
            sum += static_cast<double>(mono[i]) * mono[i];
        rms.push_back(std::sqrt(sum / kFramesPerMs));
    }
    return rms;
}

// Where sound starts: a millisecond above the floor and well above the few before it; at
// most one onset in `apart` ms.
std::vector<size_t> onsets(const std::vector<double>& rms, double floor, size_t apart)
{
    std::vector<size_t> found;
    for (size_t k = 1; k < rms.size(); ++k) {
        if (!found.empty() && k - found.back() < apart)
            continue;
        double before = 0;
        for (size_t j = k >= 5 ? k - 5 : 0; j < k; ++j)
            before = std::max(before, rms[j]);
        if (rms[k] > floor && rms[k] > 4 * before)
            found.push_back(k);
    }
    return found;
}

// A performance that plays a fixed list of timed messages, each in the slice it falls in, and
// lets the test wait for the slices that the returned blocks ask for.
struct ScriptedPerformance {
    struct Timed {
        uint32_t ms;
        uint32_t msg;
    };

    // The script starts with the first slice the manager asks for: the slices queued when
    // the output opened went out before the performance was asked.
    static int Proc(uintptr_t user, int tag, uint32_t from, uint32_t to)
    {
        auto* self = reinterpret_cast<ScriptedPerformance*>(user);
        if (tag < 0)
            return 1;
        if (!self->origin)
            self->origin = from;
        CWGEventList slice;
        for (const Timed& t : self->messages) {
            const uint32_t at = *self->origin + t.ms;
            if (at < from || at >= to)
                continue;
            auto event = std::make_unique<CWGEventData>();
            event->SetMidiData(t.msg);
            event->time = at;
            event->device = 0;
            slice.push_back(std::move(event));
        }
        CWavegate::GetWavegate()->PlayBuffer(slice);
        std::lock_guard lock(self->mutex);
        self->written = std::max(self->written, to);
        self->polled.notify_all();
        return 1;
    }

    // False when the slices up to ms were not asked for within a few seconds.
    bool WaitWritten(uint32_t ms)
    {
        std::unique_lock lock(mutex);
        return polled.wait_for(lock, std::chrono::seconds(10), [&] { return written >= ms; });
    }

    std::vector<Timed> messages;
    std::optional<uint32_t> origin;   // play time of the script's 0
    std::mutex mutex;
    std::condition_variable polled;
    uint32_t written = 0;   // the end of the slices asked for so far
};

std::mutex g_notifyMutex;
std::vector<uint32_t> g_notifications;
void onNotify(uintptr_t, uint32_t code, uintptr_t, uintptr_t)
{
    std::lock_guard lock(g_notifyMutex);
    g_notifications.push_back(code);
}

class SynthEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string font(plat::media::SynthProvider::kDefaultSoundFont);
        if (!fs::exists(font))
            GTEST_SKIP() << "the General MIDI sound font is not installed: " << font;
        m_folder = fs::temp_directory_path() / ("quavix-synth-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        m_path = (m_folder / "scale.wav").string();

        auto timers = std::make_unique<plat::media::ManualTimerService>(50000);
        m_timers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(
            *m_timers, std::make_unique<plat::media::WavFileSink>(m_path), kRate);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::SynthProvider>(m_engine, font));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_installed = true;
    }

    void TearDown() override
    {
        m_wavegate.reset();
        m_engine.reset();
        if (m_installed)
            plat::media::Backend::install(std::move(m_previous));
        if (!m_folder.empty())
            fs::remove_all(m_folder);
    }

    // Moves the clock by ms in steps of 20, each time letting the synthesizer render up to
    // the clock and, once playing, the device manager poll for the blocks that came back.
    // The synthesizer returns its blocks from a thread of its own, which the manual clock
    // would otherwise outrun.
    void Step(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 20) {
            m_timers->advance(std::min(20u, ms - done));
            m_engine->waitCaughtUp();
            if (!m_playing)
                continue;
            // A block has come back once the synthesizer has rendered past its end, which
            // the engine's blocks of 256 frames reach within 6 ms. Each one returned tops the
            // output up to the block playing and the prefetch count of blocks ahead.
            const uint32_t playTime = m_timers->clock().nowMs() - m_startedAt;
            if (playTime < 106)
                continue;
            const uint32_t ahead = static_cast<uint32_t>(m_wavegate->GetPrefetchBufferCount()) + 1;
            const uint32_t wanted = ((playTime - 6) / 100 + ahead) * 100;
            ASSERT_TRUE(m_scale.WaitWritten(wanted)) << "at " << playTime << " ms no poll wrote to " << wanted;
        }
    }

    fs::path m_folder;
    std::string m_path;
    plat::media::ManualTimerService* m_timers = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    // Outlives the manager, which may still poll it while it closes after a failure.
    ScriptedPerformance m_scale;
    std::unique_ptr<CWavegate> m_wavegate;
    bool m_playing = false;
    uint32_t m_startedAt = 0;   // on the clock

private:
    std::unique_ptr<plat::media::Backend> m_previous;
    bool m_installed = false;
};

}  // namespace

TEST_F(SynthEndToEndTest, AScalePlayedThroughWavegateSoundsAtEveryNoteOnAndIsSilentBetween)
{
    m_wavegate = std::make_unique<CWavegate>();
    CWavegate& wg = *m_wavegate;
    ASSERT_EQ(wg.Initialize(CWavegate::WG_INIT_MIDI), 1);
    ASSERT_EQ(wg.GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT), 1);
    WG_DevCaps caps;
    ASSERT_EQ(wg.GetDeviceCaps(CWavegate::WG_MIDI, CWavegate::WG_OUT, 0, &caps), 1);
    EXPECT_STREQ(caps.name, "Quavix Synth");
    {
        std::lock_guard lock(g_notifyMutex);
        g_notifications.clear();
    }
    wg.SetNotificationCallback(&onNotify, 0);

    // A dry organ: its sound starts at full strength with its note. The notes fall off the
    // slice and millisecond grid, the first right on a slice boundary.
    ScriptedPerformance& scale = m_scale;
    scale.messages = {{0, 0x10C0}, {0, 0x005BB0}, {0, 0x005DB0}};
    const int keys[] = {60, 62, 64, 65, 67, 69, 71, 72};
    constexpr uint32_t kLength = 250;
    constexpr uint32_t kApart = 700;
    constexpr uint32_t kDying = 300;   // the organ's release after a note-off
    std::vector<uint32_t> noteOns;
    for (uint32_t i = 0; i < 8; ++i) {
        const uint32_t at = 300 + kApart * i + (i * 37) % 100;
        const auto key = static_cast<uint32_t>(keys[i]);
        noteOns.push_back(at);
        scale.messages.push_back({at, 0x640090u | key << 8});
        scale.messages.push_back({at + kLength, 0x000080u | key << 8});
    }
    wg.StartPerformance(&ScriptedPerformance::Proc, reinterpret_cast<uintptr_t>(&scale), 1, 0);

    // The file starts when the output opens; playing starts a little later.
    const uint32_t opened = m_timers->clock().nowMs();
    ASSERT_EQ(wg.OpenDevices(), 1);
    Step(40);
    ASSERT_EQ(wg.StartDevices(), 1);
    m_startedAt = m_timers->clock().nowMs();
    m_playing = true;
    EXPECT_EQ(wg.GetTimingDevice(), wg.GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, 0));
    Step(200 + noteOns.back() + kLength + kDying + 500);   // the script starts 200 ms into playing
    ASSERT_FALSE(HasFatalFailure());
    // A stopped synthesizer hands its blocks back as it renders on: the clock moves while
    // the devices close.
    m_playing = false;
    auto closing = std::async(std::launch::async, [&wg] { return wg.CloseDevices(); });
    while (closing.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        Step(10);
    ASSERT_EQ(closing.get(), 1);

    const auto mono = readMono(m_path);
    ASSERT_TRUE(mono) << "a 48 kHz 16-bit stereo WAV file";
    const std::vector<double> rms = rmsPerMs(*mono);
    // Where the script's 0 lies in the file.
    ASSERT_TRUE(scale.origin);
    const uint32_t zero = m_startedAt - opened + *scale.origin;
    ASSERT_GE(rms.size(), zero + noteOns.back() + kLength + kDying + 400);

    const std::vector<size_t> found = onsets(rms, 2e-4, 100);
    ASSERT_EQ(found.size(), noteOns.size());
    for (size_t i = 0; i < found.size(); ++i) {
        const int expected = static_cast<int>(zero + noteOns[i]);
        EXPECT_LE(std::abs(static_cast<int>(found[i]) - expected), 5)
            << "note " << i << " at " << noteOns[i] << " ms sounds at " << static_cast<int>(found[i]) - expected;
    }
    // Sound while each note plays; silence before the first, between the notes once each
    // has died away, and after the last.
    auto loudest = [&](size_t from, size_t to) {
        double most = 0;
        for (size_t k = from; k < to && k < rms.size(); ++k)
            most = std::max(most, rms[k]);
        return most;
    };
    for (uint32_t at : noteOns)
        EXPECT_GT(rms[zero + at + kLength / 2], 0.01) << "note at " << at;
    EXPECT_LT(loudest(0, zero + noteOns.front() - 5), 1e-4);
    for (size_t i = 0; i + 1 < noteOns.size(); ++i)
        EXPECT_LT(loudest(zero + noteOns[i] + kLength + kDying, zero + noteOns[i + 1] - 5), 1e-3) << "after note " << i;
    EXPECT_LT(loudest(zero + noteOns.back() + kLength + kDying, rms.size()), 1e-3);

    std::lock_guard lock(g_notifyMutex);
    EXPECT_TRUE(g_notifications.empty()) << "no device failed and no block came late";
}
