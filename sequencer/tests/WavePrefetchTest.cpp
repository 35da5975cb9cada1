#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECWave.h"
#include "platform/core/MessageLoop.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/prefetch/CWavePrefetchMgr.h"
#include "sequencer/transport/CSequence.h"
#include "sequencer/transport/MCFlowControl.h"
#include "wavegate/CWaveFileWrite.h"
#include "wavegate/tests/WavePlayTestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// A piece at 120 with one wave track of clips, over a wave output on the manual clock.
class WavePrefetchTest : public WavePlayTest {
protected:
    void SetUp() override
    {
        Install(std::make_unique<plat::media::MemoryAudioSink>(48000 * 8));
        char pattern[] = "/tmp/quavix-prefetch-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        m_file = m_folder + "/clip.wav";
        WG_DevFormat format;
        format.formatTag = WG_FORMAT_PCM;
        format.channels = 1;
        format.samplesPerSec = 22050;
        format.avgBytesPerSec = 44100;
        format.blockAlign = 2;
        format.bitsPerSample = 16;
        std::vector<uint8_t> sound(44100, 0x10);
        CWaveFileWrite writer;
        writer.SetFormat(&format);
        writer.SetFilename(m_file.c_str());
        ASSERT_EQ(writer.Open(0), 1);
        WG_WaveHeader all{sound.data(), 44100, 44100};
        writer.Write(&all);
        writer.Close();

        m_piece = std::make_unique<Piece>();
        auto* tempo = new ECTempo;
        tempo->SetTime(&MCTime::TimeZero());
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_piece->ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        m_piece->AddBarsUpTo(32.0f);
        auto* tracks = new CCAddTrack;
        tracks->AddWaveTrack(1);
        tracks->SetSynchronous(1);
        tracks->Apply(m_piece->Performance());
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
        Step(20);
    }
    void TearDown() override
    {
        if (m_sequence) {
            m_sequence->Stop(0);
            Step(300);
        }
        if (m_piece)
            m_piece->Performance()->RemoveStateHandlers();
        m_sequence.reset();
        m_piece.reset();
        plat::MessageLoop::current().pump();
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        WavePlayTest::TearDown();
    }

    ECWave* Clip(float time, int track = 1)
    {
        auto* clip = new ECWave(MCTime(time), m_file);
        clip->SetVoiceTrack(0, track);
        auto* add = new CCAdd(clip, m_piece->Conductor()->GetTrack(ECConductor::waveTrack, track, 0), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_piece->Performance());
        m_clips[time] = clip;
        return clip;
    }

    // A flow mark on the conductor staff, added by a command as an edit adds it.
    ECFlowControl* Mark(float time, int type)
    {
        auto* mark = new ECFlowControl;
        mark->SetFlowControlType(static_cast<unsigned char>(type));
        const MCTime at(time);
        mark->SetTime(&at);
        if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 1)))
            data->SetNumRepetitions(1);
        auto* add = new CCAdd(mark, m_piece->ConductorStaff(), FCMidi::MidiNull());
        add->SetSynchronous(1);
        add->Apply(m_piece->Performance());
        return mark;
    }

    // Edits as the user makes them: one undo step, whose end of batch (500) reaches the
    // sequence as the document passes it on.
    void Edit(const std::function<void()>& edit)
    {
        MCCommandMgr::BeginUndo(m_piece->Performance(), "Edit");
        edit();
        MCCommandMgr::EndUndo(m_piece->Performance());
    }
    static int Forward(ECBase*, int, void* state, void* user)
    {
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == 500)
            static_cast<CSequence*>(user)->OnUpdate(base->GetCode(), base);
        return 0;
    }

    // The sequence plays from the location at 120 for a few slices, told of every edit.
    void PlayFrom(float location)
    {
        Prefetch();
        m_piece->Performance()->AddStateHandler(&WavePrefetchTest::Forward, m_sequence.get());
        m_sequence->EnableAutoStop(0);
        m_sequence->EnableAutoRewind(0);
        m_sequence->SetLocation(MCTime(location));
        m_sequence->Play();
        Step(200);
    }

    CWavePrefetchMgr& Prefetch()
    {
        if (!m_sequence) {
            m_sequence = std::make_unique<CSequence>();
            m_sequence->Attach(m_piece->Performance());
            m_sequence->CheckDataIntegrity();
            MCFlowControl().Coordinate(m_sequence.get());
        }
        return m_sequence->GetWavePrefetchMgr();
    }

    // Which clips have a player prepared, by start.
    // The clips whose players are ready. Each player prepares on a thread of its own, so this
    // waits until every player the prefetcher holds is ready (or a generous time has passed).
    std::vector<float> Prepared()
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        for (;;) {
            std::vector<float> starts;
            for (const auto& [time, clip] : m_clips)
                if (Prefetch().GetWavePlayObj(clip, 0))
                    starts.push_back(time);
            if (starts.size() >= Prefetch().GetPreparedCount() || std::chrono::steady_clock::now() > deadline)
                return starts;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }

    SequencerEnvironment m_environment;
    std::string m_folder;
    std::string m_file;
    std::unique_ptr<Piece> m_piece;
    std::unique_ptr<CSequence> m_sequence;
    std::map<float, ECWave*> m_clips;
};

TEST_F(WavePrefetchTest, ClipsWithinThePrefetchTimeArePreparedOnce)
{
    for (float time : {1.0f, 3.0f, 3.9f, 4.5f, 8.0f})
        Clip(time);
    Prefetch().SetPrefetchTime(0.0f);
    Prefetch().SetPrefetchTime(-1.0f);
    EXPECT_FLOAT_EQ(Prefetch().GetPrefetchTime(), 2.0f);
    // 2 s at 120 are four quarter notes.
    Prefetch().DoPrefetch(MCTime(0.0f), 1);
    EXPECT_EQ(Prepared(), (std::vector<float>{1.0f, 3.0f, 3.9f}));
    Prefetch().DoPrefetch(MCTime(0.0f), 1);
    EXPECT_EQ(Prefetch().GetPreparedCount(), 3u) << "none prepared twice";

    // Taking a player without removing it leaves it; removing hands it over.
    CWavePlay* kept = Prefetch().GetWavePlayObj(m_clips[1.0f], 0);
    ASSERT_NE(kept, nullptr);
    EXPECT_EQ(Prefetch().GetWavePlayObj(m_clips[1.0f], 0), kept);
    std::unique_ptr<CWavePlay> taken(Prefetch().GetWavePlayObj(m_clips[1.0f], 1));
    EXPECT_EQ(taken.get(), kept);
    EXPECT_EQ(Prefetch().GetWavePlayObj(m_clips[1.0f], 1), nullptr);
    taken.reset();

    // A locate frees the players of the clips before it; the null time frees them all.
    Prefetch().Reset(MCTime(3.5f));
    EXPECT_EQ(Prepared(), (std::vector<float>{3.9f}));
    Prefetch().DoPrefetch(MCTime(3.5f), 1);
    EXPECT_EQ(Prepared(), (std::vector<float>{3.9f, 4.5f}));
    Prefetch().Reset(MCTime::TimeNull());
    EXPECT_EQ(Prefetch().GetPreparedCount(), 0u);
}

TEST_F(WavePrefetchTest, ARepeatAheadPreparesFromItsTargetForTheTimeLeft)
{
    for (float time : {0.5f, 1.0f, 3.0f})
        Clip(time);
    // A repeat from 0 to 2 (one second at 120), taken once.
    auto* begin = new ECFlowControl;
    begin->SetFlowControlType(0);
    begin->SetTime(&MCTime::TimeZero());
    m_piece->ConductorStaff()->AddChild(begin, 1);
    auto* end = new ECFlowControl;
    end->SetFlowControlType(1);
    const MCTime two(2.0f);
    end->SetTime(&two);
    m_piece->ConductorStaff()->AddChild(end, 1);
    if (auto* data = plat::dynamicDowncast<DCsqFlowControl>(end->GetData(0, 1)))
        data->SetNumRepetitions(1);
    Prefetch().UpdateFlowControl();
    Prefetch().DoPrefetch(MCTime(0.0f), 1);
    // One second up to the sign, one more from its target: the clip at 3 is more than 2 s
    // of play away.
    EXPECT_EQ(Prepared(), (std::vector<float>{0.5f, 1.0f}));
}

TEST_F(WavePrefetchTest, ATrackAndARepeatAddedWhilePlayingArePrefetched)
{
    Clip(0.25f);  // behind the play until a repeat sends it back
    Clip(8.0f);   // far ahead
    PlayFrom(1.0f);
    EXPECT_EQ(Prepared(), std::vector<float>{});
    Edit([&] {
        auto* tracks = new CCAddTrack;
        tracks->AddWaveTrack(1);
        tracks->SetSynchronous(1);
        tracks->Apply(m_piece->Performance());
        Clip(2.5f, 2);
        Mark(0.0f, 0);
        Mark(3.0f, 1);
    });
    Step(200);
    // The play stands near 1.8: up to the repeat's end at 3 the new track's clip, then from
    // the top the time left, which reaches the clip at 0.25 but not the one at 8.
    EXPECT_EQ(Prepared(), (std::vector<float>{0.25f, 2.5f}));
}

// A mark taken out is never read again, also once the piece has let it go (the sanitizer
// build sees a read of the freed mark).
TEST_F(WavePrefetchTest, AMarkRemovedAndDroppedFromTheUndoHistoryIsNotReadAgain)
{
    Clip(0.25f);
    ECFlowControl* begin = Mark(0.0f, 0);
    ECFlowControl* end = Mark(3.0f, 1);
    PlayFrom(1.0f);
    EXPECT_EQ(Prepared(), std::vector<float>{0.25f});
    Prefetch().Reset(MCTime(1.0f));
    Edit([&] {
        for (ECBase* mark : {static_cast<ECBase*>(begin), static_cast<ECBase*>(end)}) {
            auto* remove = new CCRemove(mark);
            remove->SetSynchronous(1);
            remove->Apply(m_piece->Performance());
        }
    });
    m_piece->Performance()->ClearUndo();
    Step(300);
    EXPECT_EQ(Prepared(), std::vector<float>{}) << "no repeat sends the play back to the clip";
}

// The device manager deletes the players of a performance that ends, those prepared ahead
// too: a pause ends it, and the prefetched players go with it, each deleted once.
TEST_F(WavePrefetchTest, PlayersPreparedForAPerformanceThatEndsGoWithIt)
{
    Clip(2.0f);
    PlayFrom(1.0f);
    EXPECT_EQ(Prepared(), std::vector<float>{2.0f});
    m_sequence->Pause();
    Step(300);
    ASSERT_EQ(m_sequence->TestState(CSequence::statePaused), 1);
    EXPECT_EQ(Prefetch().GetPreparedCount(), 0u);
}

}  // namespace
