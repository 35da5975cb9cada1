#include "platform/media/Backend.h"
#include "platform/media/ManualTimerService.h"
#include "platform/media/file/FileProvider.h"
#include "platform/media/memory/MemoryProvider.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/CWaveFileWrite.h"
#include "wavegate/CWaveIn.h"
#include "wavegate/CWavegate.h"
#include "wavegate/tests/WaveFileImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>

namespace {

TEST(CWaveInBuffers, HalfASecondInWholeFrames)
{
    struct Case {
        int format;
        uint32_t length;
    };
    // 11025 Hz 8-bit mono, 8-bit stereo, 16-bit mono, 16-bit stereo; 44100 Hz 16-bit stereo.
    for (const Case c : {Case{2, 5512}, Case{3, 11024}, Case{4, 11024}, Case{5, 22048}, Case{13, 88200}}) {
        SCOPED_TRACE(c.format);
        WG_DevFormat format;
        CWGDevice::FillFormat(&format, c.format);
        EXPECT_EQ(CWaveIn::BufferLengthFor(format), c.length);
        EXPECT_EQ(CWaveIn::BufferLengthFor(format) % format.blockAlign, 0u);
    }
}

// A manager whose one wave input records a WAV file at the pace of a manual clock.
class CWaveInTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // Three seconds of 22050 Hz mono 16-bit sound.
        m_sound = WaveFileImage::Ramp(3 * 44100);
        m_capture = m_folder.Write("mic.wav", WaveFileImage().Fmt(1, 22050, 16).Chunk("data", m_sound).Bytes());
        auto timers = std::make_unique<plat::media::ManualTimerService>(1000);
        m_timers = timers.get();
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::FileProvider>(*m_timers, m_capture));
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*m_timers, 0, 0));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_WAVE), 1);
        ASSERT_EQ(m_wavegate->GetDeviceCount(CWavegate::WG_WAVE, CWavegate::WG_IN), 1);
    }

    void TearDown() override
    {
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
    }

    CWaveIn& Input() { return *static_cast<CWaveIn*>(m_wavegate->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0)); }

    void Step(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 10) {
            m_timers->advance(10);
            Input().Sync();
        }
    }

    struct Recorder {
        CWaveFileWrite writer;
        std::mutex mutex;
        std::vector<int> devices;
        static int Record(uintptr_t user, int, CWGEventData* event)
        {
            auto* self = reinterpret_cast<Recorder*>(user);
            std::lock_guard lock(self->mutex);
            self->devices.push_back(event->device);
            self->writer.Write(event->GetWaveHeader());
            return 1;
        }
    };

    TempFolder m_folder{"wavein"};
    std::vector<uint8_t> m_sound;
    std::string m_capture;
    plat::media::ManualTimerService* m_timers = nullptr;
    std::unique_ptr<CWavegate> m_wavegate;

private:
    std::unique_ptr<plat::media::Backend> m_previous;
};

TEST_F(CWaveInTest, RecordingTwoSecondsFromAFileGivesItsBytes)
{
    WG_DevFormat format;
    CWGDevice::FillFormat(&format, CWaveIn::GetDefaultFormat());
    ASSERT_EQ(m_wavegate->SetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_IN, 0, &format), 1);
    Recorder recorder;
    recorder.writer.SetFormat(&format);
    const std::string recorded = m_folder.File("recorded.wav");
    recorder.writer.SetFilename(recorded.c_str());
    ASSERT_EQ(recorder.writer.Open(0), 1);
    const int tag = m_wavegate->StartRecording(&Recorder::Record, reinterpret_cast<uintptr_t>(&recorder), 1);

    ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0), 1);
    EXPECT_EQ(Input().GetBufferLength(), 22050u);
    Step(2000);
    {
        std::lock_guard lock(recorder.mutex);
        EXPECT_EQ(recorder.devices, (std::vector<int>{0, 0, 0, 0}));
    }
    // Stopping part-way into the fifth buffer hands it back without forwarding it.
    Step(100);
    ASSERT_EQ(m_wavegate->StopDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0), 1);
    m_wavegate->StopRecording(tag);
    ASSERT_EQ(recorder.writer.Close(), 1);
    EXPECT_EQ(recorder.devices.size(), 4u);

    CWaveFileRead reader;
    reader.SetFilename(recorded.c_str());
    ASSERT_EQ(reader.Open(0), 1);
    ASSERT_EQ(reader.GetDataSize(), 88200u);
    std::vector<uint8_t> bytes(88200);
    ASSERT_EQ(reader.Read(bytes.data(), 88200), 88200);
    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), m_sound.begin()));

    // Started again, it records again: the buffers the stop gave back are queued anew.
    std::vector<int> again;
    const int second = m_wavegate->StartRecording(
        [](uintptr_t user, int, CWGEventData* event) {
            reinterpret_cast<std::vector<int>*>(user)->push_back(static_cast<int>(event->GetWaveHeader()->bytesRecorded));
            return 1;
        },
        reinterpret_cast<uintptr_t>(&again), 1);
    ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0), 1);
    Step(500);
    ASSERT_EQ(m_wavegate->CloseDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0), 1);
    m_wavegate->StopRecording(second);
    EXPECT_EQ(again, std::vector<int>{22050});
}

TEST_F(CWaveInTest, AFormatChangeReopensAndAFormatTheInputLacksFails)
{
    ASSERT_EQ(m_wavegate->OpenDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, 0), 1);
    EXPECT_EQ(Input().GetBufferLength(), 22050u);
    RecordingHost host;
    WG_DevFormat other;
    CWGDevice::FillFormat(&other, 13);   // 44100 Hz stereo: not the file's
    EXPECT_EQ(Input().SetFormat(&other), 1);
    EXPECT_EQ(Input().GetState() & CWGDevice::WG_OPEN, 0u);   // the reopening failed

    WG_DevCaps caps;
    ASSERT_EQ(m_wavegate->GetDeviceCaps(CWavegate::WG_WAVE, CWavegate::WG_IN, 0, &caps), 1);
    EXPECT_EQ(std::string(caps.name).substr(0, 8), "WAV file");
    EXPECT_EQ(CWaveIn::GetDeviceCaps(3, &caps, &host), 0);
    EXPECT_EQ(host.codes, std::vector<uint32_t>{408});
}

}  // namespace
