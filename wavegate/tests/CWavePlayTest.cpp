#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/media/file/WavFileSink.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWavePlay.h"
#include "wavegate/tests/WavePlayTestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

namespace {

TEST(CWavePlayParameters, FrequencyVolumeAndPanAreMappedAndLimited)
{
    struct Frequency {
        int32_t parameter;
        uint32_t fileRate;
        uint32_t hz;
    };
    for (const Frequency& c : {Frequency{10000, 22050, 100000}, Frequency{-10000, 22050, 100},
                               Frequency{5000, 22050, 61025}, Frequency{-5000, 44100, 22100},
                               Frequency{0, 22050, 0}, Frequency{20000, 8000, 100000}}) {
        SCOPED_TRACE(c.parameter);
        EXPECT_EQ(CWavePlay::MapFrequency(c.parameter, c.fileRate), c.hz);
    }
    EXPECT_EQ(CWavePlay::LimitVolume(500), 0);
    EXPECT_EQ(CWavePlay::LimitVolume(-20000), -10000);
    EXPECT_EQ(CWavePlay::LimitVolume(-300), -300);
    EXPECT_EQ(CWavePlay::LimitPan(-20000), -10000);
    EXPECT_EQ(CWavePlay::LimitPan(20000), 10000);
    EXPECT_EQ(CWavePlay::LimitPan(1234), 1234);
}

struct DoneCalls {
    std::mutex mutex;
    std::vector<std::pair<uintptr_t, uintptr_t>> calls;
    static void Record(uintptr_t user, uintptr_t player)
    {
        auto* self = reinterpret_cast<DoneCalls*>(user);
        std::lock_guard lock(self->mutex);
        self->calls.emplace_back(user, player);
    }
};

// The first frame with sound on either side.
template <class Get>
size_t FirstSound(size_t count, Get get)
{
    for (size_t i = 0; i < count; ++i)
        if (get(i).first != 0 || get(i).second != 0)
            return i;
    return count;
}

class WavePlayFileTest : public WavePlayTest {};

TEST_F(WavePlayFileTest, PlayWaveFileIntoAFileSinkGivesTheSourceSamples)
{
    TempFolder folder("waveplay");
    const size_t frames = 24000;   // half a second: the ring is refilled several times
    const std::vector<int16_t> samples = DistinctSamples(frames);
    const std::string source = folder.Write("source.wav", WaveBytes(samples, 2, 48000));
    const std::string rendered = folder.File("rendered.wav");
    Install(std::make_unique<plat::media::WavFileSink>(rendered));

    ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);
    DoneCalls done;
    const int tag = m_wavegate->PlayWaveFile(source.c_str(), 0, &DoneCalls::Record, reinterpret_cast<uintptr_t>(&done));
    ASSERT_NE(tag, 0);
    EXPECT_EQ(WaveOut().IsActive(), 1);
    Step(800);
    {
        std::lock_guard lock(done.mutex);
        ASSERT_EQ(done.calls.size(), 1u);
        EXPECT_NE(done.calls[0].second, 0u);
    }
    // The player deleted itself and took its performance with it.
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
    EXPECT_EQ(WaveOut().IsActive(), 0);
    ASSERT_EQ(m_wavegate->StopDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);

    CWaveFileRead reader;
    reader.SetFilename(rendered.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    std::vector<int16_t> out(reader.GetDataSize() / 2);
    ASSERT_EQ(reader.Read(reinterpret_cast<uint8_t*>(out.data()), static_cast<int>(out.size() * 2)),
              static_cast<int>(out.size() * 2));
    const size_t outFrames = out.size() / 2;
    const size_t first = FirstSound(outFrames, [&](size_t i) { return std::pair(out[2 * i], out[2 * i + 1]); });
    ASSERT_LE(first + frames, outFrames);
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_EQ(out[2 * (first + i)], samples[2 * i]) << i;
        ASSERT_EQ(out[2 * (first + i) + 1], samples[2 * i + 1]) << i;
    }
    // Silence after the end of the file.
    for (size_t i = first + frames; i < outFrames; ++i)
        ASSERT_EQ(out[2 * i], 0) << i;
}

// A performance that hands given wave events to the manager in their slices.
struct WaveScript {
    std::vector<std::pair<uint32_t, WG_WaveParams>> events;   // play time, params
    int device = 0;
    static int Poll(uintptr_t user, int, uint32_t from, uint32_t to)
    {
        auto* self = reinterpret_cast<WaveScript*>(user);
        CWGEventList list;
        for (auto& [time, params] : self->events) {
            if (time < from || time >= to)
                continue;
            auto event = std::make_unique<CWGEventData>();
            event->SetWaveData(new WG_WaveParams(params));
            event->time = time;
            event->device = self->device;
            list.push_back(std::move(event));
        }
        CWavegate::GetWavegate()->PlayBuffer(list);
        return 1;
    }
};

class WavePlayEventTest : public WavePlayTest {
protected:
    void SetUp() override
    {
        auto sink = std::make_unique<plat::media::MemoryAudioSink>(48000 * 8);
        m_sink = sink.get();
        Install(std::move(sink));
    }
    std::pair<float, float> At(size_t frame) const { return {m_sink->left(frame), m_sink->right(frame)}; }
    // The sink frame that the clock shows at play time ms.
    size_t FrameOfPlayTime(uint32_t ms) const
    {
        return static_cast<size_t>(m_engine->frameAt(m_wavegate->GetPlayStartTime() + ms));
    }

    plat::media::MemoryAudioSink* m_sink = nullptr;
};

TEST_F(WavePlayEventTest, WaveEventsStartAtTheirTimeAndANewPlayerReplacesTheOld)
{
    TempFolder folder("waveplay");
    const std::vector<int16_t> first = DistinctSamples(48000, 1);
    const std::vector<int16_t> second = DistinctSamples(4800, 5000);
    const std::string a = folder.Write("a.wav", WaveBytes(first, 2, 48000));
    const std::string b = folder.Write("b.wav", WaveBytes(second, 2, 48000));

    WaveScript script;
    const int tag = m_wavegate->GetUniqueTag();
    WG_WaveParams params;
    params.tag = tag;
    params.track = 3;
    params.fileName = a.c_str();
    script.events.emplace_back(300, params);
    WG_WaveParams panned = params;
    panned.fileName = nullptr;
    panned.params.pan = 10000;   // right only: changes the playing player, starts nothing
    script.events.emplace_back(500, panned);
    params.fileName = b.c_str();
    script.events.emplace_back(700, params);

    ASSERT_EQ(m_wavegate->OpenDevices(), 1);
    ASSERT_EQ(m_wavegate->StartDevices(), 1);
    ASSERT_EQ(m_wavegate->StartPerformance(&WaveScript::Poll, reinterpret_cast<uintptr_t>(&script), 1, tag), tag);
    Step(1200);

    const size_t at300 = FirstSound(m_sink->frameCount(), [&](size_t i) { return At(i); });
    EXPECT_EQ(at300, FrameOfPlayTime(300));
    EXPECT_FLOAT_EQ(m_sink->right(at300 + 100), first[201] / 32768.0f);
    // The parameter event takes effect when its slice is polled, a latency ahead of 500 ms,
    // and no later.
    const size_t at500 = FrameOfPlayTime(500);
    EXPECT_EQ(m_sink->left(at500), 0.0f);
    EXPECT_FLOAT_EQ(m_sink->right(at500), first[2 * (at500 - at300) + 1] / 32768.0f);
    // At 700 ms the second file replaces the first on the track, at the same frame.
    const size_t at700 = FrameOfPlayTime(700);
    EXPECT_FLOAT_EQ(m_sink->right(at700 - 1), first[2 * (at700 - 1 - at300) + 1] / 32768.0f);
    for (size_t i = 0; i < 4800; ++i) {
        ASSERT_FLOAT_EQ(m_sink->left(at700 + i), second[2 * i] / 32768.0f) << i;
        ASSERT_FLOAT_EQ(m_sink->right(at700 + i), second[2 * i + 1] / 32768.0f) << i;
    }
    EXPECT_EQ(m_sink->right(at700 + 4800 + 10), 0.0f);
    // The replaced player is gone; the one that played to its end stays on its track until
    // its performance ends.
    EXPECT_EQ(WaveOut().GetPlayerCount(), 1);
    m_wavegate->StopPerformance(tag);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
    EXPECT_EQ(WaveOut().IsActive(), 0);
}

TEST_F(WavePlayEventTest, APlayerPreparedAheadStartsAtItsTimeOrAtOnceWhenThatHasPassed)
{
    TempFolder folder("waveplay");
    const std::vector<int16_t> samples = DistinctSamples(4800);
    const std::string path = folder.Write("a.wav", WaveBytes(samples, 2, 48000));
    ASSERT_EQ(m_wavegate->OpenDevices(), 1);
    ASSERT_EQ(m_wavegate->StartDevices(), 1);
    Step(100);

    WG_WaveParams params;
    params.tag = m_wavegate->GetUniqueTag();
    params.fileName = path.c_str();
    auto* late = new CWavePlay();
    ASSERT_EQ(late->Prepare(&params, 0, 1), 1);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 1);
    // Its time (50 ms of play time) has passed: it starts at once.
    const size_t now = static_cast<size_t>(m_engine->frameAt(m_timers->clock().nowMs()));
    ASSERT_EQ(late->Play(&params, 0, 50, nullptr, 0, 0), 1);
    EXPECT_EQ(late->IsPlaying(), 1);
    Step(20);
    const size_t first = FirstSound(m_sink->frameCount(), [&](size_t i) { return At(i); });
    EXPECT_EQ(first, now);
    m_wavegate->StopPerformance(params.tag);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
}

TEST_F(WavePlayEventTest, ADroppedWaveEventTakesItsPreparedPlayerWithIt)
{
    TempFolder folder("waveplay");
    const std::string path = folder.Write("a.wav", WaveBytes(DistinctSamples(4800), 2, 48000));
    WG_WaveParams params;
    params.tag = m_wavegate->GetUniqueTag();
    params.fileName = path.c_str();
    // Prepared by a client ahead of its event; the output is open but not started.
    ASSERT_EQ(m_wavegate->OpenDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);
    auto* prepared = new CWavePlay();
    ASSERT_EQ(prepared->Prepare(&params, 0, 1), 1);
    params.player = prepared->GetHandle();
    ASSERT_NE(params.player, 0u);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 1);

    // An event for a wave output that does not exist is dropped at once.
    CWGEventList list;
    auto event = std::make_unique<CWGEventData>();
    event->SetWaveData(new WG_WaveParams(params));
    event->device = 5;
    list.push_back(std::move(event));
    m_wavegate->PlayBuffer(list);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);

    // One for an output that is not started is dropped when its slice is written.
    auto* second = new CWavePlay();
    ASSERT_EQ(second->Prepare(&params, 0, 1), 1);
    params.player = second->GetHandle();
    event = std::make_unique<CWGEventData>();
    event->SetWaveData(new WG_WaveParams(params));
    event->device = 0;
    list.push_back(std::move(event));
    m_wavegate->PlayBuffer(list);
    {
        std::lock_guard lock(m_wavegate->GetMainLock());
        m_wavegate->WriteBuffers();
    }
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
}

TEST_F(WavePlayEventTest, StopDuringPlayAndDeletingAPlayingPlayerAreClean)
{
    TempFolder folder("waveplay");
    const std::string path = folder.Write("a.wav", WaveBytes(DistinctSamples(48000), 2, 48000));
    ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);
    for (int round = 0; round < 20; ++round) {
        WG_WaveParams params;
        params.tag = m_wavegate->GetUniqueTag();
        params.fileName = path.c_str();
        auto* player = new CWavePlay();
        ASSERT_EQ(player->Play(&params, 0, 0, nullptr, 0, round % 2), 1);
        Step(static_cast<uint32_t>(round * 7 % 40 + 1));
        if (round % 2) {
            // Auto-delete: stopping hands it to the output, which deletes it.
            player->Stop();
            Settle();
        } else {
            m_wavegate->StopPerformance(params.tag);
        }
        EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
        EXPECT_EQ(WaveOut().IsActive(), 0);
    }
}

TEST_F(WavePlayEventTest, SetWaveParamsReachesTheTrackPlayerAndAFileThatCannotOpenFails)
{
    TempFolder folder("waveplay");
    const std::string path = folder.Write("a.wav", WaveBytes(DistinctSamples(48000), 2, 48000));
    ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);
    const int tag = m_wavegate->PlayWaveFile(path.c_str(), 0, nullptr, 0);
    ASSERT_NE(tag, 0);
    WG_WaveParams params;
    params.tag = tag;
    params.params = {-20000, 500, 0};
    EXPECT_EQ(m_wavegate->SetWaveParams(&params), 1);
    {
        std::lock_guard lock(WaveOut().GetLock());
        const CWaveOut::TrackRecord* track = WaveOut().GetTrack(WaveOut().GetPerformance(tag), 0);
        ASSERT_NE(track->player, nullptr);
        EXPECT_EQ(track->pan, -10000);
        EXPECT_EQ(track->volume, 0);
    }
    Step(20);
    const size_t frame = m_sink->frameCount() - 1;
    EXPECT_NE(m_sink->left(frame), 0.0f);
    EXPECT_EQ(m_sink->right(frame), 0.0f);
    m_wavegate->StopPerformance(tag);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);

    EXPECT_EQ(m_wavegate->PlayWaveFile(folder.File("missing.wav").c_str(), 0, nullptr, 0), 0);
    EXPECT_EQ(m_wavegate->PlayWaveFile(path.c_str(), 7, nullptr, 0), 0);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
    WG_DevCaps caps;
    EXPECT_EQ(m_wavegate->GetDeviceCaps(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0, &caps), 0);
    EXPECT_EQ(CWaveOut::DSGetDescription(0), "Test sound output");
    EXPECT_EQ(m_wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_OUT), 1);
}

}  // namespace
