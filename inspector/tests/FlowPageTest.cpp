#include "NotePagesTestSupport.h"

#include "inspector/forms/PCsqFlowRepeatForm.h"
#include "inspector/forms/PCsqFlowTimeForm.h"
#include "inspector/pages/PCsqFlow.h"

#include "interface/controls/MCCheckBox.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/score/ECConductorStaff.h"
#include "sequencer/data/DCsqFlowControl.h"

#include <QTest>

namespace {

using namespace notepagestest;

constexpr int kRepeat = 1;
constexpr int kCoda = 13;

class FlowPageTest : public NotePagesTest {
public:
    ECFlowControl* Mark(float time, int type, bool enabled, int repetitions)
    {
        auto* mark = new ECFlowControl(static_cast<unsigned char>(type));
        const MCTime at(time);
        mark->SetTime(&at);
        Performance()->GetConductor()->GetConductorStaff()->AddChild(mark, 1);
        auto* data = plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 1));
        EXPECT_NE(data, nullptr);
        if (data) {
            data->SetEnabled(enabled ? 1 : 0);
            data->SetNumRepetitions(repetitions);
        }
        return mark;
    }
    static DCsqFlowControl* Data(ECBase* mark) { return plat::dynamicDowncast<DCsqFlowControl>(mark->GetData(0, 0)); }
    // Time, enabled and repetitions of each mark.
    std::vector<std::vector<float>> Marks()
    {
        std::vector<std::vector<float>> all;
        for (ECBase* m : m_marks)
            all.push_back({Start(m), float(Data(m)->IsEnabled()), float(Data(m)->GetNumRepetitions())});
        return all;
    }
    PCsqFlowTimeForm* Form(int index) { return dynamic_cast<PCsqFlowTimeForm*>(m_page.GetForm(index)); }
    MCCheckBox* IgnoreBox(int form) { return plat::ui::item<MCCheckBox>(Form(form), PCsqFlowTimeForm::kIgnore); }

    void SetUp() override
    {
        NotePagesTest::SetUp();
        m_marks = {Mark(1.0f, kRepeat, true, 2), Mark(2.0f, kRepeat, false, 2), Mark(3.0f, kCoda, true, 1)};
    }
    std::vector<ECFlowControl*> m_marks;
    PCsqFlow m_page;
};

TEST_F(FlowPageTest, TheFormFollowsTheKindsOfMarkSelected)
{
    struct Case {
        const char* name;
        std::vector<int> marks;
        int form;
    };
    const Case cases[] = {
        {"a repeat", {0}, PCsqFlow::kRepeatForm},
        {"two repeats", {0, 1}, PCsqFlow::kRepeatForm},
        {"a coda", {2}, PCsqFlow::kTimeForm},
        {"a repeat and a coda", {0, 2}, -1},
        {"nothing that is a mark", {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_selection.RemoveAll();
        for (int i : c.marks)
            m_selection.AddTail(m_marks[size_t(i)]);
        m_selection.AddTail(Note(1, 0));
        Show(m_page);
        EXPECT_EQ(m_page.GetCurrentForm(), c.form);
        EXPECT_EQ(m_page.GetShownForm(), c.form);
        for (int f = 0; f < 2; ++f)
            EXPECT_EQ(Form(f)->isVisibleTo(&m_page), f == c.form) << f;
    }
    m_page.SetEventList(nullptr);
    m_page.UpdatePage();
    EXPECT_EQ(m_page.GetCurrentForm(), -1);
}

TEST_F(FlowPageTest, AnIgnoredAndAnObeyedMarkShowAnIndeterminateBoxThatChangesNothingUntouched)
{
    Select({m_marks[0], m_marks[1]});
    Show(m_page);
    PCsqFlowTimeForm* form = Form(PCsqFlow::kRepeatForm);
    EXPECT_EQ(form->GetIgnoreState(), PCsqFlowTimeForm::stateMixed);
    EXPECT_EQ(IgnoreBox(1)->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(form->GetTimeState(), PCsqFlowTimeForm::stateMixed);
    EXPECT_TRUE(plat::ui::item<QLineEdit>(form, PCsqFlowTimeForm::kTime)->text().isEmpty());
    EXPECT_EQ(static_cast<PCsqFlowRepeatForm*>(form)->GetRepeatState(), PCsqFlowTimeForm::stateCommon);
    EXPECT_FALSE(m_page.IsModified());

    // A click that comes round to the indeterminate state again leaves both as they were.
    const auto before = Marks();
    for (int i = 0; i < 3; ++i)
        IgnoreBox(1)->click();
    ASSERT_EQ(IgnoreBox(1)->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(m_page.IsModified());
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Marks(), before);
    EXPECT_EQ(UndoName(), "");
}

TEST_F(FlowPageTest, ApplyWritesWhatTheUserChangedAsOneUndoStep)
{
    struct Case {
        const char* name;
        std::vector<int> marks;
        std::function<void(FlowPageTest&)> edit;
        std::vector<std::vector<float>> after;
    };
    const std::vector<Case> cases = {
        {"three repeats keep their ignore settings", {0, 1},
         [](FlowPageTest& t) { t.TypeText(t.Form(1), PCsqFlowRepeatForm::kRepeat, "3"); },
         {{1, 1, 3}, {2, 0, 3}, {3, 1, 1}}},
        {"both repeats ignored", {0, 1},
         [](FlowPageTest& t) {
             // Indeterminate, then checked.
             t.IgnoreBox(1)->click();
         },
         {{1, 0, 2}, {2, 0, 2}, {3, 1, 1}}},
        {"a coda moved and ignored", {2},
         [](FlowPageTest& t) {
             t.TypeTime(t.Form(0), PCsqFlowTimeForm::kTime, MCTime(3.5f));
             t.IgnoreBox(0)->click();
         },
         {{1, 1, 2}, {2, 0, 2}, {3.5f, 0, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_selection.RemoveAll();
        for (int i : c.marks)
            m_selection.AddTail(m_marks[size_t(i)]);
        Show(m_page);
        const auto before = Marks();
        c.edit(*this);
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Marks(), c.after);
        EXPECT_EQ(UndoName().rfind("Undo Edit ", 0), 0u) << UndoName();
        m_doc.OnEditUndo();
        EXPECT_EQ(Marks(), before);
    }
}

TEST_F(FlowPageTest, ARepeatCountOutOfRangeIsRefusedAndNothingApplied)
{
    Select({m_marks[0]});
    Show(m_page);
    const auto before = Marks();
    IgnoreBox(1)->click();
    TypeText(Form(1), PCsqFlowRepeatForm::kRepeat, "10001");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 0 to 10000.");
    EXPECT_EQ(Marks(), before);
    EXPECT_TRUE(m_page.IsModified());
}

TEST_F(FlowPageTest, Screenshots)
{
    Select({m_marks[0], m_marks[1]});
    Show(m_page);
    EXPECT_FALSE(Screenshot(m_page, "inspector-flow-repeat-indeterminate").empty());
    Select({m_marks[2]});
    Show(m_page);
    EXPECT_FALSE(Screenshot(m_page, "inspector-flow-time").empty());
}

}  // namespace
