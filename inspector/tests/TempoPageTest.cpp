#include "TempoPagesTestSupport.h"

#include "inspector/forms/PCsqTempoChangeForm.h"
#include "inspector/forms/PCsqTempoConstForm.h"
#include "inspector/forms/PCsqTempoPauseForm.h"
#include "inspector/pages/PCsqTempo.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAction>
#include <QMenu>
#include <QSlider>
#include <QTest>

namespace {

using namespace tempopagestest;

constexpr unsigned char kAndante = 10;
constexpr unsigned char kPresto = 17;

class TempoPageTest : public ConductorPageTest {
protected:
    template <class Control>
    Control* Item(int form, int id)
    {
        return plat::ui::item<Control>(page.GetForm(form), id);
    }
    // Types text into a spin edit as the user does, over what it shows.
    static void Type(MCSpinEdit* edit, const char* text)
    {
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, text);
    }
    // Gives a time edit a new time as typing it does.
    static void TypeTime(MCTimeEdit* edit, const MCTime& time)
    {
        edit->SetIndeterminate(false);
        edit->SetTimeValue(time);
        edit->OnChange();
    }
    // Picks the menu item of a menu button whose text is text.
    static void Pick(MCMenuButton* button, const QString& text)
    {
        plat::ui::ModalHooks::Hooks hooks;
        hooks.popupMenu = [text](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->text() == text)
                    return action;
            return nullptr;
        };
        const plat::ui::ModalHooks::Scoped scoped(hooks);
        button->click();
    }
    // The values of the tempo map as "time:tempo" pairs.
    std::string Map()
    {
        std::string text;
        for (ECBase* point : *Staff()->GetTempoEnv()->GetChildren()) {
            auto* tempo = static_cast<ECTempo*>(point);
            text += (text.empty() ? "" : " ") + std::to_string(int(tempo->GetTime()->GetSeconds() * 100)) + ":" +
                    std::to_string(int(tempo->GetValue()));
        }
        return text;
    }

    PCsqTempo page;
};

TEST_F(TempoPageTest, TheFormFollowsTheKindOfTheSelectedMarks)
{
    ECTempo* metronome = AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* word = AddTempo(kAndante, 1.0f);
    ECTempo* accel = AddTempo(ECTempo::typeAccelerando, 2.0f, 2.0f);
    ECTempo* pause = AddTempo(ECTempo::typePause, 6.0f, 1.0f);
    struct Case {
        const char* what;
        std::vector<ECBase*> marks;
        int form;
    };
    const Case cases[] = {
        {"metronome", {metronome}, PCsqTempo::formConst},
        {"metronome and word", {metronome, word}, PCsqTempo::formConst},
        {"accelerando", {accel}, PCsqTempo::formChange},
        {"pause", {pause}, PCsqTempo::formPause},
        {"constant and accelerando", {metronome, accel}, -1},
        {"pause and word", {pause, word}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Show(page, c.marks);
        EXPECT_EQ(page.GetShownForm(), c.form);
        for (int form = 0; form < 3; ++form)
            EXPECT_EQ(page.GetForm(form)->isVisibleTo(&page), form == c.form) << form;
    }
    EXPECT_EQ(PCsqTempo::FormOfType(23), PCsqTempo::formChange);
    EXPECT_EQ(PCsqTempo::FormOfType(26), PCsqTempo::formPause);
    EXPECT_EQ(PCsqTempo::FormOfType(27), PCsqTempo::formConst);
}

TEST_F(TempoPageTest, ATypedTempoKeepsEachMarksOwnBeatInOneUndoStep)
{
    // 100 quarters a minute, and 240 eighths a minute (120 quarters).
    ECTempo* quarters = AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f, 1.0f);
    ECTempo* eighths = AddTempo(ECTempo::typeMetronome, 4.0f, 0.0f, 240.0f, 0.5f);
    Show(page, {quarters, eighths});
    auto* form = static_cast<PCsqTempoConstForm*>(page.GetForm(PCsqTempo::formConst));
    auto* bpm = Item<MCSpinEdit>(PCsqTempo::formConst, PCsqTempoConstForm::IDC_BPM);
    EXPECT_EQ(form->GetBpmState(), PCsqTempoConstForm::stateMixed);
    EXPECT_EQ(form->GetTimeState(), PCsqTempoConstForm::stateMixed);
    EXPECT_TRUE(bpm->GetIndeterminate());
    EXPECT_TRUE(bpm->text().isEmpty());
    EXPECT_FALSE(page.IsModified());

    Type(bpm, "90");
    EXPECT_EQ(form->GetBpmState(), PCsqTempoConstForm::stateChanged);
    ASSERT_TRUE(page.onApply());
    EXPECT_FLOAT_EQ(quarters->GetTempo(1.0f), 90.0f);
    EXPECT_FLOAT_EQ(eighths->GetTempo(1.0f), 90.0f);
    EXPECT_FLOAT_EQ(quarters->GetBeat(), 1.0f);
    EXPECT_FLOAT_EQ(eighths->GetBeat(), 0.5f);
    EXPECT_EQ(*quarters->GetTime(), MCTime(0.0f));
    EXPECT_EQ(*eighths->GetTime(), MCTime(4.0f));
    EXPECT_EQ(UndoTitle(), "Undo Edit Tempo");

    doc.OnEditUndo();
    EXPECT_FLOAT_EQ(quarters->GetTempo(1.0f), 100.0f);
    EXPECT_FLOAT_EQ(eighths->GetTempo(1.0f), 120.0f);
    EXPECT_FLOAT_EQ(eighths->GetBeat(), 0.5f);
    EXPECT_EQ(UndoTitle(), "");
}

TEST_F(TempoPageTest, ATempoWordFillsTheTempoAndATimeMovesOnlyTheTime)
{
    AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 80.0f);
    ECTempo* mark = AddTempo(ECTempo::typeMetronome, 2.0f, 0.0f, 100.0f);
    Show(page, {mark});
    auto* bpm = Item<MCSpinEdit>(PCsqTempo::formConst, PCsqTempoConstForm::IDC_BPM);
    EXPECT_EQ(bpm->text(), "100");
    Pick(Item<MCMenuButton>(PCsqTempo::formConst, PCsqTempoConstForm::IDC_WORDS), "Andante");
    EXPECT_EQ(bpm->GetValue(), GetTempoValue(kAndante));
    TypeTime(Item<MCTimeEdit>(PCsqTempo::formConst, PCsqTempoConstForm::IDC_TIME), MCTime(3.0f));
    ASSERT_TRUE(page.onApply());
    EXPECT_FLOAT_EQ(mark->GetTempo(1.0f), float(GetTempoValue(kAndante)));
    EXPECT_EQ(*mark->GetTime(), MCTime(3.0f));
    doc.OnEditUndo();
    EXPECT_FLOAT_EQ(mark->GetTempo(1.0f), 100.0f);
    EXPECT_EQ(*mark->GetTime(), MCTime(2.0f));
}

TEST_F(TempoPageTest, ATempoJustBelowAWholeNumberShowsAsThatNumber)
{
    // A file's 666667 microseconds a quarter are 89.99996 quarters a minute.
    ECTempo* mark = AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 60000000.0f / 666667.0f);
    ASSERT_LT(mark->GetTempo(1.0f), 90.0f);
    Show(page, {mark});
    EXPECT_EQ(Item<MCSpinEdit>(PCsqTempo::formConst, PCsqTempoConstForm::IDC_BPM)->text(), "90");
    ASSERT_TRUE(page.onApply());
    EXPECT_EQ(UndoTitle(), "");
}

TEST_F(TempoPageTest, TempoOutsideItsRangeIsRefusedAndNothingApplied)
{
    ECTempo* mark = AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* accel = AddTempo(ECTempo::typeAccelerando, 2.0f, 2.0f);
    const std::string before = Map();
    struct Case {
        const char* what;
        ECTempo* mark;
        int form;
        int id;
        const char* typed;
        const char* message;
    };
    const Case cases[] = {
        {"500 beats a minute", mark, PCsqTempo::formConst, PCsqTempoConstForm::IDC_BPM, "500",
         "Enter a whole number from 20 to 400."},
        {"a change to 10", accel, PCsqTempo::formChange, PCsqTempoChangeForm::IDC_TO, "10",
         "Enter a whole number from 20 to 400."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Show(page, {c.mark});
        Type(Item<MCSpinEdit>(c.form, c.id), c.typed);
        m_prompts.Clear();
        EXPECT_FALSE(page.onApply());
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0], c.message);
        EXPECT_TRUE(page.IsModified());
        EXPECT_EQ(Map(), before);
        EXPECT_EQ(UndoTitle(), "");
    }
}

TEST_F(TempoPageTest, AGradualChangeShowsItsSpanAndTheTempoAtEachEnd)
{
    AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* accel = AddTempo(ECTempo::typeAccelerando, 2.0f, 2.0f);
    const std::string before = Map();
    Show(page, {accel});
    auto* form = static_cast<PCsqTempoChangeForm*>(page.GetForm(PCsqTempo::formChange));
    auto* start = Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_START);
    auto* duration = Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_DURATION);
    auto* stop = Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_STOP);
    auto* from = Item<MCSpinEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_FROM);
    auto* to = Item<MCSpinEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_TO);
    EXPECT_EQ(start->GetTimeValue(), MCTime(2.0f));
    EXPECT_EQ(duration->GetTimeValue(), MCTime(2.0f));
    EXPECT_EQ(stop->GetTimeValue(), MCTime(4.0f));
    EXPECT_EQ(from->text(), "100");
    EXPECT_EQ(to->text(), "133");

    // A stop before the start gives no duration.
    TypeTime(stop, MCTime(1.0f));
    EXPECT_EQ(duration->GetTimeValue(), MCTime::TimeZero());
    EXPECT_EQ(form->GetDurationState(), PCsqTempoChangeForm::stateChanged);
    EXPECT_EQ(form->GetStartState(), PCsqTempoChangeForm::stateCommon);
    // A note value sets the duration and the stop follows.
    Pick(Item<MCMenuButton>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_DURATIONS), "Whole Note (&1)");
    EXPECT_EQ(duration->GetTimeValue(), MCTime(4.0f));
    EXPECT_EQ(PCsqTempo::ScoreTime(&doc, stop->GetTimeValue()), MCTime(6.0f));
    // A word picked beside To goes to To.
    Pick(Item<MCMenuButton>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_TO_WORDS), "Andante");
    EXPECT_EQ(to->GetValue(), GetTempoValue(kAndante));
    EXPECT_EQ(from->text(), "100");
    EXPECT_EQ(form->GetFromState(), PCsqTempoChangeForm::stateCommon);
    Pick(Item<MCMenuButton>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_FROM_WORDS), "Presto");
    EXPECT_EQ(from->GetValue(), GetTempoValue(kPresto));

    ASSERT_TRUE(page.onApply());
    EXPECT_EQ(*accel->GetTime(), MCTime(2.0f));
    EXPECT_EQ(*accel->GetDuration(), MCTime(4.0f));
    MCEventList anchors;
    ASSERT_TRUE(accel->GetAnchorList(anchors));
    EXPECT_FLOAT_EQ(static_cast<ECEnvPoint*>(anchors.GetHead())->GetValue(), float(GetTempoValue(kPresto)));
    EXPECT_FLOAT_EQ(static_cast<ECEnvPoint*>(anchors.GetTail())->GetValue(), float(GetTempoValue(kAndante)));
    EXPECT_EQ(UndoTitle(), "Undo Edit Tempo");
    doc.OnEditUndo();
    EXPECT_EQ(Map(), before);
    EXPECT_EQ(*accel->GetDuration(), MCTime(2.0f));
}

TEST_F(TempoPageTest, GradualChangesMergeAndOnlyChangedFieldsApply)
{
    AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* first = AddTempo(ECTempo::typeAccelerando, 2.0f, 2.0f);
    ECTempo* second = AddTempo(ECTempo::typeRitardando, 8.0f, 1.0f);
    Show(page, {first, second});
    auto* form = static_cast<PCsqTempoChangeForm*>(page.GetForm(PCsqTempo::formChange));
    EXPECT_EQ(form->GetStartState(), PCsqTempoChangeForm::stateMixed);
    EXPECT_EQ(form->GetDurationState(), PCsqTempoChangeForm::stateMixed);
    EXPECT_EQ(form->GetStopState(), PCsqTempoChangeForm::stateMixed);
    EXPECT_EQ(form->GetFromState(), PCsqTempoChangeForm::stateMixed);
    for (int id : {PCsqTempoChangeForm::IDC_START, PCsqTempoChangeForm::IDC_DURATION, PCsqTempoChangeForm::IDC_STOP,
                   PCsqTempoChangeForm::IDC_FROM})
        EXPECT_TRUE(Item<MCSpinEdit>(PCsqTempo::formChange, id)->text().isEmpty()) << id;

    // A new end tempo for both: each keeps its own start and length.
    auto* to = Item<MCSpinEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_TO);
    Type(to, "200");
    ASSERT_TRUE(page.onApply());
    EXPECT_EQ(*first->GetTime(), MCTime(2.0f));
    EXPECT_EQ(*second->GetTime(), MCTime(8.0f));
    EXPECT_EQ(*first->GetDuration(), MCTime(2.0f));
    EXPECT_EQ(*second->GetDuration(), MCTime(1.0f));
    for (ECTempo* mark : {first, second}) {
        MCEventList anchors;
        ASSERT_TRUE(mark->GetAnchorList(anchors));
        EXPECT_FLOAT_EQ(static_cast<ECEnvPoint*>(anchors.GetTail())->GetValue(), 200.0f);
    }
    doc.OnEditUndo();
    EXPECT_EQ(UndoTitle(), "");
}

TEST_F(TempoPageTest, AStopTypedOverDifferentStartsEndsEachChangeThereFromItsOwnStart)
{
    AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* first = AddTempo(ECTempo::typeAccelerando, 2.0f, 1.0f);
    ECTempo* second = AddTempo(ECTempo::typeRitardando, 5.0f, 1.0f);
    Show(page, {first, second});
    auto* duration = Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_DURATION);
    EXPECT_FALSE(duration->GetIndeterminate());
    TypeTime(Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_STOP), MCTime(7.0f));
    // No duration is shown that holds for both.
    EXPECT_TRUE(duration->text().isEmpty());
    ASSERT_TRUE(page.onApply());
    EXPECT_EQ(*first->GetTime(), MCTime(2.0f));
    EXPECT_EQ(*second->GetTime(), MCTime(5.0f));
    EXPECT_EQ(*first->GetDuration(), MCTime(5.0f));
    EXPECT_EQ(*second->GetDuration(), MCTime(2.0f));
    EXPECT_EQ(UndoTitle(), "Undo Edit Tempo");
    doc.OnEditUndo();
    EXPECT_EQ(*first->GetDuration(), MCTime(1.0f));
    EXPECT_EQ(*second->GetDuration(), MCTime(1.0f));

    // Changes that end together but are of different lengths: one start leaves them ending
    // apart, so no stop is shown.
    ECTempo* longer = AddTempo(ECTempo::typeAccelerando, 8.0f, 3.0f);
    ECTempo* shorter = AddTempo(ECTempo::typeRitardando, 10.0f, 1.0f);
    Show(page, {longer, shorter});
    auto* stop = Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_STOP);
    EXPECT_FALSE(stop->text().isEmpty());
    TypeTime(Item<MCTimeEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_START), MCTime(12.0f));
    EXPECT_TRUE(stop->text().isEmpty());
    ASSERT_TRUE(page.onApply());
    EXPECT_EQ(*longer->GetDuration(), MCTime(3.0f));
    EXPECT_EQ(*shorter->GetDuration(), MCTime(1.0f));
}

TEST_F(TempoPageTest, AMarkWithoutEndsTakesNoEndTempo)
{
    // A change that never joined the tempo map has no anchor group.
    auto* loose = new ECTempo(ECTempo::typeAccelerando, MCTime(2.0f));
    const plat::RefPtr<ECTempo> held(loose);
    Show(page, {loose});
    EXPECT_EQ(page.GetShownForm(), PCsqTempo::formChange);
    Type(Item<MCSpinEdit>(PCsqTempo::formChange, PCsqTempoChangeForm::IDC_TO), "200");
    EXPECT_TRUE(page.onApply());
    EXPECT_EQ(UndoTitle(), "");
}

TEST_F(TempoPageTest, ThePauseSliderAndPercentFollowEachOther)
{
    AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* pause = AddTempo(ECTempo::typePause, 4.0f, 1.0f);
    Show(page, {pause});
    auto* form = static_cast<PCsqTempoPauseForm*>(page.GetForm(PCsqTempo::formPause));
    auto* slider = Item<QSlider>(PCsqTempo::formPause, PCsqTempoPauseForm::IDC_SLIDER);
    auto* percent = Item<MCSpinEdit>(PCsqTempo::formPause, PCsqTempoPauseForm::IDC_PERCENT);
    EXPECT_EQ(slider->value(), 100);
    EXPECT_EQ(percent->text(), "100");
    EXPECT_FALSE(page.IsModified());

    slider->setValue(250);
    EXPECT_EQ(percent->text(), "250");
    EXPECT_EQ(form->GetPercentState(), PCsqTempoPauseForm::stateChanged);
    ASSERT_TRUE(page.onApply());
    EXPECT_FLOAT_EQ(pause->GetPausePercent(), 250.0f);
    doc.OnEditUndo();
    EXPECT_FLOAT_EQ(pause->GetPausePercent(), 100.0f);

    Show(page, {pause});
    Type(percent, "40");
    EXPECT_EQ(slider->value(), 40);
    ASSERT_TRUE(page.onApply());
    EXPECT_FLOAT_EQ(pause->GetPausePercent(), 40.0f);
    EXPECT_EQ(*pause->GetTime(), MCTime(4.0f));
}

TEST_F(TempoPageTest, Screenshots)
{
    ECTempo* quarters = AddTempo(ECTempo::typeMetronome, 0.0f, 0.0f, 100.0f);
    ECTempo* other = AddTempo(ECTempo::typeMetronome, 1.0f, 0.0f, 120.0f);
    ECTempo* accel = AddTempo(ECTempo::typeAccelerando, 2.0f, 2.0f);
    ECTempo* pause = AddTempo(ECTempo::typePause, 6.0f, 1.0f);
    page.resize(QSize(320, 260));
    page.show();
    Show(page, {quarters, other});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-tempo-constant-mixed").empty());
    Show(page, {accel});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-tempo-change").empty());
    Show(page, {pause});
    EXPECT_FALSE(widgettest::saveScreenshot(page, "inspector-tempo-pause").empty());
}

}  // namespace
