#include "notabase/commands/CCAddTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECWave.h"
#include "notabase/score/ECWaveTrack.h"
#include "platform/media/file/FileProvider.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/record/CWaveRecorder.h"
#include "sequencer/score/CWaveScoreMgr.h"
#include "sequencer/states/SCWaveInfo.h"
#include "sequencer/tests/SequencerTestSupport.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWaveFileWrite.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kRate = 22050;
constexpr uint32_t kBytesPerSecond = kRate * 2;

struct Announced {
    std::string file;
    int track;
    float time;
};

// A device manager whose wave input plays a capture file, with memory MIDI outputs to clock
// the play, on the manual clock; a piece at 120 in 4/4 with a staff and two wave tracks.
class WaveRecorderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-waverec-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        // Four seconds of 22050 Hz mono 16-bit sound, every sample different.
        m_sound.resize(4 * kBytesPerSecond);
        for (size_t i = 0; i < m_sound.size(); ++i)
            m_sound[i] = static_cast<uint8_t>((i * 7 + i / 256) & 0xFF);
        m_capture = m_folder + "/mic.wav";
        {
            WG_DevFormat format;
            format.formatTag = WG_FORMAT_PCM;
            format.channels = 1;
            format.samplesPerSec = kRate;
            format.avgBytesPerSec = kBytesPerSecond;
            format.blockAlign = 2;
            format.bitsPerSample = 16;
            CWaveFileWrite writer;
            writer.SetFormat(&format);
            writer.SetFilename(m_capture.c_str());
            ASSERT_EQ(writer.Open(0), 1);
            WG_WaveHeader all{m_sound.data(), static_cast<uint32_t>(m_sound.size()), static_cast<uint32_t>(m_sound.size())};
            ASSERT_EQ(writer.Write(&all), static_cast<long>(m_sound.size()));
            ASSERT_EQ(writer.Close(), 1);
        }
        auto timers = std::make_unique<plat::media::ManualTimerService>(MemoryDevices::kStartMs);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::FileProvider>(*m_timers, m_capture));
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*m_timers, 1, 0));
        m_previous = plat::media::Backend::install(std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_MIDI | CWavegate::WG_INIT_WAVE), 1);
        ASSERT_EQ(m_wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_IN), 1);

        auto* tempo = new ECTempo;
        tempo->SetTime(&MCTime::TimeZero());
        tempo->SetTempo(120.0f, 1.0f);
        tempo->SetStyle(ECEnvPoint::styleStep);
        m_piece.ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
        auto* meter = new ECMeter(4, 4, 0);
        meter->SetTime(&MCTime::TimeZero());
        m_piece.ConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
        m_piece.AddStaves(1);
        m_piece.AddBarsUpTo(64.0f);
        auto* tracks = new CCAddTrack;
        tracks->AddWaveTrack(2);
        tracks->SetSynchronous(1);
        tracks->Apply(m_piece.Performance());
        m_sequence = std::make_unique<CSequence>();
        m_sequence->Attach(m_piece.Performance());
        m_sequence->CheckDataIntegrity();
        m_sequence->EnableAutoStop(0);
        m_sequence->SetInputWaveDevice(0);
        m_piece.Performance()->AddStateHandler(&WaveRecorderTest::OnState, this);
        m_wavegate->OpenDevices();
        m_wavegate->StartDevices();
        Step(500);
    }
    void TearDown() override
    {
        m_piece.Performance()->RemoveStateHandlers();
        m_sequence.reset();
        plat::MessageLoop::current().pump();
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
        for (const Announced& a : m_announced)
            std::filesystem::remove(a.file, ignored);
    }

    CWaveRecorder& Recorder() { return m_sequence->GetWaveRecorder(); }
    DCsqTrack* WaveTrack(int number)
    {
        return DCsqTrack::GetTrackData(static_cast<unsigned>(number), ECConductor::waveTrack, m_sequence.get());
    }

    void Step(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 10) {
            m_timers->advance(10);
            for (int round = 0; round < 2; ++round) {
                m_wavegate->SyncDriverThread();
                for (int i = 0; i < m_wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_IN); ++i)
                    m_wavegate->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, i)->Sync();
                m_wavegate->GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, 0)->Sync();
            }
        }
    }

    static int OnState(ECBase*, int, void* state, void* user)
    {
        auto* base = static_cast<SCBase*>(state);
        if (base->GetCode() == CWaveRecorder::kWaveReady) {
            auto* info = static_cast<SCWaveInfo*>(base);
            static_cast<WaveRecorderTest*>(user)->m_announced.push_back({info->GetFilename(), info->GetTrack(), info->GetTime().GetSeconds()});
        }
        return 0;
    }

    std::vector<uint8_t> ReadData(const std::string& file)
    {
        CWaveFileRead reader;
        reader.SetFilename(file.c_str());
        if (!reader.Open(0))
            return {};
        std::vector<uint8_t> bytes(reader.GetDataSize());
        reader.Read(bytes.data(), static_cast<int>(bytes.size()));
        return bytes;
    }

    SequencerEnvironment m_environment;
    std::string m_folder;
    std::string m_capture;
    std::vector<uint8_t> m_sound;
    plat::media::ManualTimerService* m_timers = nullptr;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    Piece m_piece;
    std::unique_ptr<CSequence> m_sequence;
    std::vector<Announced> m_announced;
    std::atomic<size_t> m_delivered{0};
};

TEST_F(WaveRecorderTest, ArmingMovesTheInputBetweenTracksAndDisarmingDeletesTheFile)
{
    EXPECT_EQ(Recorder().AddTrack(nullptr), 0);
    EXPECT_EQ(Recorder().AddTrack(DCsqTrack::GetTrackData(1u, ECConductor::staffTrack, m_sequence.get())), 0)
        << "a staff is no wave track";
    ASSERT_EQ(Recorder().AddTrack(WaveTrack(1)), 1);
    const std::string file = Recorder().GetFileName(WaveTrack(1));
    ASSERT_FALSE(file.empty());
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::path(file).filename().string().rfind("WAV", 0), 0u);
    EXPECT_EQ(Recorder().AddTrack(WaveTrack(1)), 1) << "armed already";
    EXPECT_EQ(Recorder().IsRecordSet(1), 1);

    ASSERT_EQ(Recorder().AddTrack(WaveTrack(2)), 1);
    EXPECT_EQ(Recorder().IsRecordSet(1), 0) << "the input moved";
    EXPECT_EQ(Recorder().IsRecordSet(2), 1);
    EXPECT_EQ(Recorder().GetFileName(WaveTrack(2)), file);

    Recorder().RemoveTrack(WaveTrack(2));
    EXPECT_EQ(Recorder().IsRecordSet(2), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(WaveRecorderTest, ATakeLeavesOutItsLeadInAndIsAnnouncedAndAddedAtItsStart)
{
    m_sequence->SetLocation(MCTime(4.0f));
    m_sequence->EnableRecordLeadIn(1);
    m_sequence->SetNumLeadInMeasures(1);
    ASSERT_EQ(Recorder().AddTrack(WaveTrack(1)), 1);
    // What the input hands over, counted beside the sequence.
    const int counting = m_wavegate->StartRecording(
        [](uintptr_t user, int, CWGEventData* event) {
            if (event->type == CWGEventData::WG_EVENT_WAVEHEADER)
                *reinterpret_cast<std::atomic<size_t>*>(user) += event->GetWaveHeader()->bytesRecorded;
            return 1;
        },
        reinterpret_cast<uintptr_t>(&m_delivered), 1);
    m_sequence->Record();
    // One bar at 120 lasts 2 s, and the input runs one driver slice ahead: 2 s and one slice
    // of sound, in whole frames, stay out of the take.
    const uint32_t skip = (2000 + m_wavegate->GetPerformanceGranularity()) * kBytesPerSecond / 1000 / 2 * 2;
    EXPECT_EQ(Recorder().GetSkipBytes(0), skip);
    plat::MessageLoop::current().pump();
    Step(3200);
    m_sequence->Stop(0);
    m_wavegate->StopRecording(counting);
    Step(200);
    // The files are finished on this thread, and the state they send arrives after.
    plat::MessageLoop::current().pump();
    plat::MessageLoop::current().pump();

    ASSERT_EQ(m_announced.size(), 1u);
    const Announced take = m_announced[0];
    EXPECT_EQ(take.track, 1);
    EXPECT_FLOAT_EQ(take.time, 4.0f);
    const std::vector<uint8_t> recorded = ReadData(take.file);
    ASSERT_FALSE(recorded.empty());
    ASSERT_LE(skip + recorded.size(), m_sound.size());
    // The input hands over what it hears from wherever its source stands: the take is the
    // bytes it handed over, less the lead-in, one run of the source sample for sample.
    EXPECT_EQ(recorded.size() + skip, m_delivered.load());
    const auto run = std::search(m_sound.begin(), m_sound.end(), recorded.begin(), recorded.begin() + 64);
    ASSERT_NE(run, m_sound.end());
    ASSERT_LE(static_cast<size_t>(run - m_sound.begin()) + recorded.size(), m_sound.size());
    EXPECT_TRUE(std::equal(recorded.begin(), recorded.end(), run));
    EXPECT_EQ(Recorder().IsRecordSet(1), 0) << "a stop disarms";

    // The score takes the file as a clip at the take's start, as long as the file sounds.
    ECWave* clip = m_sequence->GetWaveScoreMgr().AddWaveFile(MCTime(take.time), MCVoiceTrack(0, 1),
                                                             reinterpret_cast<const unsigned char*>(take.file.data()),
                                                             static_cast<int>(take.file.size()));
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetParents()->GetHead(), m_piece.Conductor()->GetTrack(ECConductor::waveTrack, 1, 0));
    EXPECT_FLOAT_EQ(clip->GetTime()->GetSeconds(), 4.0f);
    EXPECT_NEAR(clip->GetDuration()->GetSeconds(), static_cast<float>(recorded.size()) / kBytesPerSecond, 0.001f);
    EXPECT_EQ(clip->GetDuration()->GetMode(), MCTime::clock);
}

TEST_F(WaveRecorderTest, ATakeWithoutSoundIsDeletedAndNotAnnounced)
{
    ASSERT_EQ(Recorder().AddTrack(WaveTrack(1)), 1);
    const std::string file = Recorder().GetFileName(WaveTrack(1));
    m_sequence->EnableRecordLeadIn(0);
    m_sequence->Record();
    m_sequence->Stop(0);
    Step(100);
    plat::MessageLoop::current().pump();
    plat::MessageLoop::current().pump();
    EXPECT_TRUE(m_announced.empty());
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(WaveRecorderTest, AWaveFileWithoutSoundMakesNoClip)
{
    const std::string missing = m_folder + "/missing.wav";
    CWaveScoreMgr& score = m_sequence->GetWaveScoreMgr();
    EXPECT_EQ(score.AddWaveFile(MCTime(1.0f), MCVoiceTrack(0, 1), reinterpret_cast<const unsigned char*>(missing.data()),
                                static_cast<int>(missing.size())),
              nullptr);
    EXPECT_EQ(m_piece.Conductor()->GetTrack(ECConductor::waveTrack, 1, 0)->GetChildren()->GetCount(), 0);
    // A clip for a wave track that is not there yet makes the track.
    ECWave* clip = score.AddWaveFile(MCTime(2.0f), MCVoiceTrack(0, 3), reinterpret_cast<const unsigned char*>(m_capture.data()),
                                     static_cast<int>(m_capture.size()));
    ASSERT_NE(clip, nullptr);
    EXPECT_NE(m_piece.Conductor()->GetTrack(ECConductor::waveTrack, 3, 0), nullptr);
    EXPECT_NEAR(clip->GetDuration()->GetSeconds(), 4.0f, 0.001f);
}

TEST_F(WaveRecorderTest, AnAddedWaveTrackPlaysAtItsStoredGainUnderTheMasterGain)
{
    m_sequence->SetMasterGain(0.5f);
    // Held by the test: a track in no piece is otherwise taken apart when the loop runs.
    auto* track = new ECWaveTrack(m_piece.Conductor(), m_piece.Performance());
    track->Ref();
    auto* data = plat::dynamicDowncast<DCsqWaveTrack>(track->GetData(0, 1));
    ASSERT_NE(data, nullptr);
    data->SetTrackGain(1.0f);
    const int32_t before = data->GetDSParams().volume;
    ASSERT_EQ(m_sequence->GetWaveScoreMgr().AddEventData(track), data);
    EXPECT_EQ(data->GetSequence(), m_sequence.get());
    plat::MessageLoop::current().pump();
    EXPECT_NE(data->GetDSParams().volume, before) << "the gain is applied again under the sequence's master gain";
    EXPECT_EQ(m_sequence->GetWaveScoreMgr().AddEventData(nullptr), nullptr);
    track->Unref(1);
}

}  // namespace
