// The device wizard: its forms with and without the first run, Back, Next and Finish, the thru
// modes, what Finish writes, and Cancel after a test.

#include "preferences/tests/PrefsTestSupport.h"

#include "preferences/wizard/CWizardPgMidiPlay.h"
#include "preferences/wizard/CWizardPgThru.h"
#include "preferences/wizard/CWizardPgWave.h"
#include "preferences/wizard/CWizardPgWelcome.h"
#include "preferences/wizard/MCDeviceWizard.h"

#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace {

using namespace prefstest;

// The line of each form that says why its device list is empty (the welcome form has none).
constexpr int kNoDevicesLines[] = {0, CWizardPgMidiPlay::kNoDevices, CWizardPgThru::kNoDevices, CWizardPgWave::kNoDevices};

class WizardTest : public PrefsTest {
protected:
    // The wizard as DoWizard runs it; the test works it while it is shown.
    int Run(MCDeviceWizard& wizard, const std::function<int(MCDeviceWizard&)>& work)
    {
        m_script.Answer([&](QDialog& dialog) {
            dialog.show();
            const int result = work(wizard);
            return result;
        });
        return wizard.DoWizard(-1, -1);
    }
    QPushButton* Button(MCDeviceWizard& wizard, int id) { return plat::ui::item<QPushButton>(&wizard, id); }
    QString Title(MCDeviceWizard& wizard) { return plat::ui::item<QLabel>(&wizard, MCDeviceWizard::kTitle)->text(); }

    Devices m_devices;
    DialogScript m_script;
};

TEST_F(WizardTest, TheFirstRunGreetsWithASoundAndWalksThroughEveryForm)
{
    ASSERT_EQ(LoadIntPreference("Settings", "FirstRun", 1), 1);
    MCDeviceWizard wizard;
    const int result = Run(wizard, [&](MCDeviceWizard& w) {
        EXPECT_EQ(w.GetFormCount(), 4);
        EXPECT_TRUE(w.GetFlags() & MCDeviceWizard::kWelcome);
        EXPECT_EQ(m_devices.WaveOut().GetPlayerCount(), 1) << "intro.wav plays";
        const char* titles[] = {"Welcome!", "Midi Playback Device", "Midi Thru Options", "Digital Audio Options"};
        const char* shots[] = {"prefs-wizard-welcome", "prefs-wizard-midi-play", "prefs-wizard-thru", "prefs-wizard-wave"};
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(Title(w), titles[i]);
            EXPECT_EQ(w.GetShownForm(), w.GetForm(i));
            EXPECT_TRUE(w.GetShownForm()->isVisible());
            EXPECT_EQ(Button(w, MCDeviceWizard::kBack)->isEnabled(), i > 0);
            EXPECT_EQ(Button(w, MCDeviceWizard::kNext)->text(), i == 3 ? "&Finish" : "&Next >");
            EXPECT_EQ((w.GetFlags() & MCDeviceWizard::kLastShown) != 0, i == 3);
            EXPECT_FALSE(Screenshot(w, shots[i]).empty());
            if (QWidget* line = plat::ui::itemWidget(w.GetShownForm(), kNoDevicesLines[i])) {
                EXPECT_TRUE(line->isHidden()) << "devices are there";
            }
            if (i < 3)
                Button(w, MCDeviceWizard::kNext)->click();
        }
        Button(w, MCDeviceWizard::kBack)->click();
        EXPECT_EQ(Title(w), "Midi Thru Options");
        EXPECT_EQ(Button(w, MCDeviceWizard::kNext)->text(), "&Next >");
        EXPECT_FALSE(w.GetForm(3)->isVisible());
        Button(w, MCDeviceWizard::kNext)->click();
        Button(w, MCDeviceWizard::kNext)->click();
        return w.result();
    });
    EXPECT_EQ(result, QDialog::Accepted);
    EXPECT_EQ(LoadIntPreference("Settings", "FirstRun", 1), 1) << "the program clears it, not the wizard";
    EXPECT_EQ(wizard.GetTitleFont().family(), "Times New Roman");
    EXPECT_EQ(wizard.GetTitleFont().pixelSize(), 24);
    EXPECT_TRUE(wizard.GetTitleFont().bold() && wizard.GetTitleFont().italic());
}

TEST_F(WizardTest, LaterRunsStartOnThePlaybackFormWithoutASound)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    MCDeviceWizard wizard;
    Run(wizard, [&](MCDeviceWizard& w) {
        EXPECT_EQ(w.GetFormCount(), 3);
        EXPECT_EQ(Title(w), "Midi Playback Device");
        EXPECT_FALSE(Button(w, MCDeviceWizard::kBack)->isEnabled());
        EXPECT_EQ(m_devices.WaveOut().GetPlayerCount(), 0);
        w.reject();
        return w.result();
    });
}

TEST_F(WizardTest, TheThruValuesGiveTheModeAndFinishWritesItBack)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    struct Mapping {
        int enabled, select, record, mode;
    };
    for (const Mapping m : {Mapping{0, 1, 1, CWizardPgThru::none}, Mapping{1, 0, 0, CWizardPgThru::manual},
                            Mapping{1, 1, 0, CWizardPgThru::automatic}, Mapping{1, 0, 1, CWizardPgThru::automatic}}) {
        SCOPED_TRACE(m.enabled * 100 + m.select * 10 + m.record);
        EXPECT_EQ(CWizardPgThru::ModeOf(m.enabled, m.select, m.record), m.mode);
    }
    SaveIntPreference("Sequencer\\Midi\\Thru", "Enabled", 1);
    SaveIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", 0);
    SaveIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", 0);
    {
        MCDeviceWizard wizard;
        Run(wizard, [&](MCDeviceWizard& w) {
            Button(w, MCDeviceWizard::kNext)->click();
            auto* thru = dynamic_cast<CWizardPgThru*>(w.GetShownForm());
            EXPECT_NE(thru, nullptr);
            EXPECT_EQ(thru->GetMode(), CWizardPgThru::manual);
            EXPECT_TRUE(plat::ui::item<QRadioButton>(thru, CWizardPgThru::kManual)->isChecked());
            EXPECT_TRUE(plat::ui::itemWidget(thru, CWizardPgThru::kDevice)->isEnabled());
            plat::ui::item<QRadioButton>(thru, CWizardPgThru::kAutomatic)->click();
            EXPECT_FALSE(plat::ui::itemWidget(thru, CWizardPgThru::kDevice)->isEnabled());
            EXPECT_FALSE(plat::ui::itemWidget(thru, CWizardPgThru::kTest)->isEnabled());
            Button(w, MCDeviceWizard::kNext)->click();
            Button(w, MCDeviceWizard::kNext)->click();
            return w.result();
        });
    }
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", -1), 1);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", -1), 1);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetSelect", -1), 1);
    EXPECT_EQ(m_devices.Wavegate().MidiThruEnabled(), 1);
    {
        MCDeviceWizard wizard;
        Run(wizard, [&](MCDeviceWizard& w) {
            Button(w, MCDeviceWizard::kNext)->click();
            plat::ui::item<QRadioButton>(w.GetShownForm(), CWizardPgThru::kNone)->click();
            Button(w, MCDeviceWizard::kNext)->click();
            Button(w, MCDeviceWizard::kNext)->click();
            return w.result();
        });
    }
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", -1), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "AutoSetRecord", -1), 0);
    EXPECT_EQ(m_devices.Wavegate().MidiThruEnabled(), 0);
}

TEST_F(WizardTest, FinishWritesEachFormsKeysAndAnnouncesThem)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    AnnouncedStates announced;
    const std::string before = Dump();
    MCDeviceWizard wizard;
    Run(wizard, [&](MCDeviceWizard& w) {
        plat::ui::item<MCDeviceList>(w.GetShownForm(), CWizardPgMidiPlay::kDevice)->SetSelectedDevice(1);
        Button(w, MCDeviceWizard::kNext)->click();
        plat::ui::item<QRadioButton>(w.GetShownForm(), CWizardPgThru::kManual)->click();
        plat::ui::item<QComboBox>(w.GetShownForm(), CWizardPgThru::kChannel)->setCurrentIndex(5);
        plat::ui::item<MCDeviceList>(w.GetShownForm(), CWizardPgThru::kDevice)->SetSelectedDevice(1);
        Button(w, MCDeviceWizard::kNext)->click();
        plat::ui::item<QComboBox>(w.GetShownForm(), CWizardPgWave::kFormat)->setCurrentIndex(13);
        Button(w, MCDeviceWizard::kNext)->click();
        return w.result();
    });
    EXPECT_EQ(Added(before, Dump()),
                          "Sequencer\\Midi\\Play\\Default Device=1\n"
                          "Sequencer\\Midi\\Thru\\AutoSetRecord=0\n"
                          "Sequencer\\Midi\\Thru\\AutoSetSelect=0\n"
                          "Sequencer\\Midi\\Thru\\Channel=5\n"
                          "Sequencer\\Midi\\Thru\\Device=1\n"
                          "Sequencer\\Midi\\Thru\\Enabled=1\n"
                          "Sequencer\\WaveAudio\\Default Output Device=0\n"
                          "Sequencer\\WaveAudio\\Default Output Format=13\n")
        << "the audio device under the name everything reads";
    EXPECT_EQ(announced.Take(), std::vector<int>{1600});
    EXPECT_EQ(m_devices.OutputFormat(), (std::vector<int>{44100, 2, 16}));
}

TEST_F(WizardTest, TestsPlayOnTheChosenDevicesAndCancelAfterATestWritesNothingAndPutsTheFormatBack)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    WG_DevFormat format{};
    CWGDevice::FillFormat(&format, 9);
    m_devices.Wavegate().SetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_OUT, CWavegate::WG_ALL_DEVICES, &format);
    m_devices.Wavegate().SetDefaultMidiDevice(0);
    m_devices.Wavegate().EnableDefaultMidiDevice(1);
    const std::string before = Dump();
    MCDeviceWizard wizard;
    const int result = Run(wizard, [&](MCDeviceWizard& w) {
        plat::ui::item<MCDeviceList>(w.GetShownForm(), CWizardPgMidiPlay::kDevice)->SetSelectedDevice(1);
        plat::ui::item<QAbstractButton>(w.GetShownForm(), CWizardPgMidiPlay::kTest)->click();
        EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x90, 69, 127}}));
        m_devices.Step(510);
        EXPECT_EQ(m_devices.Immediate(1), (std::vector<std::vector<uint8_t>>{{0x90, 69, 0}})) << "after 500 ms";
        EXPECT_EQ(m_devices.Wavegate().DefaultMidiDeviceEnabled(), 1);
        Button(w, MCDeviceWizard::kNext)->click();
        Button(w, MCDeviceWizard::kNext)->click();
        plat::ui::item<QComboBox>(w.GetShownForm(), CWizardPgWave::kFormat)->setCurrentIndex(0);
        plat::ui::item<QAbstractButton>(w.GetShownForm(), CWizardPgWave::kTest)->click();
        EXPECT_EQ(m_devices.OutputFormat(), (std::vector<int>{8000, 1, 8})) << "the test's format";
        EXPECT_EQ(m_devices.WaveOut().GetPlayerCount(), 1) << "test.wav plays";
        plat::ui::item<QPushButton>(&w, 2)->click();
        return w.result();
    });
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(Dump(), before) << "Cancel writes nothing";
    EXPECT_EQ(m_devices.OutputFormat(), (std::vector<int>{22050, 2, 16})) << "and the format in use is back";
}

TEST_F(WizardTest, AFreshProfileStartsWithThruOffAsTheSequencerDoes)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    ASSERT_FALSE(plat::Profile::instance().contains("Sequencer\\Midi\\Thru", "Enabled"));
    m_devices.Wavegate().EnableMidiThru(1);
    MCSeqPreferences::InitPreferences();
    EXPECT_EQ(m_devices.Wavegate().MidiThruEnabled(), 0) << "the sequencer's start-up";
    MCDeviceWizard wizard;
    Run(wizard, [&](MCDeviceWizard& w) {
        Button(w, MCDeviceWizard::kNext)->click();
        auto* thru = dynamic_cast<CWizardPgThru*>(w.GetShownForm());
        EXPECT_NE(thru, nullptr);
        EXPECT_EQ(thru->GetMode(), CWizardPgThru::none);
        EXPECT_TRUE(plat::ui::item<QRadioButton>(thru, CWizardPgThru::kNone)->isChecked());
        Button(w, MCDeviceWizard::kNext)->click();
        Button(w, MCDeviceWizard::kNext)->click();
        return w.result();
    });
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", -1), 0);
    EXPECT_EQ(m_devices.Wavegate().MidiThruEnabled(), 0);
}

// A machine without a sound output: no synthesizer, no wave output, no MIDI port.
class SilentWizardTest : public PrefsTest {
protected:
    SilentWizardTest()
    {
        auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
        plat::media::TimerService& clock = *timers;
        std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
        providers.push_back(std::make_unique<plat::media::MemoryProvider>(clock, 0, 0));
        m_previous = plat::media::Backend::install(
            std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
        m_wavegate = std::make_unique<CWavegate>();
        m_wavegate->Initialize(CWavegate::WG_INIT_MIDI | CWavegate::WG_INIT_WAVE);
    }
    ~SilentWizardTest() override
    {
        m_wavegate.reset();
        plat::media::Backend::install(std::move(m_previous));
    }

    QPushButton* Button(MCDeviceWizard& wizard, int id) { return plat::ui::item<QPushButton>(&wizard, id); }
    // Walks the forms of the shown wizard, checking what each device form says.
    void CheckForms(MCDeviceWizard& wizard);

    std::unique_ptr<plat::media::Backend> m_previous;
    std::unique_ptr<CWavegate> m_wavegate;
    DialogScript m_script;
};

void SilentWizardTest::CheckForms(MCDeviceWizard& wizard)
{
    struct Form {
        int list;
        int line;
        const char* says;
        const char* shot;
    };
    const Form forms[] = {
        {CWizardPgMidiPlay::kDevice, CWizardPgMidiPlay::kNoDevices, "No MIDI output was found", "prefs-wizard-no-midi"},
        {CWizardPgThru::kDevice, CWizardPgThru::kNoDevices, "No MIDI output was found", "prefs-wizard-no-thru"},
        {CWizardPgWave::kDevice, CWizardPgWave::kNoDevices, "No sound output was found", "prefs-wizard-no-wave"},
    };
    for (int i = 0; i < 3; ++i) {
        const Form& form = forms[i];
        SCOPED_TRACE(form.shot);
        MCWizardForm* shown = wizard.GetShownForm();
        EXPECT_EQ(plat::ui::item<MCDeviceList>(shown, form.list)->count(), 0);
        auto* line = plat::ui::item<QLabel>(shown, form.line);
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->isHidden());
        EXPECT_TRUE(line->text().startsWith(form.says)) << line->text().toStdString();
        EXPECT_TRUE(line->text().contains("sound output")) << "the cause";
        EXPECT_FALSE(Screenshot(wizard, form.shot).empty());
        if (i < 2)
            Button(wizard, MCDeviceWizard::kNext)->click();
    }
}

TEST_F(SilentWizardTest, EachEmptyDeviceListSaysWhy)
{
    SaveIntPreference("Settings", "FirstRun", 0);
    MCDeviceWizard wizard;
    m_script.Answer([&](QDialog& dialog) {
        dialog.show();
        CheckForms(wizard);
        wizard.reject();
        return wizard.result();
    });
    EXPECT_EQ(wizard.DoWizard(-1, -1), QDialog::Rejected);
}

}  // namespace
