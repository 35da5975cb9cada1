// On a machine with ALSA, the rack's wave engine and its CD deck play through the wave output
// the media layer lists over ALSA's "default" PCM. Here "default" is ALSA's own "file"
// plug-in over a "null" device, defined in a private configuration in a temporary folder: the
// code path of a real device, with what it plays kept in raw files. The sound is compared by
// the pitch of its tones, since the engine resamples it to its own rate.

#include "rack/outside/plinthstore/CdStore.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/DeckControls.h"
#include "rack/rackplayer/RackStartup.h"
#include "rack/rackplayer/tests/CdImage.h"
#include "rack/rackplayer/tests/RackFixture.h"
#include "rack/rackplayer/wave/WaveEngine.h"

#include "platform/core/IniFile.h"
#include "platform/core/Strings.h"
#include "platform/media/alsa/AlsaPcmSink.h"
#include "platform/media/alsa/AlsaProvider.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/ui/tests/RecordingClass.h"
#include "platform/ui/rackwindow/Window.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace rack {
namespace {

namespace fs = std::filesystem;
using plat::ui::kCommandMessage;
using plat::ui::Window;

class DesktopWaveOutTest : public test::RackFixture {
protected:
    void SetUp() override
    {
        RackFixture::SetUp();
        std::string pattern = (fs::temp_directory_path() / "desktop-wave-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
        m_raw = m_folder + "/played.raw";
        // ALSA reads this configuration instead of the machine's, so "default" is the file
        // (a new one each time the device is opened, rather than the same one emptied).
        const std::string asoundrc = m_folder + "/asoundrc";
        std::ofstream(asoundrc) << "pcm.!default { type file slave { pcm { type null } } file \"" << m_raw
                                << "\" format \"raw\" truncate false }\n";
        const char* previous = std::getenv("ALSA_CONFIG_PATH");
        m_previousConfig = previous ? std::optional<std::string>(previous) : std::nullopt;
        setenv("ALSA_CONFIG_PATH", asoundrc.c_str(), 1);

        // The media layer as the program makes it over "default": the engine over the PCM and
        // the ALSA family listing its wave output; memory MIDI devices beside it.
        auto timers = std::make_unique<plat::media::ManualTimerService>(0);
        m_deviceTimers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(
            *timers, std::make_unique<plat::media::AlsaPcmSink>(timers->clock(), plat::media::AlsaProvider::kDefaultPcm));
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::AlsaProvider>(*timers, m_engine));
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*timers));
        m_fake = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
    }

    void TearDown() override
    {
        // The engine goes with the families that hold it, before the clock it runs on.
        m_engine.reset();
        plat::media::Backend::install(std::move(m_fake));
        if (m_previousConfig)
            setenv("ALSA_CONFIG_PATH", m_previousConfig->c_str(), 1);
        else
            unsetenv("ALSA_CONFIG_PATH");
        std::error_code ignored;
        fs::remove_all(m_folder, ignored);
        RackFixture::TearDown();
    }

    // The device clock and the interface's timers move together; the engine renders what is
    // due before the interface looks.
    void run(uint32_t ms)
    {
        for (uint32_t done = 0; done < ms; done += 10) {
            m_deviceTimers->advance(10);
            m_engine->waitCaughtUp();
            advance(10);
        }
    }

    // What the device played. Each time the engine opens the device again (after a while
    // with nothing to play) the plug-in starts a file of its own: "played.raw", then
    // "played.raw.0001" and on.
    std::vector<uint8_t> played() const
    {
        std::vector<uint8_t> bytes;
        for (int n = 0;; ++n) {
            const std::string path = n == 0 ? m_raw : m_raw + plat::format(".%04d", n);
            if (!fs::exists(path))
                break;
            std::ifstream in(path, std::ios::binary);
            bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), {});
        }
        return bytes;
    }
    // The played bytes from the first frame that is not silence.
    std::vector<uint8_t> sounded() const
    {
        std::vector<uint8_t> bytes = played();
        size_t first = 0;
        while (first + 4 <= bytes.size() && !bytes[first] && !bytes[first + 1] && !bytes[first + 2] && !bytes[first + 3])
            first += 4;
        bytes.erase(bytes.begin(), bytes.begin() + long(first));
        return bytes;
    }

    // How often the left channel changes sign in the first frames of the sound.
    static int leftCrossings(const std::vector<uint8_t>& sound, size_t frames)
    {
        int crossings = 0;
        for (size_t frame = 1; frame < frames && frame * 4 + 1 < sound.size(); ++frame) {
            const int previous = int16_t(sound[4 * frame - 4] | sound[4 * frame - 3] << 8);
            const int now = int16_t(sound[4 * frame] | sound[4 * frame + 1] << 8);
            crossings += (previous < 0) != (now < 0) ? 1 : 0;
        }
        return crossings;
    }

    std::string m_folder;
    std::string m_raw;
    std::optional<std::string> m_previousConfig;
    plat::media::ManualTimerService* m_deviceTimers = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    std::unique_ptr<plat::media::Backend> m_fake;
};

TEST_F(DesktopWaveOutTest, TheWaveEngineFindsTheOutputAndPlaysAFileThroughIt)
{
    ASSERT_EQ(plat::media::Backend::instance().waveOutCount(), 1);
    obj_Initialize();
    wdrv_Initialize();
    EXPECT_EQ(wdrv_CanOpen(kWaveMapper, kWaveOutput), 1);

    // A second of 16-bit stereo at 44,100 Hz (the engine resamples it): 441 Hz on the left.
    const uint32_t rate = 44100;
    std::vector<uint8_t> data;
    for (uint32_t i = 0; i < rate; ++i) {
        const auto left = int16_t(std::lround(12000 * std::sin(2 * M_PI * 441.0 * i / rate)));
        for (const int16_t sample : {left, int16_t(-3000)}) {
            data.push_back(uint8_t(sample & 0xFF));
            data.push_back(uint8_t(uint16_t(sample) >> 8));
        }
    }
    std::vector<uint8_t> file = {'R', 'I', 'F', 'F'};
    const auto put = [&file](uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(uint8_t(value >> (8 * i)));
    };
    put(uint32_t(36 + data.size()), 4);
    for (const char c : std::string("WAVEfmt "))
        file.push_back(uint8_t(c));
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(rate, 4);
    put(rate * 4, 4);
    put(4, 2);
    put(16, 2);
    for (const char c : std::string("data"))
        file.push_back(uint8_t(c));
    put(uint32_t(data.size()), 4);
    file.insert(file.end(), data.begin(), data.end());
    const std::string path = m_folder + "/tone.wav";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
    const int index = obj_LoadWave(nullptr, path.c_str());
    ASSERT_GE(index, 0);

    plat::ui::test::RecordingClass deckClass{"DesktopWaveDeck"};
    Window* deck = Window::create(deckClass.name(), "deck", 0, QRect(0, 0, 10, 10), nullptr);
    ASSERT_EQ(wdrv_Play(deck, kWaveMapper, *obj_GetWave(0, index), 0, 0, 0, kWavePlayEnded), 0);
    for (int ms = 0; ms < 5000 && deckClass.of(kCommandMessage, deck).empty(); ms += 100)
        run(100);
    const auto ended = deckClass.of(kCommandMessage, deck);
    ASSERT_EQ(ended.size(), 1u) << "the end of the file is told once";
    EXPECT_EQ(ended[0].wParam, kWavePlayEnded);

    // The whole second of the tone, resampled to the engine's rate.
    const std::vector<uint8_t> heard = sounded();
    const size_t second = m_engine->sampleRate();
    ASSERT_GE(heard.size(), second * 4);
    // The engine keeps the device in step with the media clock by dropping a frame now and
    // then, more often on a loaded machine: the pitch holds within 1%.
    EXPECT_NEAR(leftCrossings(heard, second), 882, 9);
    deck->destroy();
    wdrv_Terminate();
    obj_Terminate();
}

TEST_F(DesktopWaveOutTest, TheCdDeckPlaysATrackThroughTheOutput)
{
    test::CdImage image;
    std::error_code ignored;
    fs::remove(plat::IniFile("rackcd.ini").path(), ignored);
    obj_SetCDSource(image.cue());
    ASSERT_EQ(rack_Startup("", "/opt/rack/rackplayer"), 1);
    deliver();
    Window* cdDeck = rackState().cdDeck;
    ASSERT_NE(cdDeck, nullptr);
    rackState().cdLoop = false;
    // The second track: a second of a 440 Hz tone on the left.
    cdDeck->send(kCommandMessage, kSlotNext, kNotifyRepeat);
    deliver();
    cdDeck->send(kCommandMessage, kSlotPlay, kNotifyClick);
    deliver();
    EXPECT_EQ(rackState().cdState, kDeckPlaying);
    EXPECT_TRUE(prompts.empty()) << prompts.front().text;
    for (int ms = 0; ms < 10000 && rackState().cdState == kDeckPlaying; ms += 100)
        run(100);
    EXPECT_EQ(rackState().cdState, kDeckIdle);

    // The second track's second of a 440 Hz tone, then (after a moment of silence while the
    // device opens again) the third's second and a half of 660 Hz.
    const std::vector<uint8_t> heard = sounded();
    const size_t second = m_engine->sampleRate();
    ASSERT_GE(heard.size(), second * 4 * 5 / 2);
    // The engine keeps the device in step with the media clock by dropping a frame now and
    // then, and this test's clock runs ahead of the device: the pitch holds within a few
    // percent, far from the other track's.
    EXPECT_NEAR(leftCrossings(heard, second * 9 / 10), 792, 32);
    const std::vector<uint8_t> third(heard.begin() + long(second * 4 * 6 / 5), heard.end());
    EXPECT_NEAR(leftCrossings(third, second), 1320, 53);

    if (Window::isWindow(rackState().frame))
        rackState().frame->send(plat::ui::kCloseMessage);
    deliver();
    rack_Shutdown();
    obj_SetCDSource("");
}

}  // namespace
}  // namespace rack
