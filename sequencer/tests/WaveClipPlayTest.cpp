// A wave clip on a wave track plays through the sequence into the audio engine at its time,
// on the manual clock.

#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECWave.h"
#include "platform/core/MessageLoop.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/tests/WavePlayTestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

class WaveClipPlayTest : public WavePlayTest {
protected:
    void SetUp() override
    {
        auto sink = std::make_unique<plat::media::MemoryAudioSink>(48000 * 8);
        m_sink = sink.get();
        Install(std::move(sink));
    }
    void TearDown() override
    {
        m_sequence.reset();
        m_piece.reset();
        // The states the sequence posted (the tempo shown) are handled, and freed, here.
        plat::MessageLoop::current().pump();
        WavePlayTest::TearDown();
    }

    // A piece at 120 beats a minute with one wave track, played by a sequence.
    void BuildPiece()
    {
        m_piece = std::make_unique<Piece>();
        auto* tempo = new ECTempo;
        const MCTime zero(0.0f);
        tempo->SetTime(&zero);
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_piece->ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        m_piece->AddBarsUpTo(16.0f);
        auto* tracks = new CCAddTrack;
        tracks->AddWaveTrack(1);
        tracks->SetSynchronous(1);
        tracks->Apply(m_piece->Performance());
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_piece->Performance());
        m_sequence->CheckDataIntegrity();
    }

    // A clip of the file at time on the wave track, added as an edit is, for the sequence to
    // follow.
    void AddClip(const std::string& file, float time)
    {
        auto* clip = new ECWave(MCTime(time), file);
        clip->SetVoiceTrack(0, 1);
        auto* add = new CCAdd(clip, m_piece->Conductor()->GetTrack(ECConductor::waveTrack, 1, 0), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_piece->Performance());
    }

    SequencerEnvironment m_environment;
    plat::media::MemoryAudioSink* m_sink = nullptr;
    // The sequence goes before the piece it plays.
    std::unique_ptr<Piece> m_piece;
    std::unique_ptr<CSequence> m_sequence;
};

TEST_F(WaveClipPlayTest, AClipSoundsAtItsTimeOnTheMusicsTimeline)
{
    TempFolder folder("seqclip");
    const std::vector<int16_t> samples = DistinctSamples(4800);
    const std::string path = folder.Write("clip.wav", WaveBytes(samples, 2, 48000));
    BuildPiece();
    AddClip(path, 2.0f);
    m_sequence->EnableAutoStop(0);
    m_sequence->EnableAutoRewind(0);
    m_sequence->SetLocation(MCTime(0.0f));
    ASSERT_EQ(m_wavegate->OpenDevices(), 1);
    ASSERT_EQ(m_wavegate->StartDevices(), 1);
    Step(200);
    const uint32_t t0 = m_wavegate->GetBufferTime();
    m_sequence->Play();
    Step(1400);
    m_sequence->Stop(0);
    Step(500);

    // Beat 2 at 120 beats a minute: one second after the play's time 0, exactly as written.
    size_t first = 0;
    while (first < m_sink->frameCount() && m_sink->left(first) == 0.0f && m_sink->right(first) == 0.0f)
        ++first;
    ASSERT_LT(first, m_sink->frameCount()) << "the clip never sounded";
    EXPECT_EQ(first, static_cast<size_t>(m_engine->frameAt(m_wavegate->GetPlayStartTime() + t0 + 1000)));
    ASSERT_LE(first + samples.size() / 2, m_sink->frameCount());
    for (size_t i = 0; i < samples.size() / 2; ++i) {
        ASSERT_FLOAT_EQ(m_sink->left(first + i), samples[2 * i] / 32768.0f) << i;
        ASSERT_FLOAT_EQ(m_sink->right(first + i), samples[2 * i + 1] / 32768.0f) << i;
    }
}

}  // namespace
