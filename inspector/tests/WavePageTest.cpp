// First: its test host has a member that Qt's keywords would hide.
#include "wavegate/tests/WavePlayTestSupport.h"

#include "TempoPagesTestSupport.h"

#include "inspector/pages/PCsqWave.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "platform/media/audio/MemoryAudioSink.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <thread>

namespace {

using namespace tempopagestest;

class WavePageTest : public ConductorPageTest {
protected:
    void SetUp() override
    {
        ConductorPageTest::SetUp();
        SaveIntPreference("\\PlugIns\\Views\\Wave View", "DisplayMode", 0);
        char folder[] = "/tmp/quavix-wavepage-XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        m_folder = folder;
        one = m_folder + "/one.wav";
        two = m_folder + "/two.wav";
        documenttest::writeFile(one, WaveBytes(DistinctSamples(4800), 2, 48000));
        documenttest::writeFile(two, WaveBytes(DistinctSamples(2400), 1, 22050));
    }
    void TearDown() override
    {
        std::filesystem::remove_all(m_folder);
        ConductorPageTest::TearDown();
    }
    template <class Control>
    Control* Item(int id)
    {
        return plat::ui::item<Control>(&page, id);
    }
    static void TypeTime(MCTimeEdit* edit, const MCTime& time)
    {
        edit->SetIndeterminate(false);
        edit->SetTimeValue(time);
        edit->OnChange();
    }

    std::string m_folder, one, two;
    PCsqWave page;
};

TEST_F(WavePageTest, FieldsMergeAndPlayNeedsOneSharedFile)
{
    ECWave* a = AddWave(1.0f, 2.0f, one);
    ECWave* b = AddWave(1.0f, 3.0f, one, 2);
    ECWave* c = AddWave(4.0f, 2.0f, two);
    ECWave* broken = AddWave(0.0f, 1.0f, m_folder + "/none.wav", 2);
    struct Case {
        const char* what;
        std::vector<ECBase*> waves;
        PCsqWave::FieldState path, start, duration;
        bool formatShown;
        bool play;
    };
    const Case cases[] = {
        {"one", {a}, PCsqWave::stateCommon, PCsqWave::stateCommon, PCsqWave::stateCommon, true, true},
        {"same file and start", {a, b}, PCsqWave::stateCommon, PCsqWave::stateCommon, PCsqWave::stateMixed, true, true},
        {"two files", {a, c}, PCsqWave::stateMixed, PCsqWave::stateMixed, PCsqWave::stateCommon, false, false},
        {"not a wave file", {broken}, PCsqWave::stateCommon, PCsqWave::stateCommon, PCsqWave::stateCommon, false, true},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Show(page, k.waves);
        EXPECT_EQ(page.GetPathState(), k.path);
        EXPECT_EQ(page.GetStartState(), k.start);
        EXPECT_EQ(page.GetDurationState(), k.duration);
        EXPECT_EQ(Item<QLineEdit>(PCsqWave::IDC_PATH)->text().isEmpty(), k.path == PCsqWave::stateMixed);
        EXPECT_EQ(!Item<QLabel>(PCsqWave::IDC_FORMAT)->text().isEmpty(), k.formatShown);
        EXPECT_EQ(Item<MCTimeEdit>(PCsqWave::IDC_START)->text().isEmpty(), k.start == PCsqWave::stateMixed);
        EXPECT_EQ(Item<MCButton>(PCsqWave::IDC_PLAY)->isEnabled(), k.play);
        EXPECT_FALSE(page.IsModified());
    }
    Show(page, {a});
    EXPECT_EQ(Item<QLabel>(PCsqWave::IDC_FORMAT)->text().toStdString(), "48.000 kHz 16-bit Stereo");
}

TEST_F(WavePageTest, AStopBeforeTheDurationMovesTheClipToZeroInOneUndoStep)
{
    ECWave* a = AddWave(4.0f, 3.0f, one);
    ECWave* b = AddWave(5.0f, 3.0f, two, 2);
    struct Case {
        const char* what;
        std::vector<ECWave*> waves;
        int id;
        MCTime typed;
        std::vector<float> starts;
    };
    const Case cases[] = {
        {"stop before the duration", {a}, PCsqWave::IDC_STOP, MCTime(2.0f), {0.0f, 5.0f}},
        {"a stop moves the start", {a}, PCsqWave::IDC_STOP, MCTime(6.0f), {3.0f, 5.0f}},
        {"one start for two clips", {a, b}, PCsqWave::IDC_START, MCTime(2.0f), {2.0f, 2.0f}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Show(page, std::vector<ECBase*>(k.waves.begin(), k.waves.end()));
        TypeTime(Item<MCTimeEdit>(k.id), k.typed);
        ASSERT_TRUE(page.onApply());
        EXPECT_EQ(*a->GetTime(), MCTime(k.starts[0]));
        EXPECT_EQ(*b->GetTime(), MCTime(k.starts[1]));
        EXPECT_EQ(*a->GetDuration(), MCTime(3.0f));
        EXPECT_EQ(UndoTitle(), "Undo Edit Wave file");
        doc.OnEditUndo();
        EXPECT_EQ(*a->GetTime(), MCTime(4.0f));
        EXPECT_EQ(*b->GetTime(), MCTime(5.0f));
        EXPECT_EQ(UndoTitle(), "");
    }
}

TEST_F(WavePageTest, ClipsOfDifferentLengthsEachKeepTheirLengthWhenGivenOneStartOrStop)
{
    ECWave* a = AddWave(1.0f, 2.0f, one);
    ECWave* b = AddWave(1.0f, 3.0f, one, 2);
    struct Case {
        const char* what;
        int id;
        MCTime typed;
        std::vector<float> starts;
        int blank;
    };
    const Case cases[] = {
        {"one stop", PCsqWave::IDC_STOP, MCTime(8.0f), {6.0f, 5.0f}, PCsqWave::IDC_START},
        {"a stop before the longer length", PCsqWave::IDC_STOP, MCTime(2.5f), {0.5f, 0.0f}, PCsqWave::IDC_START},
        {"one start", PCsqWave::IDC_START, MCTime(4.0f), {4.0f, 4.0f}, PCsqWave::IDC_STOP},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        Show(page, {a, b});
        TypeTime(Item<MCTimeEdit>(k.id), k.typed);
        // The other end differs between the clips: the page shows none.
        EXPECT_TRUE(Item<MCTimeEdit>(k.blank)->text().isEmpty());
        ASSERT_TRUE(page.onApply());
        EXPECT_EQ(*a->GetTime(), MCTime(k.starts[0]));
        EXPECT_EQ(*b->GetTime(), MCTime(k.starts[1]));
        EXPECT_EQ(*a->GetDuration(), MCTime(2.0f));
        EXPECT_EQ(*b->GetDuration(), MCTime(3.0f));
        doc.OnEditUndo();
        EXPECT_EQ(*a->GetTime(), MCTime(1.0f));
        EXPECT_EQ(*b->GetTime(), MCTime(1.0f));
    }
}

TEST_F(WavePageTest, TheWaveViewsDisplayHintsConvertTheShownTimes)
{
    ECWave* a = AddWave(2.0f, 2.0f, one);
    Show(page, {a});
    auto* start = Item<MCTimeEdit>(PCsqWave::IDC_START);
    auto* stop = Item<MCTimeEdit>(PCsqWave::IDC_STOP);
    EXPECT_EQ(start->GetTimeFormat(), 1);
    EXPECT_EQ(Item<MCTimeEdit>(PCsqWave::IDC_DURATION)->GetTimeFormat(), 5);
    const QString musical = start->text();
    // At the 60 quarters a minute of a piece without tempo marks a quarter is a second.
    page.OnUpdate(PCsqWave::kHintClockDisplay, nullptr);
    EXPECT_EQ(page.GetDisplayMode(), 1);
    EXPECT_EQ(start->GetTimeFormat(), 4);
    EXPECT_EQ(start->text(), "0:00:02.000");
    EXPECT_EQ(stop->text(), "0:00:04.000");
    page.OnUpdate(PCsqWave::kHintMusicalDisplay, nullptr);
    EXPECT_EQ(start->GetTimeFormat(), 1);
    EXPECT_EQ(start->text(), musical);
    EXPECT_FALSE(page.IsModified());
}

// The memory sound output of the wave tests, with its clock in the test's hand.
class WavePlayPageTest : public WavePageTest {
protected:
    void SetUp() override
    {
        WavePageTest::SetUp();
        auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
        m_timers = timers.get();
        m_engine = std::make_shared<plat::media::AudioEngine>(*m_timers, std::make_unique<plat::media::MemoryAudioSink>(48000 * 4));
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(*m_timers, 1, 0));
        providers.push_back(std::make_unique<TestSoundProvider>(
            std::vector<plat::media::DeviceProvider::SoundOutput>{{"Test sound output", m_engine}}));
        m_previous = plat::media::Backend::install(std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        ASSERT_EQ(m_wavegate->Initialize(CWavegate::WG_INIT_MIDI | CWavegate::WG_INIT_WAVE), 1);
        ASSERT_EQ(m_wavegate->StartDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0), 1);
    }
    void TearDown() override
    {
        m_wavegate.reset();
        m_engine.reset();
        plat::media::Backend::install(std::move(m_previous));
        WavePageTest::TearDown();
    }
    CWaveOut& WaveOut() { return *static_cast<CWaveOut*>(m_wavegate->GetDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, 0)); }
    // Moves the clock from another thread, so the player ends there, as it does in the program.
    void PlayFor(uint32_t ms)
    {
        std::thread clock([this, ms] {
            for (uint32_t done = 0; done < ms; done += 5) {
                m_timers->advance(5);
                m_engine->waitCaughtUp();
                WaveOut().SyncPlayers();
                m_wavegate->SyncDriverThread();
            }
        });
        clock.join();
    }

    plat::media::ManualTimerService* m_timers = nullptr;
    std::shared_ptr<plat::media::AudioEngine> m_engine;
    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
};

TEST_F(WavePlayPageTest, PlayTogglesAndAFileThatEndsReleasesTheButton)
{
    ECWave* a = AddWave(0.0f, 1.0f, one);
    Show(page, {a});
    auto* play = Item<MCButton>(PCsqWave::IDC_PLAY);

    // Played and stopped by a second click.
    play->click();
    const int first = page.GetPlayingTag();
    EXPECT_NE(first, 0);
    EXPECT_EQ(play->GetButtonState(), 1);
    play->click();
    EXPECT_EQ(page.GetPlayingTag(), 0);
    EXPECT_EQ(play->GetButtonState(), 0);
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);

    // Played again: the end of the stopped play, heard late, leaves the new one playing.
    play->click();
    ASSERT_NE(page.GetPlayingTag(), 0);
    QCoreApplication::processEvents();
    EXPECT_NE(page.GetPlayingTag(), 0);
    EXPECT_EQ(play->GetButtonState(), 1);

    // Played to its end on the player's thread: the button comes up on this one.
    PlayFor(400);
    QTRY_COMPARE(page.GetPlayingTag(), 0);
    EXPECT_EQ(play->GetButtonState(), 0);
}

TEST_F(WavePlayPageTest, APageThatGoesWhilePlayingStopsThePlay)
{
    ECWave* a = AddWave(0.0f, 1.0f, one);
    {
        PCsqWave gone;
        Show(gone, {a});
        plat::ui::item<MCButton>(&gone, PCsqWave::IDC_PLAY)->click();
        ASSERT_NE(gone.GetPlayingTag(), 0);
    }
    EXPECT_EQ(WaveOut().GetPlayerCount(), 0);
    QCoreApplication::processEvents();
}

TEST_F(WavePageTest, Screenshots)
{
    ECWave* a = AddWave(1.0f, 2.0f, one);
    ECWave* b = AddWave(3.0f, 2.0f, two, 2);
    page.resize(QSize(340, 260));
    page.show();
    Show(page, {a});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-wave").empty());
    Show(page, {a, b});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-wave-mixed").empty());
}

}  // namespace
