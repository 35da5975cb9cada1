// The preferences reaching what plays: a metronome set on its page heard at a memory MIDI output
// once the sheet is confirmed, and a new resolution that moves no bar line of an open document.

#include "preferences/tests/PrefsTestSupport.h"

#include "preferences/pages/CPrefsPgMetronome.h"
#include "preferences/pages/CPrefsPgSync.h"
#include "preferences/sheet/CPrefsWnd.h"

#include "interface/controls/MCNoteEdit.h"
#include "interface/document/MCOpusTemplate.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/tests/PlayerTestSupport.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>

namespace {

using namespace prefstest;

class MetronomePrefsTest : public PlayerFixture {
protected:
    MetronomePrefsTest() : PlayerFixture(1) {}
};

TEST_F(MetronomePrefsTest, AMetronomeSetOnItsPageIsHeardOnceTheSheetIsConfirmed)
{
    InitPrefs();
    documenttest::PromptLog prompts;
    SetTempo(0.0f, 120.0f);
    Note(1, 60.0f, 1.0f, 60);   // keeps the play going
    Sequence(0.0f);
    // The program's main window passes the announcement to every open document's sequence.
    AnnouncedStates announced;
    announced.forward = [this](SCBase* state) { m_sequence->OnUpdate(state->GetCode(), state); };

    SaveIntPreference("Sequencer\\Midi\\Metronome", "Play Enable", 1);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Source", 1);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Device", 1);
    SaveIntPreference("Sequencer\\Midi\\Metronome", "Channel", 10);
    SaveIntPreference("Settings", "Sequencer Preferences", 4);
    {
        CPrefsWnd sheet(1);
        sheet.show();
        ASSERT_EQ(sheet.activePage()->windowTitle(), "Metronome");
        MCPrefsPage* page = sheet.GetPrefsPage(4);
        // Typed, the channel first: off channel 10 the notes are named, not picked from the drums.
        for (const auto& [id, text] :
             {std::pair{CPrefsPgMetronome::kChannel, "3"}, std::pair{CPrefsPgMetronome::kPitch1, "50"},
              std::pair{CPrefsPgMetronome::kVelocity1, "90"}, std::pair{CPrefsPgMetronome::kPitch2, "51"}}) {
            auto* edit = plat::ui::item<MCSpinEdit>(page, id);
            ASSERT_NE(edit, nullptr);
            edit->setText(text);
            edit->OnChange();
        }
        sheet.OnCommand(CPrefsWnd::kOk);
        ASSERT_EQ(sheet.result(), QDialog::Accepted);
    }
    EXPECT_EQ(announced.Take(), std::vector<int>{1600});

    StartDevices();
    m_sequence->Play();
    m_devices.Step(2100);
    m_sequence->Stop(0);
    m_devices.Step(500);
    std::vector<std::vector<uint8_t>> clicks;
    for (const auto& played : m_devices.Out(1).takePlayed()) {
        if (!played.immediate && IsNoteOn(played.bytes))
            clicks.push_back(played.bytes);
    }
    ASSERT_GE(clicks.size(), 4u);
    EXPECT_EQ(clicks[0], (std::vector<uint8_t>{0x92, 50, 90})) << "the first beat, on channel 3";
    EXPECT_EQ(clicks[1], (std::vector<uint8_t>{0x92, 51, 127})) << "the second beat";
}

TEST_F(MetronomePrefsTest, OnAFreshProfileThePageShowsAndTestsTheClicksTheSequenceHears)
{
    widgettest::ProfileFolder fresh;
    InitPrefs();
    documenttest::PromptLog prompts;
    CSequence& sequence = Sequence(0.0f);
    MCSeqPreferences::UpdatePreferences(&sequence);
    const auto bytes = [](const FCMidi& click) {
        const MIDIWORD word = click.GetValue();
        return std::vector<uint8_t>{uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16)};
    };
    const std::vector<uint8_t> first = bytes(sequence.GetMetronome().GetPrimaryPulse());
    const std::vector<uint8_t> second = bytes(sequence.GetMetronome().GetSecondaryPulse());
    EXPECT_EQ(first, (std::vector<uint8_t>{0x99, 76, 127}));
    EXPECT_EQ(second, (std::vector<uint8_t>{0x99, 77, 127}));
    StartDevices();

    SaveIntPreference("Settings", "Sequencer Preferences", 4);
    CPrefsWnd sheet(1);
    sheet.show();
    ASSERT_EQ(sheet.activePage()->windowTitle(), "Metronome");
    MCPrefsPage* page = sheet.GetPrefsPage(4);
    const auto shown = [page](int id) { return plat::ui::item<MCSpinEdit>(page, id)->GetValue(); };
    EXPECT_EQ(shown(CPrefsPgMetronome::kChannel), 10);
    EXPECT_EQ(shown(CPrefsPgMetronome::kPitch1), first[1]);
    EXPECT_EQ(shown(CPrefsPgMetronome::kVelocity1), first[2]);
    EXPECT_EQ(shown(CPrefsPgMetronome::kPitch2), second[1]);
    EXPECT_EQ(shown(CPrefsPgMetronome::kVelocity2), second[2]);
    for (const auto& [button, heard] : {std::pair{CPrefsPgMetronome::kTestPrimary, first},
                                        std::pair{CPrefsPgMetronome::kTestSecondary, second}}) {
        m_devices.Out(0).takePlayed();
        plat::ui::item<QAbstractButton>(page, button)->click();
        std::vector<std::vector<uint8_t>> played;
        for (const auto& message : m_devices.Out(0).takePlayed()) {
            if (message.immediate)
                played.push_back(message.bytes);
        }
        EXPECT_EQ(played, std::vector<std::vector<uint8_t>>{heard}) << button;
        m_devices.Step(300);
    }
    sheet.reject();
}

class ResolutionTest : public PrefsTest {
protected:
    void TearDown() override
    {
        MCTime::SetGlobalPPQ(m_ppq);
        PrefsTest::TearDown();
    }
    long m_ppq = MCTime::GlobalPPQ;
};

TEST_F(ResolutionTest, ANewResolutionMovesNoBarLineOfAnOpenDocument)
{
    MCTime::SetGlobalPPQ(480);
    DocumentHost docs;
    MCOpusDoc* doc = docs.NewDocument();
    ASSERT_NE(doc, nullptr);
    ECMeterEnv* meters = doc->GetBaseEvent()->GetConductor()->GetConductorStaff()->GetMeterEnv();
    meters->RemoveChildren(1);
    // 4/4, then 2/4 from half a beat into the second bar's second beat, then 3/4.
    for (const auto& [time, numerator] : {std::pair{0.0f, 4}, std::pair{5.5f, 2}, std::pair{9.5f, 3}}) {
        auto* meter = new ECMeter(static_cast<unsigned char>(numerator), 4, 0);
        const MCTime at(time);
        meter->SetTime(&at);
        meters->AddChild(meter, 1);
    }
    const float times[] = {0.0f, 3.0f, 4.75f, 5.5f, 6.0f, 7.5f, 9.5f, 10.25f, 12.5f, 20.0f};
    const auto positions = [&](int ppq) {
        std::vector<std::array<int, 3>> all;
        for (float t : times) {
            MCTime time(t);
            meters->GetBarPulseTick(time, ppq);
            const BPTTime* bpt = time.GetBarPulseTick();
            all.push_back({bpt->bar, bpt->pulse, bpt->tick});
        }
        return all;
    };
    const auto before = positions(480);

    SaveIntPreference("Settings", "Sequencer Preferences", 5);
    CPrefsWnd sheet(1);
    sheet.show();
    auto* ppq = plat::ui::item<QLineEdit>(sheet.GetPrefsPage(5), CPrefsPgSync::kPpq);
    ASSERT_NE(ppq, nullptr);
    EXPECT_EQ(ppq->text(), "480");
    ppq->setText("120");
    sheet.OnCommand(CPrefsWnd::kOk);
    ASSERT_EQ(sheet.result(), QDialog::Accepted);
    EXPECT_EQ(MCTime::GlobalPPQ, 120);
    EXPECT_EQ(LoadIntPreference("Sequencer", "GlobalPPQ", 0), 120);

    const auto after = positions(120);
    for (size_t i = 0; i < before.size(); ++i) {
        SCOPED_TRACE(times[i]);
        EXPECT_EQ(after[i][0], before[i][0]) << "the bar";
        EXPECT_EQ(after[i][1], before[i][1]) << "the beat";
        EXPECT_EQ(after[i][2] * 4, before[i][2]) << "the tick, a quarter as fine";
        // And back to the same time.
        MCTime position;
        position.SetBarPulseTick(after[i][0], after[i][1], after[i][2], 120);
        meters->GetNormalizedTime(position);
        EXPECT_FLOAT_EQ(position.GetSeconds(), times[i]);
    }
}

}  // namespace
