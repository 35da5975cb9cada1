// A piece built in memory plays through the sequence to "Quavix Synth", rendered into a WAV
// file on the manual clock: every note sounds within a few milliseconds of its note-on.

#include "sequencer/tests/PlayerTestSupport.h"

#include "platform/media/audio/AudioEngine.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/synth/SynthProvider.h"
#include "wavegate/CWaveFileRead.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <future>
#include <mutex>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = 48000;
constexpr uint32_t kFramesPerMs = kRate / 1000;

// A performance polled after the sequence's in every slice: once it has seen a slice, so has
// the sequence.
struct Probe {
    static int Poll(uintptr_t user, int tag, uint32_t /*from*/, uint32_t to)
    {
        auto* self = reinterpret_cast<Probe*>(user);
        if (tag < 0)
            return 1;
        std::lock_guard lock(self->mutex);
        self->written = std::max(self->written, to);
        self->polled.notify_all();
        return 1;
    }
    bool WaitWritten(uint32_t ms)
    {
        std::unique_lock lock(mutex);
        return polled.wait_for(lock, std::chrono::seconds(10), [&] { return written >= ms; });
    }
    std::mutex mutex;
    std::condition_variable polled;
    uint32_t written = 0;
};

class SynthPlayTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string font(plat::media::SynthProvider::kDefaultSoundFont);
        std::error_code error;
        if (!fs::exists(font, error))
            GTEST_SKIP() << "the General MIDI sound font is not installed: " << font;
        m_folder = fs::temp_directory_path() / ("quavix-seqsynth-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        m_path = (m_folder / "piece.wav").string();
        auto timers = std::make_unique<plat::media::ManualTimerService>(50000);
        m_timers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(*m_timers, std::make_unique<plat::media::WavFileSink>(m_path), kRate);
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::SynthProvider>(m_engine, font));
        m_previous = plat::media::Backend::install(std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_installed = true;
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_MIDI), 1);
    }
    void TearDown() override
    {
        m_sequence.reset();
        m_piece.reset();
        plat::MessageLoop::current().pump();
        m_wavegate.reset();
        m_engine.reset();
        if (m_installed)
            plat::media::Backend::install(std::move(m_previous));
        std::error_code error;
        if (!m_folder.empty())
            fs::remove_all(m_folder, error);
    }

    // Moves the clock in steps of 5 ms; while playing, waits after each for the poll of every
    // slice the returned blocks ask for, so the clock never outruns the sequence.
    void Step(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 5) {
            m_timers->advance(std::min(5u, ms - done));
            m_engine->waitCaughtUp();
            if (!m_playing)
                continue;
            const uint32_t playTime = m_timers->clock().nowMs() - m_wavegate->GetPlayStartTime();
            if (playTime < CWavegate::kGranularityMs + 6)
                continue;
            const auto ahead = static_cast<uint32_t>(m_wavegate->GetPrefetchBufferCount()) + 1;
            const uint32_t wanted = ((playTime - 6) / CWavegate::kGranularityMs + ahead) * CWavegate::kGranularityMs;
            ASSERT_TRUE(m_probe.WaitWritten(wanted)) << "at " << playTime << " ms no poll wrote to " << wanted;
        }
    }

    void CloseWhileTheClockMoves()
    {
        auto closing = std::async(std::launch::async, [this] { return m_wavegate->CloseDevices(); });
        while (closing.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
            m_timers->advance(5);
            m_engine->waitCaughtUp();
        }
        ASSERT_EQ(closing.get(), 1);
    }

    SequencerEnvironment m_environment;
    fs::path m_folder;
    std::string m_path;
    plat::media::ManualTimerService* m_timers = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    Probe m_probe;
    std::unique_ptr<CWavegate> m_wavegate;
    // The sequence goes before the piece it plays.
    std::unique_ptr<Piece> m_piece;
    std::unique_ptr<CSequence> m_sequence;
    bool m_playing = false;

private:
    std::unique_ptr<plat::media::Backend> m_previous;
    bool m_installed = false;
};

TEST_F(SynthPlayTest, EveryNoteOfThePieceSoundsWithinFiveMillisecondsOfItsNoteOn)
{
    m_piece = std::make_unique<Piece>();
    Piece& piece = *m_piece;
    piece.AddStaves(1);
    auto* tempo = new ECTempo;
    const MCTime zero(0.0f);
    tempo->SetTime(&zero);
    tempo->SetTempo(120.0f, 1.0f);
    tempo->SetStyle(ECEnvPoint::styleStep);
    piece.ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    piece.AddBarsUpTo(32.0f);
    auto* staff = plat::dynamicDowncast<DCsqStaff>(piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1));
    ASSERT_NE(staff, nullptr);
    // A dry organ: its sound starts at full strength with its note. Set up before the first
    // note; the notes fall off the slice and millisecond grid.
    auto message = [&](float time, uint32_t bytes) {
        auto* point = new ECControlChange(static_cast<unsigned char>(bytes >> 8 & 0x7F));
        const MCTime at(time);
        point->SetTime(&at);
        point->SetVoiceTrack(0, 1);
        auto* envelope = new ECControllerEnv;
        envelope->SetVoiceTrack(0, 1);
        piece.Conductor()->GetTrack(1, 1, 0)->AddChild(envelope, 1);
        envelope->AddChild(point, 1);
        plat::dynamicDowncast<DCsqMidi>(point->GetData(0, 1))->SetMidiData(FCMidi(bytes));
    };
    message(0.0f, 0x0010C0);
    message(0.0f, 0x005BB0);
    message(0.0f, 0x005DB0);
    std::vector<float> times;
    for (int i = 0; i < 6; ++i) {
        const float time = 0.6f + 1.4f * static_cast<float>(i) + 0.07f * static_cast<float>(i % 3);
        times.push_back(time);
        ASSERT_NE(piece.AddNote(1, time, 0.5f, 60 + 2 * i), nullptr);
    }

    m_sequence = std::make_unique<CSequence>();
    m_sequence->Attach(piece.Performance());
    m_sequence->CheckDataIntegrity();
    m_sequence->EnableAutoStop(1);
    m_sequence->EnableAutoRewind(0);
    m_sequence->SetLocation(MCTime(0.0f));
    ASSERT_EQ(m_wavegate->OpenDevices(), 1);
    ASSERT_EQ(m_wavegate->StartDevices(), 1);
    Step(200);
    const uint32_t t0 = m_wavegate->GetBufferTime();
    m_sequence->Play();
    ASSERT_NE(m_wavegate->StartPerformance(&Probe::Poll, reinterpret_cast<uintptr_t>(&m_probe), 1, 0), 0);
    m_playing = true;
    for (int ms = 0; ms < 10000 && (m_sequence->GetState() & CSequence::stateStopped) == 0; ms += 100)
        Step(100);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NE(m_sequence->GetState() & CSequence::stateStopped, 0u);
    Step(1500);
    std::vector<size_t> expected;
    for (float time : times)
        expected.push_back(static_cast<size_t>(m_engine->frameAt(m_wavegate->GetPlayStartTime() + t0 + static_cast<uint32_t>(time * 500.0f))));
    m_playing = false;
    CloseWhileTheClockMoves();

    CWaveFileRead reader;
    reader.SetFilename(m_path.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    std::vector<int16_t> out(reader.GetDataSize() / 2);
    ASSERT_EQ(reader.Read(reinterpret_cast<uint8_t*>(out.data()), static_cast<int>(out.size() * 2)), static_cast<int>(out.size() * 2));
    // The RMS of each millisecond, and where sound starts: above the floor and well above the
    // few milliseconds before it.
    std::vector<double> rms;
    for (size_t at = 0; 2 * (at + kFramesPerMs) <= out.size(); at += kFramesPerMs) {
        double sum = 0;
        for (size_t i = at; i < at + kFramesPerMs; ++i)
            sum += std::pow((out[2 * i] + out[2 * i + 1]) / 65534.0, 2);
        rms.push_back(std::sqrt(sum / kFramesPerMs));
    }
    std::vector<size_t> onsets;
    for (size_t k = 1; k < rms.size(); ++k) {
        if (!onsets.empty() && k - onsets.back() < 100)
            continue;
        double before = 0;
        for (size_t j = k >= 5 ? k - 5 : 0; j < k; ++j)
            before = std::max(before, rms[j]);
        if (rms[k] > 2e-4 && rms[k] > 4 * before)
            onsets.push_back(k);
    }
    ASSERT_EQ(onsets.size(), expected.size());
    for (size_t i = 0; i < onsets.size(); ++i) {
        const auto expectedMs = static_cast<long>(expected[i] / kFramesPerMs);
        EXPECT_LE(std::labs(static_cast<long>(onsets[i]) - expectedMs), 5) << "note " << i;
    }
}

}  // namespace
