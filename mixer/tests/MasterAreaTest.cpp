// The master section: the logarithmic speed mapping, tempo entry, the master states it sends
// and the ones it shows, the thru switch and the lamp.

#include "mixer/tests/MixerTestSupport.h"

#include "mixer/controls/CLevelMeter.h"
#include "mixer/views/CMasterArea.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/controls/MCSlider.h"
#include "interface/controls/MCStaticEdit.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "wavegate/CWavegate.h"

#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

using mixertest::MixerTest;
using mixertest::SeenState;

TEST(MasterSpeedTest, SliderPositionsAndSpeedFactorsMapLogarithmically)
{
    struct Case {
        int position;
        double speed;
    };
    for (const Case& c : {Case{0, 0.25}, Case{25, 0.5}, Case{50, 1.0}, Case{75, 2.0}, Case{100, 4.0}}) {
        EXPECT_NEAR(CMasterArea::SpeedFromPosition(c.position), c.speed, 1e-9) << c.position;
        EXPECT_EQ(CMasterArea::PositionFromSpeed(c.speed), c.position) << c.speed;
    }
    // Speeds are held to 0.25..4; a speed that is no number is the piece's own.
    for (const Case& c : {Case{0, 0.1}, Case{0, 0.0}, Case{0, -2.0}, Case{100, 9.0}, Case{100, 1e30},
                          Case{50, std::numeric_limits<double>::quiet_NaN()}, Case{62, 1.41}})
        EXPECT_EQ(CMasterArea::PositionFromSpeed(c.speed), c.position) << c.speed;
    for (int position = 0; position <= 100; ++position)
        EXPECT_EQ(CMasterArea::PositionFromSpeed(CMasterArea::SpeedFromPosition(position)), position);
}

class MasterAreaTest : public MixerTest {
protected:
    void SetUp() override
    {
        MixerTest::SetUp();
        MakePiece(2, 4);
        states.forward = [this](long code, SCBase* state) {
            if (master && code >= 3500 && code <= 3502)
                master->OnMasterUpdate(code, dynamic_cast<SCMaster*>(state));
        };
    }
    void TearDown() override
    {
        master.reset();
        MixerTest::TearDown();
    }
    void Make(int mode)
    {
        master = std::make_unique<CMasterArea>(mode, [this] { return doc.GetSequence(); });
        master->show();
    }
    void Type(const char* text)
    {
        MCStaticEdit* field = master->TempoField();
        QTest::mouseClick(field, Qt::LeftButton);
        field->selectAll();
        QTest::keyClicks(field, text);
        QTest::keyClick(field, Qt::Key_Return);
    }
    std::vector<SeenState> SpeedStates() { return states.Take(3501, 3501); }

    mixertest::StateRecord states;
    std::unique_ptr<CMasterArea> master;
};

TEST_F(MasterAreaTest, ATypedTempoOverTheTempoInForceSetsTheSpeed)
{
    Make(2);
    master->SetTempoText(120.0);
    states.Take();
    Type("60");
    std::vector<SeenState> sent = SpeedStates();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FLOAT_EQ(sent.front().number, 0.5f);
    EXPECT_FLOAT_EQ(doc.GetSequence()->GetUserSpeed(), 0.5f);
    EXPECT_EQ(master->GetTempoPosition(), 25);
    EXPECT_TRUE(doc.IsModified());

    master->SetTempoText(60.0);
    Type("1000");
    sent = SpeedStates();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FLOAT_EQ(sent.front().number, 4.0f);
    EXPECT_EQ(master->GetTempoPosition(), 100);

    // What is no positive number sends nothing.
    for (const char* bad : {"fast", "0", "-80", "nan", "inf"}) {
        master->SetTempoText(480.0);
        Type(bad);
        EXPECT_TRUE(SpeedStates().empty()) << bad;
        EXPECT_EQ(master->TempoField()->text(), "480.0") << bad;
    }
}

TEST_F(MasterAreaTest, APieceWithoutATempoTakesNoTypedTempo)
{
    Make(1);
    ECTempoEnv* tempos = doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetTempoEnv();
    while (ECBase* tempo = tempos->GetChildren()->GetHead())
        tempos->RemoveChild(tempo, 1);
    master->SetTempoText(120.0);
    states.Take();
    Type("90");
    EXPECT_TRUE(SpeedStates().empty());
    // Without a document nothing is there to go by either.
    CMasterArea alone(1, [] { return nullptr; });
    alone.SetTempoText(100.0);
    alone.TempoField()->setText("50");
    alone.OnTempoEntry();
    EXPECT_TRUE(SpeedStates().empty());
}

TEST_F(MasterAreaTest, MasterStatesSetTheControlsAndTheControlsSendThem)
{
    Make(2);
    // Without a document full volume and the piece's own speed.
    EXPECT_DOUBLE_EQ(master->GetMasterVolume(), 1.0);
    EXPECT_EQ(master->GetTempoPosition(), 50);
    // Upright, full volume is the slider's top.
    EXPECT_DOUBLE_EQ(master->VolumeSlider()->GetValue(), 0.0);

    auto apply = [this](int code, float value) {
        auto* state = new SCMaster(code);
        state->SetBPM(value);
        state->SetSynchronous(1);
        state->Apply(doc.GetBaseEvent());
    };
    apply(3500, 40.0f);
    EXPECT_NEAR(master->GetMasterVolume(), 0.4, 1e-9);
    // A volume the same as shown once truncated leaves the slider alone.
    master->SetMasterVolume(0.405);
    apply(3500, 40.9f);
    EXPECT_NEAR(master->GetMasterVolume(), 0.405, 1e-9);
    apply(3501, 2.0f);
    EXPECT_EQ(master->GetTempoPosition(), 75);
    apply(3502, 132.25f);
    EXPECT_EQ(master->TempoField()->text(), "132.2");
    EXPECT_TRUE(master->TempoField()->IsEditEnabled());
    apply(3502, 0.0f);
    EXPECT_TRUE(master->TempoField()->text().isEmpty());
    EXPECT_FALSE(master->TempoField()->IsEditEnabled());

    // The speed buttons and the sliders send.
    states.Take();
    QTest::mousePress(master->SpeedButton(CMasterArea::kHalf), Qt::LeftButton);
    QTest::mouseRelease(master->SpeedButton(CMasterArea::kHalf), Qt::LeftButton);
    std::vector<SeenState> sent = SpeedStates();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FLOAT_EQ(sent.front().number, 0.5f);
    EXPECT_EQ(master->GetTempoPosition(), 25);

    MCSlider* volume = master->VolumeSlider();
    QTest::mouseClick(volume, Qt::LeftButton, Qt::NoModifier, volume->Value2XY(0.3, false));
    sent = states.Take(3500, 3500);
    ASSERT_FALSE(sent.empty());
    const int percent = int(master->GetMasterVolume() * 100.0 + 0.5);
    EXPECT_NEAR(percent, 70, 1);
    EXPECT_FLOAT_EQ(sent.back().number, float(percent));
    EXPECT_FLOAT_EQ(doc.GetSequence()->GetMasterGain(), float(percent) / 100.0f);
}

TEST_F(MasterAreaTest, TheSmallLayoutHasNoMeterButtonsOrLampAndItsVolumeLiesFlat)
{
    Make(0);
    EXPECT_EQ(master->Meter(), nullptr);
    EXPECT_EQ(master->Lamp(), nullptr);
    EXPECT_EQ(master->ThruSwitch(), nullptr);
    EXPECT_EQ(master->SpeedButton(CMasterArea::kOne), nullptr);
    EXPECT_EQ(master->VolumeSlider()->GetMode(), MCSlider::horizontal);
    master->SetMasterVolume(0.3);
    EXPECT_DOUBLE_EQ(master->VolumeSlider()->GetValue(), 0.3);
    master->LightMidiIn();
    master->SetMeterLevel(1.0f);
    EXPECT_FALSE(master->IsMidiInLit());
}

TEST_F(MasterAreaTest, TheThruSwitchSetsTheDeviceManagerAndTheSetting)
{
    MemoryDevices devices;
    devices.Wavegate().EnableMidiThru(1);
    Make(1);
    MCButton2* thru = master->ThruSwitch();
    ASSERT_NE(thru, nullptr);
    EXPECT_EQ(thru->GetButtonState(), 1);
    QTest::mouseClick(thru, Qt::LeftButton);
    EXPECT_EQ(devices.Wavegate().MidiThruEnabled(), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", 1), 0);
    QTest::mouseClick(thru, Qt::LeftButton);
    EXPECT_EQ(devices.Wavegate().MidiThruEnabled(), 1);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Midi\\Thru", "Enabled", 0), 1);

    // The lamp shows input; a click on it does nothing.
    master->LightMidiIn();
    EXPECT_TRUE(master->IsMidiInLit());
    QTest::mouseClick(master->Lamp(), Qt::LeftButton);
    EXPECT_TRUE(master->IsMidiInLit());
    master->DimMidiIn();
    EXPECT_FALSE(master->IsMidiInLit());
}

TEST_F(MasterAreaTest, F1OverTheMasterSectionShowsItsOwnHelp)
{
    Make(2);
    EXPECT_EQ(master->OnHelpHitTest(), 0x21434u);
    std::vector<std::string> shown;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.help = [&shown](const std::string& context) { shown.push_back(context); };
    const plat::ui::ModalHooks::Scoped scope(hooks);
    MCSlider* tempo = master->TempoSlider();
    tempo->setFocus();
    QTest::keyClick(tempo, Qt::Key_F1);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front(), "The master section: the volume, the tempo and MIDI thru of the piece");
    // A context given is shown as it is.
    EXPECT_EQ(master->OnCommandHelp(0x20000 + 5180), 1);
    EXPECT_EQ(shown.back(), "Adjust the tempo speed");
}

}  // namespace
