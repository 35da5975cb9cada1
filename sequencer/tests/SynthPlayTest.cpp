// A piece built in memory plays through the sequence to "Quavix Synth", rendered into a WAV
// file on the manual clock: every note sounds within a few milliseconds of its note-on.

#include "sequencer/tests/PlayerTestSupport.h"

#include "platform/media/audio/AudioEngine.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/synth/SynthProvider.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/tests/WavePlayTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kRate = plat::media::AudioEngine::kDefaultSampleRate;
constexpr uint32_t kFramesPerMs = kRate / 1000;

class SynthPlayTest : public WavePlayTest {
protected:
    void SetUp() override
    {
        const std::string font(plat::media::SynthProvider::kDefaultSoundFont);
        std::error_code error;
        if (!fs::exists(font, error))
            GTEST_SKIP() << "the General MIDI sound font is not installed: " << font;
        m_path = m_folder.File("piece.wav");
        Install(std::make_unique<plat::media::WavFileSink>(m_path),
                [&](plat::media::TimerService&, std::shared_ptr<plat::media::AudioEngine> engine) {
                    std::vector<std::unique_ptr<plat::media::DeviceProvider>> synth;
                    synth.push_back(std::make_unique<plat::media::SynthProvider>(engine, font));
                    return synth;
                });
    }
    void TearDown() override
    {
        m_sequence.reset();
        m_piece.reset();
        plat::MessageLoop::current().pump();
        WavePlayTest::TearDown();
    }

    SequencerEnvironment m_environment;
    TempFolder m_folder{"quavix-seqsynth"};
    std::string m_path;
    // A performance polled after the sequence's in every slice: once it has seen a slice, so
    // has the sequence.
    SliceProbe m_probe;
    // The sequence goes before the piece it plays.
    std::unique_ptr<Piece> m_piece;
    std::unique_ptr<CSequence> m_sequence;
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
    ASSERT_NE(m_wavegate->StartPerformance(&SliceProbe::Poll, reinterpret_cast<uintptr_t>(&m_probe), 1, 0), 0);
    for (int ms = 0; ms < 10000 && (m_sequence->GetState() & CSequence::stateStopped) == 0; ms += 100)
        StepPlaying(m_probe, 100);
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_NE(m_sequence->GetState() & CSequence::stateStopped, 0u);
    StepPlaying(m_probe, 1500);
    std::vector<size_t> expected;
    for (float time : times)
        expected.push_back(static_cast<size_t>(m_engine->frameAt(m_wavegate->GetPlayStartTime() + t0 + static_cast<uint32_t>(time * 500.0f))));
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
