#include "MarkPagesTestSupport.h"

#include "inspector/forms/PCsqDynamicChangeForm.h"
#include "inspector/forms/PCsqDynamicConstForm.h"
#include "inspector/pages/PCsqDynamic.h"
#include "interface/controls/MCMenuButton.h"
#include "notabase/commands/CCAddDynamic.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/names/DisplayNames.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAction>
#include <QMenu>

namespace {

using namespace markpagestest;
using Const = PCsqDynamicConstForm;
using Change = PCsqDynamicChangeForm;

class DynamicPageTest : public MarkPagesTest {
protected:
    void SetUp() override
    {
        MarkPagesTest::SetUp();
        m_envelope = EnvelopeOf<ECControllerEnv>(1);
        m_mf[0] = AddPoint(m_envelope, new ECDynamic, 0.0f, 64.0f);
        m_mf[1] = AddPoint(m_envelope, new ECDynamic, 1.0f, 80.0f);
        m_cresc[0] = Gradual(2.0f, 1.0f);
        m_cresc[1] = Gradual(5.0f, 1.0f);
        m_page.resize(340, 260);
        m_page.show();
    }
    // A crescendo added as the program adds one: with its end point in one anchor group.
    ECDynamic* Gradual(float start, float duration)
    {
        auto* mark = new ECDynamic(ECDynamic::typeCrescendo, MCTime(duration));
        MCTime at(start);
        mark->SetTime(&at);
        auto* add = new CCAddDynamic;
        add->Add(mark, m_envelope, FCMidi::MidiNull());
        Run(add);
        return mark;
    }
    static std::vector<float> Ends(ECDynamic* mark)
    {
        MCEventList anchors;
        mark->GetAnchorList(anchors);
        if (anchors.IsEmpty())
            return {};
        return {static_cast<ECEnvPoint*>(anchors.GetHead())->GetValue(),
                static_cast<ECEnvPoint*>(anchors.GetTail())->GetValue()};
    }
    static float Start(ECBase* mark) { return mark->GetTime()->GetSeconds(); }
    static float Length(ECBase* mark) { return mark->GetDuration()->GetSeconds(); }
    // Picks the command from the menu the button of id drops.
    void Pick(int button, int command)
    {
        plat::ui::ModalHooks::Hooks hooks;
        hooks.popupMenu = [command](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->data().toInt() == command)
                    return action;
            return nullptr;
        };
        const plat::ui::ModalHooks::Scoped scoped(hooks);
        auto* menuButton = plat::ui::item<MCMenuButton>(&m_page, button);
        ASSERT_NE(menuButton, nullptr);
        menuButton->click();
    }
    QWidget* Form(int index) { return m_page.GetForm(index); }

    ECControllerEnv* m_envelope = nullptr;
    ECDynamic* m_mf[2] = {};
    ECDynamic* m_cresc[2] = {};
    PCsqDynamic m_page;
};

TEST_F(DynamicPageTest, TheMarksSelectedChooseTheForm)
{
    const struct {
        const char* name;
        std::vector<ECDynamic*> marks;
        int form;
    } cases[] = {
        {"constant marks", {m_mf[0], m_mf[1]}, PCsqDynamic::formConst},
        {"a crescendo", {m_cresc[0]}, PCsqDynamic::formChange},
        {"both kinds", {m_mf[0], m_cresc[0]}, -1},
        {"a constant mark again", {m_mf[1]}, PCsqDynamic::formConst},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_selection.RemoveAll();
        for (ECDynamic* mark : c.marks)
            m_selection.AddTail(mark);
        Show(m_page);
        EXPECT_EQ(m_page.GetCurrentForm(), c.form);
        EXPECT_EQ(m_page.GetShownForm(), c.form);
        EXPECT_EQ(Form(0)->isVisible(), c.form == 0);
        EXPECT_EQ(Form(1)->isVisible(), c.form == 1);
    }
}

TEST_F(DynamicPageTest, ANamedDynamicFillsTheConstantValueAndApplyChangesEveryMarkOnce)
{
    Select({m_mf[0], m_mf[1]});
    Show(m_page);
    auto* form = static_cast<Const*>(m_page.GetForm(0));
    EXPECT_EQ(Text(m_page, Const::IDC_VALUE), "");
    EXPECT_EQ(form->GetFieldState(Const::fieldValue), Const::stateMixed);
    EXPECT_EQ(form->GetFieldState(Const::fieldTime), Const::stateMixed);

    Pick(Const::IDC_DYNAMICS, Const::kFirstDynamic + 7);  // "ff"
    const int ff = GetDynamicValue(7);
    EXPECT_EQ(Text(m_page, Const::IDC_VALUE), QString::number(ff));
    EXPECT_EQ(form->GetFieldState(Const::fieldValue), Const::stateChanged);
    EXPECT_TRUE(m_page.IsModified());
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(m_mf[0]->GetValue(), float(ff));
    EXPECT_EQ(m_mf[1]->GetValue(), float(ff));
    EXPECT_EQ(Start(m_mf[0]), 0.0f);
    EXPECT_EQ(Start(m_mf[1]), 1.0f);
    EXPECT_EQ(UndoName(), "Edit Dynamic Marking");
    Undo();
    EXPECT_EQ(m_mf[0]->GetValue(), 64.0f);
    EXPECT_EQ(m_mf[1]->GetValue(), 80.0f);
    EXPECT_EQ(UndoName(), "");
}

TEST_F(DynamicPageTest, StartDurationAndStopFollowEachOther)
{
    Select({m_cresc[0]});
    Show(m_page);
    EXPECT_EQ(Text(m_page, Change::IDC_DURATION), "0001:000");
    const QString stopBefore = Text(m_page, Change::IDC_STOP);

    // A half note from the menu: two beats, and the stop two beats after the start.
    Pick(Change::IDC_DURATIONS, Change::kFirstNoteValue + 2);
    EXPECT_EQ(Text(m_page, Change::IDC_DURATION), "0002:000");
    EXPECT_NE(Text(m_page, Change::IDC_STOP), stopBefore);
    auto* stop = plat::ui::item<MCTimeEdit>(&m_page, Change::IDC_STOP);
    EXPECT_EQ(stop->GetTimeValue().GetSeconds(), 4.0f);

    // A stop typed before the start leaves no negative duration.
    stop->SetTimeValue(MCTime(1.0f));
    stop->OnChange();
    EXPECT_EQ(Text(m_page, Change::IDC_DURATION), "0000:000");

    // A later start moves the stop.
    stop->SetTimeValue(MCTime(4.0f));
    stop->OnChange();
    auto* start = plat::ui::item<MCTimeEdit>(&m_page, Change::IDC_START);
    start->SetTimeValue(MCTime(3.0f));
    start->OnChange();
    EXPECT_EQ(stop->GetTimeValue().GetSeconds(), 5.0f);

    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Start(m_cresc[0]), 3.0f);
    EXPECT_EQ(Length(m_cresc[0]), 2.0f);
    Undo();
    EXPECT_EQ(Start(m_cresc[0]), 2.0f);
    EXPECT_EQ(Length(m_cresc[0]), 1.0f);
}

TEST_F(DynamicPageTest, ANewDurationKeepsEachMarksOwnStart)
{
    Select({m_cresc[0], m_cresc[1]});
    Show(m_page);
    EXPECT_EQ(Text(m_page, Change::IDC_START), "");
    Pick(Change::IDC_DURATIONS, Change::kFirstNoteValue + 6);  // an eighth
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Start(m_cresc[0]), 2.0f);
    EXPECT_EQ(Start(m_cresc[1]), 5.0f);
    EXPECT_EQ(Length(m_cresc[0]), 0.5f);
    EXPECT_EQ(Length(m_cresc[1]), 0.5f);
    Undo();
    EXPECT_EQ(Length(m_cresc[0]), 1.0f);
    EXPECT_EQ(Length(m_cresc[1]), 1.0f);
}

TEST_F(DynamicPageTest, AStopTypedOverDifferentStartsEndsEachMarkThereFromItsOwnStart)
{
    // The crescendos start at 2 and 5; both are to end at 7.
    Select({m_cresc[0], m_cresc[1]});
    Show(m_page);
    auto* stop = plat::ui::item<MCTimeEdit>(&m_page, Change::IDC_STOP);
    stop->SetIndeterminate(false);
    stop->SetTimeValue(MCTime(7.0f));
    stop->OnChange();
    // The page shows no duration it cannot know.
    EXPECT_EQ(Text(m_page, Change::IDC_DURATION), "");
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Start(m_cresc[0]), 2.0f);
    EXPECT_EQ(Start(m_cresc[1]), 5.0f);
    EXPECT_EQ(Length(m_cresc[0]), 5.0f);
    EXPECT_EQ(Length(m_cresc[1]), 2.0f);
    Undo();
    EXPECT_EQ(Length(m_cresc[0]), 1.0f);
    EXPECT_EQ(Length(m_cresc[1]), 1.0f);

    // Two that end together at 10 but are of different lengths: one start leaves them
    // ending apart, so no stop is shown, and each keeps its length.
    ECDynamic* longer = Gradual(7.0f, 3.0f);
    ECDynamic* shorter = Gradual(9.0f, 1.0f);
    Select({longer, shorter});
    Show(m_page);
    EXPECT_FALSE(Text(m_page, Change::IDC_STOP).isEmpty());
    auto* start = plat::ui::item<MCTimeEdit>(&m_page, Change::IDC_START);
    start->SetIndeterminate(false);
    start->SetTimeValue(MCTime(6.0f));
    start->OnChange();
    EXPECT_EQ(Text(m_page, Change::IDC_STOP), "");
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Start(longer), 6.0f);
    EXPECT_EQ(Start(shorter), 6.0f);
    EXPECT_EQ(Length(longer), 3.0f);
    EXPECT_EQ(Length(shorter), 1.0f);
}

TEST_F(DynamicPageTest, TheDynamicsMenuBesideFromOrToSetsThatEndOnly)
{
    Select({m_cresc[0]});
    const std::vector<float> before = Ends(m_cresc[0]);
    ASSERT_EQ(before.size(), 2u);
    const int pp = GetDynamicValue(2);
    const int ff = GetDynamicValue(7);
    const struct {
        const char* name;
        int button;
        int command;
        std::vector<float> after;
    } cases[] = {
        {"to", Change::IDC_TO_DYNAMICS, Change::kFirstDynamic + 7, {before[0], float(ff)}},
        {"from", Change::IDC_FROM_DYNAMICS, Change::kFirstDynamic + 2, {float(pp), before[1]}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Show(m_page);
        Pick(c.button, c.command);
        const int edited = c.button == Change::IDC_TO_DYNAMICS ? Change::IDC_TO : Change::IDC_FROM;
        const int other = c.button == Change::IDC_TO_DYNAMICS ? Change::IDC_FROM : Change::IDC_TO;
        EXPECT_EQ(Text(m_page, edited), QString::number(int(c.button == Change::IDC_TO_DYNAMICS ? ff : pp)));
        EXPECT_EQ(Text(m_page, other), QString::number(int(c.button == Change::IDC_TO_DYNAMICS ? before[0] : before[1])));
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Ends(m_cresc[0]), c.after);
        EXPECT_EQ(Start(m_cresc[0]), 2.0f);
        Undo();
        EXPECT_EQ(Ends(m_cresc[0]), before);
    }
}

TEST_F(DynamicPageTest, AGradualMarkWithoutAnchorPointsShowsAndAppliesNoValues)
{
    auto* loose = new ECDynamic(ECDynamic::typeCrescendo, MCTime(1.0f));
    AddPoint(m_envelope, loose, 7.0f, 50.0f);
    ASSERT_TRUE(Ends(loose).empty());
    Select({loose});
    Show(m_page);
    auto* form = static_cast<Change*>(m_page.GetForm(1));
    EXPECT_EQ(m_page.GetCurrentForm(), PCsqDynamic::formChange);
    EXPECT_EQ(form->GetFieldState(Change::fieldFrom), Change::stateNone);
    EXPECT_EQ(form->GetFieldState(Change::fieldTo), Change::stateNone);
    Type(m_page, Change::IDC_TO, "100");
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(loose->GetValue(), 50.0f);
    EXPECT_EQ(UndoName(), "");
}

TEST_F(DynamicPageTest, AValueAbove127IsRefusedAndNothingApplied)
{
    Select({m_cresc[0]});
    const std::vector<float> before = Ends(m_cresc[0]);
    Show(m_page);
    Type(m_page, Change::IDC_FROM, "200");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 0 to 127.");
    EXPECT_EQ(Ends(m_cresc[0]), before);
    EXPECT_EQ(UndoName(), "");
}

TEST_F(DynamicPageTest, Screenshots)
{
    Select({m_mf[0], m_mf[1]});
    Show(m_page);
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-dynamic-constant-mixed").empty());
    Select({m_cresc[0]});
    Show(m_page);
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-dynamic-changing").empty());
}

}  // namespace
