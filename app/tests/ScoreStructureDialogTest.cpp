#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CAddMeasuresDlg.h"
#include "app/dialogs/CAddStaffDlg.h"
#include "app/dialogs/CDefinePartDlg.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/pickers/MCPartBox.h"
#include "interface/pickers/MCTrackBox.h"
#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "platform/core/Strings.h"
#include "platform/media/Backend.h"
#include "platform/media/memory/MemoryProvider.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"
#include "sequencer/values/MCVoiceMap.h"
#include "wavegate/CMidiOut.h"
#include "wavegate/CWavegate.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <functional>
#include <string>
#include <utility>

#include <gtest/gtest.h>

namespace {

class ScoreStructureDialogTest : public ConductorDialogTest {
protected:
    void SetUp() override
    {
        ConductorDialogTest::SetUp();
        MCPartBox parts;
        // The built-in parts are written when there are none yet.
        parts.RefreshParts();
        parts.AddPart("Flute", 0, 0, 2, 0, 0, 73);
        parts.AddPart("Harp", 1, 0, 0, 3, 1, 46);
    }
    void TearDown() override
    {
        MCPartBox parts;
        parts.RemovePart("Flute");
        parts.RemovePart("Harp");
        ConductorDialogTest::TearDown();
    }

    int staves() { return performance()->GetConductor()->GetMaxTrackNumber(1); }
    ECStaff* staffAt(int number) { return dynamic_cast<ECStaff*>(performance()->GetConductor()->GetTrack(1, number, 0)); }
    std::string nameOf(int number)
    {
        if (MCEventList* children = staffAt(number)->GetChildren()) {
            for (ECBase* child : *children) {
                if (auto* text = dynamic_cast<ECText*>(child); text && text->GetTextType() == 3)
                    return text->GetText();
            }
        }
        return {};
    }
    // A 4/4 meter from the start: new bars take the meter in force where they go.
    void addFourFourMeter()
    {
        auto* meter = new ECMeter(4, 4, 0);
        const MCTime zero(0.0f);
        meter->SetTime(&zero);
        staff()->GetMeterEnv()->AddChild(meter, 1);
    }
    DCsqStaff* dataOf(int number) { return dynamic_cast<DCsqStaff*>(staffAt(number)->GetData(0, 0)); }
    // The program at the start of the staff's first voice; -1 without one.
    int programOf(int number)
    {
        DCsqStaff* data = dataOf(number);
        CMidiEnvelopeMgr* envelopes = data ? data->GetMidiEnvelopeMgr(0, 0) : nullptr;
        ECPatchEnv* patches = envelopes ? envelopes->GetPatchEnv(0) : nullptr;
        ECEnvPoint* point = patches ? patches->GetPointAt(MCTime(0.0f)) : nullptr;
        return point ? ECPatchEnv::GetProgram(point->GetValue()) : -1;
    }

    // Fills the dialog by item id and presses OK.
    // The staff is an entry of the picker, which lists only named staves.
    void addStaves(int count, int location, int staff, const std::string& name, const std::string& part,
                   const std::string& screenshot = {})
    {
        CAddStaffDlg dialog(&doc);
        dialog.show();
        plat::ui::item<QSpinBox>(&dialog, CAddStaffDlg::kCount)->setValue(count);
        plat::ui::item<QRadioButton>(&dialog, CAddStaffDlg::kLocation + location)->click();
        auto* staves = plat::ui::item<MCTrackBox>(&dialog, CAddStaffDlg::kStaff);
        EXPECT_EQ(staves->isEnabled(), location != 2);
        staves->setCurrentIndex(staff - 1);
        plat::ui::item<QLineEdit>(&dialog, CAddStaffDlg::kName)->setText(QString::fromStdString(name));
        auto* parts = plat::ui::item<MCPartBox>(&dialog, CAddStaffDlg::kPart);
        parts->setCurrentIndex(parts->findText(QString::fromStdString(part)));
        if (!screenshot.empty())
            apptest::saveScreenshot(dialog, screenshot);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
};

// Three staves of a part after a staff take the positions after it, numbered in their names,
// with the part's clef and key; one undo takes all three away.
TEST_F(ScoreStructureDialogTest, SeveralStavesOfAPartAreNumberedAndUndoneAsOne)
{
    addStaves(1, 2, 1, "Oboe", "Flute");
    ASSERT_EQ(staves(), 2);
    addStaves(3, 1, 1, "", "Flute", "add-staff.png");
    ASSERT_EQ(staves(), 5);
    EXPECT_EQ(nameOf(2), "Oboe");
    for (int number = 3; number <= 5; ++number) {
        EXPECT_EQ(nameOf(number), "Flute" + std::to_string(number));
        ASSERT_NE(staffAt(number)->GetKeyAtTime(MCTime(0.0f), 0), nullptr);
        EXPECT_EQ(staffAt(number)->GetKeyAtTime(MCTime(0.0f), 0)->GetNumSharps(), 2);
        ASSERT_NE(staffAt(number)->GetClefAtTime(MCTime(0.0f), 0), nullptr);
        EXPECT_EQ(staffAt(number)->GetClefAtTime(MCTime(0.0f), 0)->GetClefType(), 0);
        EXPECT_EQ(programOf(number), 73);
    }
    EXPECT_TRUE(doc.IsModified());
    performance()->Undo(1);
    EXPECT_EQ(staves(), 2);
    EXPECT_EQ(nameOf(2), "Oboe");
}

// One staff takes its name plainly; the default part's name becomes "Track"; "before" a staff
// takes that staff's place.
TEST_F(ScoreStructureDialogTest, NamesOfSingleStaves)
{
    addStaves(1, 2, 1, "", "Flute");
    EXPECT_EQ(nameOf(2), "Flute");
    addStaves(1, 0, 1, "", "<Default>");
    EXPECT_EQ(nameOf(2), "Track");
    EXPECT_EQ(nameOf(3), "Flute");
    addStaves(1, 2, 1, "Oboe", "Flute");
    EXPECT_EQ(nameOf(4), "Oboe");
}

// A grand staff gets the key on both hands (voices 0 and 5) and keeps its own clefs.
TEST_F(ScoreStructureDialogTest, GrandStaffGetsAKeyOnBothHands)
{
    addStaves(1, 2, 1, "", "Harp");
    ASSERT_EQ(staves(), 2);
    for (unsigned char hand = 0; hand < 2; ++hand) {
        ECKey* key = staffAt(2)->GetKeyAtTime(MCTime(0.0f), hand);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->GetNumFlats(), 3);
        EXPECT_EQ(key->GetMode(), 1);
        EXPECT_EQ(key->GetVoice(), hand * 5);
    }
}

// A drum part reads the drum clef and plays every voice on the tenth channel.
TEST_F(ScoreStructureDialogTest, DrumStaffPlaysOnTheTenthChannel)
{
    addStaves(1, 2, 1, "", "Drums");
    ASSERT_EQ(staves(), 2);
    ASSERT_NE(staffAt(2)->GetClefAtTime(MCTime(0.0f), 0), nullptr);
    EXPECT_EQ(staffAt(2)->GetClefAtTime(MCTime(0.0f), 0)->GetClefType(), 8);
    ASSERT_NE(dataOf(2), nullptr);
    for (int voice = 0; voice < 8; ++voice)
        EXPECT_EQ(dataOf(2)->GetVoiceMap(voice)->GetChannel(), 9u) << voice;
    EXPECT_EQ(programOf(2), 0);
    EXPECT_NE(dataOf(1)->GetVoiceMap(0)->GetChannel(), 9u);
}

// A new staff's patch goes out at once on its first voice's device and channel: all sound off,
// bank MSB, bank LSB, then the program.
TEST_F(ScoreStructureDialogTest, NewStaffSendsItsPatch)
{
    auto timers = std::make_unique<plat::media::ManualTimerService>(10000);
    plat::media::ManualTimerService* clock = timers.get();
    auto memory = std::make_unique<plat::media::MemoryProvider>(*clock, 1, 0);
    plat::media::MemoryProvider* outputs = memory.get();
    std::vector<std::unique_ptr<plat::media::DeviceProvider>> providers;
    providers.push_back(std::move(memory));
    auto previous = plat::media::Backend::install(
        std::make_unique<plat::media::Backend>(std::move(timers), std::move(providers)));
    {
        CWavegate wavegate;
        ASSERT_EQ(wavegate.Initialize(CWavegate::WG_INIT_MIDI), 1);
        wavegate.OpenDevices();
        ASSERT_EQ(wavegate.StartDevices(), 1);
        addStaves(1, 2, 1, "", "Flute");
        ASSERT_NE(dataOf(2), nullptr);
        const uint8_t channel = static_cast<uint8_t>(dataOf(2)->GetVoiceMap(0)->GetChannel());
        for (int step = 0; step < 10; ++step) {
            clock->advance(10);
            wavegate.SyncDriverThread();
            static_cast<CMidiOut*>(wavegate.GetDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, 0))->Sync();
        }
        const auto played = outputs->midiOut(0).played();
        // The new staff's data may announce its volume first; the patch comes last.
        ASSERT_GE(played.size(), 4u);
        const std::vector<std::vector<uint8_t>> expected = {{uint8_t(0xB0 | channel), 120, 0},
                                                            {uint8_t(0xB0 | channel), 0, 0},
                                                            {uint8_t(0xB0 | channel), 32, 0},
                                                            {uint8_t(0xC0 | channel), 73}};
        for (size_t i = 0; i < 4; ++i)
            EXPECT_EQ(played[played.size() - 4 + i].bytes, expected[i]) << i;
    }
    plat::media::Backend::install(std::move(previous));
}

// The part and location chosen are remembered for the next time.
TEST_F(ScoreStructureDialogTest, PartAndLocationAreRemembered)
{
    addStaves(1, 0, 1, "", "Flute");
    CAddStaffDlg dialog(&doc);
    EXPECT_EQ(plat::ui::item<MCPartBox>(&dialog, CAddStaffDlg::kPart)->currentText(), "Flute");
    EXPECT_TRUE(plat::ui::item<QRadioButton>(&dialog, CAddStaffDlg::kLocation)->isChecked());
    SaveIntPreference("Settings\\AddStaff", "Location", 2);
    SaveStringPreference("Settings\\AddStaff", "Part", "<Default>");
}

// The key lists name no accidentals, 1 to 7 sharps, then 1 to 7 flats; the minor list sets the
// mode; a count of sharps clears the flats and the other way round; every list follows.
TEST_F(ScoreStructureDialogTest, DefinePartKeyChoices)
{
    CDefinePartDlg dialog;
    auto* majors = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kMajor);
    auto* minors = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kMinor);
    auto* sharps = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kSharps);
    auto* flats = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kFlats);
    EXPECT_EQ(majors->itemText(7), "C-Sharp");
    struct Case {
        QComboBox* list;
        int index, sharps, flats, mode;
    };
    const Case cases[] = {{majors, 0, 0, 0, 0}, {majors, 7, 7, 0, 0}, {majors, 8, 0, 1, 0},
                          {minors, 14, 0, 7, 1}, {minors, 3, 3, 0, 1}, {flats, 4, 0, 4, 1},
                          {sharps, 2, 2, 0, 1}};
    for (const Case& c : cases) {
        c.list->setCurrentIndex(c.index);
        emit c.list->activated(c.index);
        EXPECT_EQ(dialog.GetSharps(), c.sharps) << c.index;
        EXPECT_EQ(dialog.GetFlats(), c.flats) << c.index;
        EXPECT_EQ(dialog.GetMode(), c.mode) << c.index;
        const int key = c.sharps > 0 ? c.sharps : c.flats > 0 ? c.flats + 7 : 0;
        EXPECT_EQ(majors->currentIndex(), key);
        EXPECT_EQ(minors->currentIndex(), key);
        EXPECT_EQ(sharps->currentIndex(), c.sharps);
        EXPECT_EQ(flats->currentIndex(), c.flats);
    }
}

// A drum staff reads the drum clef and takes no clef, key or instrument; a grand staff takes
// a key and instrument but no clef.
TEST_F(ScoreStructureDialogTest, DefinePartEnablingByStaffType)
{
    CDefinePartDlg dialog;
    auto* types = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kStaffType);
    auto* clefs = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kClef);
    const auto choose = [types](int index) {
        types->setCurrentIndex(index);
        emit types->activated(index);
    };
    choose(2);
    EXPECT_EQ(dialog.GetStaffType(), 3);
    EXPECT_EQ(dialog.GetClef(), 8);
    EXPECT_EQ(clefs->currentText(), "Drum");
    EXPECT_FALSE(clefs->isEnabled());
    EXPECT_FALSE(plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kMajor)->isEnabled());
    EXPECT_FALSE(plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kInstrument)->isEnabled());
    choose(1);
    EXPECT_EQ(dialog.GetStaffType(), 1);
    EXPECT_FALSE(clefs->isEnabled());
    EXPECT_TRUE(plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kMajor)->isEnabled());
    EXPECT_TRUE(plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kInstrument)->isEnabled());
    choose(3);
    EXPECT_TRUE(clefs->isEnabled());
}

// OK without a label warns and stays open; with one it stores the part under that name.
TEST_F(ScoreStructureDialogTest, DefinePartStoresThePart)
{
    documenttest::PromptLog prompts;
    CDefinePartDlg dialog;
    dialog.show();
    auto* label = plat::ui::item<QLineEdit>(&dialog, CDefinePartDlg::kLabel);
    EXPECT_EQ(label->text(), "New Part");
    label->clear();
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(prompts.Texts().size(), 1u);
    EXPECT_EQ(prompts.Texts()[0], "You must provide a label for the part.");

    label->setText("Cello");
    auto* clefs = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kClef);
    clefs->setCurrentIndex(5);
    emit clefs->activated(5);
    auto* minors = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kMinor);
    minors->setCurrentIndex(9);
    emit minors->activated(9);
    auto* instruments = plat::ui::item<QComboBox>(&dialog, CDefinePartDlg::kInstrument);
    ASSERT_EQ(instruments->count(), 128);
    instruments->setCurrentIndex(42);
    apptest::saveScreenshot(dialog, "define-part.png");
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    int staff = -1, clef = -1, sharps = -1, flats = -1, mode = -1, program = -1;
    ASSERT_TRUE(MCPartBox::GetPartParams("Cello", staff, clef, sharps, flats, mode, program));
    EXPECT_EQ(staff, 0);
    EXPECT_EQ(clef, 3);
    EXPECT_EQ(sharps, 0);
    EXPECT_EQ(flats, 2);
    EXPECT_EQ(mode, 1);
    EXPECT_EQ(program, 42);
    MCPartBox().RemovePart("Cello");
}

// A part is stored under its label, so a label holding a key separator would be filed under
// another name: such a label is refused like an empty one, and nothing is stored.
TEST_F(ScoreStructureDialogTest, DefinePartRefusesALabelWithASeparator)
{
    for (const char* bad : {"Strings\\Solo", "Strings/Solo"}) {
        documenttest::PromptLog prompts;
        CDefinePartDlg dialog;
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        auto* label = plat::ui::item<QLineEdit>(&dialog, CDefinePartDlg::kLabel);
        label->setText(bad);
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted) << bad;
        ASSERT_EQ(prompts.Texts().size(), 1u) << bad;
        EXPECT_EQ(prompts.Texts()[0], "A part label cannot contain \\ or /.  Please enter a different label.");
        EXPECT_EQ(QApplication::focusWidget(), label) << bad;
        MCPartBox parts;
        parts.RefreshParts();
        EXPECT_EQ(parts.findText("Strings"), -1) << bad;
        EXPECT_EQ(parts.findText(bad), -1) << bad;
    }
}

// The part menu's removal forgets the chosen part and leaves none chosen.
TEST_F(ScoreStructureDialogTest, RemovePartDefinitionFromTheMenu)
{
    CAddStaffDlg dialog(&doc);
    auto* parts = plat::ui::item<MCPartBox>(&dialog, CAddStaffDlg::kPart);
    parts->setCurrentIndex(parts->findText("Harp"));
    for (QAction* action : dialog.findChild<QMenu*>()->actions()) {
        if (action->data().toInt() == CAddStaffDlg::kRemovePart)
            action->trigger();
    }
    EXPECT_EQ(parts->findText("Harp"), -1);
    EXPECT_EQ(parts->currentIndex(), -1);
    int staff = 0, clef = 0, sharps = 0, flats = 0, mode = 0, program = 0;
    EXPECT_FALSE(MCPartBox::GetPartParams("Harp", staff, clef, sharps, flats, mode, program));
}

// Bars go before or after the chosen bar or at the end; the bar number waits for a location
// that needs it; one undo takes the bars away.
TEST_F(ScoreStructureDialogTest, AddMeasuresAtEachLocation)
{
    ECConductor* conductor = performance()->GetConductor();
    addFourFourMeter();
    const int bars = conductor->GetMaxMeasureNumber();
    ASSERT_GE(bars, 2);
    struct Case {
        int location, measure, count;
        int secondBarAfter;  // where the bar that was second stands afterwards
    };
    const Case cases[] = {{0, 2, 2, 4}, {1, 1, 1, 3}, {2, 1, 3, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.location);
        ECMeasure* second = conductor->GetMeasure(0, 2);
        ASSERT_NE(second, nullptr);
        CAddMeasuresDlg dialog(&doc);
        dialog.show();
        auto* measure = plat::ui::item<MCSpinEdit>(&dialog, CAddMeasuresDlg::kMeasure);
        EXPECT_FALSE(measure->isEnabled());
        plat::ui::item<MCSpinEdit>(&dialog, CAddMeasuresDlg::kCount)->SetValue(c.count);
        plat::ui::item<QRadioButton>(&dialog, CAddMeasuresDlg::kLocation + c.location)->click();
        EXPECT_EQ(measure->isEnabled(), c.location != 2);
        int lower = 0, upper = 0;
        measure->GetRange(lower, upper);
        EXPECT_EQ(upper, bars);
        measure->SetValue(c.measure);
        if (c.location == 0)
            apptest::saveScreenshot(dialog, "add-measures.png");
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(conductor->GetMaxMeasureNumber(), bars + c.count);
        EXPECT_EQ(conductor->GetMeasure(0, c.secondBarAfter), second);
        EXPECT_TRUE(doc.IsModified());
        performance()->Undo(1);
        EXPECT_EQ(conductor->GetMaxMeasureNumber(), bars);
    }
}

// Bars that went while the dialog was open leave its bar number past the end: it asks whether
// to add at the end instead; Cancel keeps it open, OK adds after the last bar.
TEST_F(ScoreStructureDialogTest, AddMeasuresPastTheEndAsksFirst)
{
    ECConductor* conductor = performance()->GetConductor();
    addFourFourMeter();
    auto* grow = new CCAddMeasure;
    grow->SetInsertCount(10 - conductor->GetMaxMeasureNumber());
    grow->SetInsertIndex(conductor->GetMaxMeasureNumber());
    grow->SetSynchronous(1);
    grow->Apply(performance());
    ASSERT_EQ(conductor->GetMaxMeasureNumber(), 10);

    CAddMeasuresDlg dialog(&doc);
    dialog.show();
    plat::ui::item<MCSpinEdit>(&dialog, CAddMeasuresDlg::kCount)->SetValue(2);
    plat::ui::item<QRadioButton>(&dialog, CAddMeasuresDlg::kLocation + 1)->click();
    auto* measure = plat::ui::item<MCSpinEdit>(&dialog, CAddMeasuresDlg::kMeasure);
    measure->SetValue(10);
    auto* cut = new CCRemoveMeasure(5, 0);
    cut->SetSynchronous(1);
    cut->Apply(performance());
    ASSERT_EQ(conductor->GetMaxMeasureNumber(), 5);
    ECMeasure* last = conductor->GetMeasure(0, 5);

    m_prompts.Answer(plat::UserPrompt::Answer::cancel);
    dialog.accept();
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "There are only 5 measures in this document.  Would you like to add the measures "
                                    "at the end of the document?");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 5);

    m_prompts.Answer(plat::UserPrompt::Answer::ok);
    dialog.accept();
    EXPECT_EQ(m_prompts.Texts().size(), 2u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(measure->GetValue(), 5);
    EXPECT_EQ(conductor->GetMaxMeasureNumber(), 7);
    EXPECT_EQ(conductor->GetMeasure(0, 5), last);
}

// What is typed is what counts. A bar typed past the end is asked about and, on OK, the bars
// go at the end as the question offers, also for Before; a count or bar out of range is
// refused with the range and adds nothing; the bar field is not read while the bars go at the
// end, where it cannot be corrected.
TEST_F(ScoreStructureDialogTest, AddMeasuresTakesWhatIsTyped)
{
    ECConductor* conductor = performance()->GetConductor();
    addFourFourMeter();
    const int bars = conductor->GetMaxMeasureNumber();
    const std::string pastEnd = plat::format(
        "There are only %d measures in this document.  Would you like to add the measures at the end of the "
        "document?",
        bars);
    const std::string barRange = plat::format("Enter a whole number from 1 to %d.", bars);
    struct Case {
        const char* count;
        int location;
        const char* measure;
        std::string message;  // empty: none
        int added;            // 0: the dialog stays open
    };
    const Case cases[] = {
        {"2", 1, "12", pastEnd, 2},
        {"3", 0, "99999999", pastEnd, 3},
        {"1500", 2, "1", "Enter a whole number from 1 to 1000.", 0},
        {"", 2, "1", "Enter a whole number from 1 to 1000.", 0},
        {"1", 1, "0", barRange, 0},
        {"1", 0, "", barRange, 0},
        {"1", 1, "1.5", barRange, 0},
        {"2", 2, "", "", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.count) + " " + c.measure);
        m_prompts.Clear();
        ECMeasure* lastBar = conductor->GetMeasure(0, bars);
        CAddMeasuresDlg dialog(&doc);
        dialog.show();
        const auto typeInto = [&dialog](int id, const char* text) {
            auto* edit = plat::ui::item<MCSpinEdit>(&dialog, id);
            edit->setFocus();
            edit->selectAll();
            QTest::keyClick(edit, Qt::Key_Backspace);
            QTest::keyClicks(edit, text);
        };
        plat::ui::item<QRadioButton>(&dialog, CAddMeasuresDlg::kLocation + 1)->click();
        typeInto(CAddMeasuresDlg::kMeasure, c.measure);
        typeInto(CAddMeasuresDlg::kCount, c.count);
        plat::ui::item<QRadioButton>(&dialog, CAddMeasuresDlg::kLocation + c.location)->click();
        m_prompts.Answer(plat::UserPrompt::Answer::ok);
        dialog.accept();
        if (c.message.empty()) {
            EXPECT_TRUE(m_prompts.Texts().empty());
        } else {
            ASSERT_EQ(m_prompts.Texts().size(), 1u);
            EXPECT_EQ(m_prompts.Texts()[0], c.message);
        }
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.added != 0);
        EXPECT_EQ(conductor->GetMaxMeasureNumber(), bars + c.added);
        // Added at the end: the last bar is still where it was.
        EXPECT_EQ(conductor->GetMeasure(0, bars), lastBar);
        if (c.added)
            performance()->Undo(1);
        ASSERT_EQ(conductor->GetMaxMeasureNumber(), bars);
    }
}

// The count added is the one the field shows after the keys that change it without typing a
// digit: Delete, and a paste of copied text.
TEST_F(ScoreStructureDialogTest, AddMeasuresCountsWhatTheFieldShowsAfterDeleteAndPaste)
{
    ECConductor* conductor = performance()->GetConductor();
    addFourFourMeter();
    const int bars = conductor->GetMaxMeasureNumber();
    const auto add = [&](const std::function<void(MCSpinEdit&)>& edit) {
        CAddMeasuresDlg dialog(&doc);
        dialog.show();
        auto* count = plat::ui::item<MCSpinEdit>(&dialog, CAddMeasuresDlg::kCount);
        count->setFocus();
        edit(*count);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        const int added = conductor->GetMaxMeasureNumber() - bars;
        if (added)
            performance()->Undo(1);
        return std::make_pair(count->text().toStdString(), added);
    };
    // "12", then the 1 deleted.
    EXPECT_EQ(add([](MCSpinEdit& count) {
                  count.selectAll();
                  QTest::keyClicks(&count, "12");
                  QTest::keyClick(&count, Qt::Key_Home);
                  QTest::keyClick(&count, Qt::Key_Delete);
              }),
              std::make_pair(std::string("2"), 2));
    // "5" copied, "9" typed over it, then "5" pasted over that.
    EXPECT_EQ(add([](MCSpinEdit& count) {
                  count.selectAll();
                  QTest::keyClicks(&count, "5");
                  count.selectAll();
                  QTest::keyClick(&count, Qt::Key_C, Qt::ControlModifier);
                  QTest::keyClicks(&count, "9");
                  count.selectAll();
                  QTest::keyClick(&count, Qt::Key_V, Qt::ControlModifier);
              }),
              std::make_pair(std::string("5"), 5));
}

}  // namespace
