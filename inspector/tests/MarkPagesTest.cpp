#include "MarkPagesTestSupport.h"

#include "inspector/pages/PCsqAccent.h"
#include "inspector/pages/PCsqChannelMode.h"
#include "inspector/pages/PCsqControlChange.h"
#include "inspector/pages/PCsqPitchBend.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/score/ECMeasure.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/layers/LCsqAccent.h"

#include <QLabel>

namespace {

using namespace markpagestest;

// The user changes a time edit: a new time shown and its change notice sent.
void ChangeTime(QWidget& page, int id, float beats)
{
    auto* edit = plat::ui::item<MCTimeEdit>(&page, id);
    ASSERT_NE(edit, nullptr);
    edit->SetIndeterminate(false);
    edit->SetTimeValue(MCTime(beats));
    edit->OnChange();
}

class AccentPageTest : public MarkPagesTest {
protected:
    void SetUp() override
    {
        MarkPagesTest::SetUp();
        for (int q = 0; q < 2; ++q) {
            ECMeasure* measure = m_doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(float(q)), 0, 0);
            ECNote* note = nullptr;
            for (ECBase* e : *measure->GetChildren())
                if (e->GetEventId() == EventId::Note && e->GetTime()->GetSeconds() == float(q))
                    note = static_cast<ECNote*>(e);
            ASSERT_NE(note, nullptr);
            m_accents[q] = new ECAccent(static_cast<unsigned char>(q));
            note->AddChild(m_accents[q], 1);
            ASSERT_NE(Filter(q), nullptr);
        }
        SetFactors(0, 1.25f, 1.5f);
        SetFactors(1, 1.25f, 0.8f);
    }
    LCsqAccent* Filter(int i)
    {
        auto* data = plat::dynamicDowncast<DCsqBase>(m_accents[i]->GetData(0, 1));
        return data ? plat::dynamicDowncast<LCsqAccent>(data->GetFilter()) : nullptr;
    }
    void SetFactors(int i, float duration, float velocity)
    {
        Filter(i)->SetDurationChange(duration);
        Filter(i)->SetVelocityOnChange(velocity);
    }
    std::vector<float> Factors()
    {
        return {Filter(0)->GetDurationChange(), Filter(0)->GetVelocityOnChange(), Filter(1)->GetDurationChange(),
                Filter(1)->GetVelocityOnChange()};
    }

    ECAccent* m_accents[2] = {};
    PCsqAccent m_page;
};

TEST_F(AccentPageTest, ShowsCommonFactorsInPercentAndAppliesOnlyTheTypedOneInOneStep)
{
    const struct {
        const char* name;
        int field;
        const char* typed;
        std::vector<float> after;
    } cases[] = {
        {"velocity of both, durations kept", PCsqAccent::IDC_VELOCITY, "80", {1.25f, 0.8f, 1.25f, 0.8f}},
        {"duration of both, velocities kept", PCsqAccent::IDC_DURATION, "50", {0.5f, 1.5f, 0.5f, 0.8f}},
        {"no change at all", PCsqAccent::IDC_DURATION, "125", {1.25f, 1.5f, 1.25f, 0.8f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Select({m_accents[0], m_accents[1]});
        Show(m_page);
        EXPECT_EQ(Text(m_page, PCsqAccent::IDC_DURATION), "125");
        EXPECT_EQ(Text(m_page, PCsqAccent::IDC_VELOCITY), "");
        EXPECT_TRUE(Spin(m_page, PCsqAccent::IDC_VELOCITY)->GetIndeterminate());
        EXPECT_EQ(m_page.GetFieldState(PCsqAccent::fieldDuration), PCsqAccent::stateOne);
        EXPECT_EQ(m_page.GetFieldState(PCsqAccent::fieldVelocity), PCsqAccent::stateMixed);
        const std::vector<float> before = Factors();

        Type(m_page, c.field, c.typed);
        EXPECT_TRUE(m_page.IsModified());
        ASSERT_TRUE(m_page.onApply());
        const std::vector<float> after = Factors();
        for (size_t i = 0; i < after.size(); ++i)
            EXPECT_FLOAT_EQ(after[i], c.after[i]) << i;
        EXPECT_EQ(UndoName(), "Edit Accent");
        Undo();
        EXPECT_EQ(Factors(), before);
    }
}

TEST_F(AccentPageTest, APercentOutsideTheRangeIsRefusedAndNothingApplied)
{
    Select({m_accents[0]});
    Show(m_page);
    EXPECT_EQ(Text(m_page, PCsqAccent::IDC_VELOCITY), "150");
    const std::vector<float> before = Factors();
    Type(m_page, PCsqAccent::IDC_VELOCITY, "1500");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 0 to 1000.");
    EXPECT_EQ(Factors(), before);
    EXPECT_EQ(UndoName(), "");
    EXPECT_TRUE(m_page.IsModified());
}

class ControlChangePageTest : public MarkPagesTest {
protected:
    void SetUp() override
    {
        MarkPagesTest::SetUp();
        auto* envelope = EnvelopeOf<ECControllerEnv>(1);
        m_volume[0] = AddPoint(envelope, new ECControlChange(7), 1.0f, 100.0f);
        m_volume[1] = AddPoint(envelope, new ECControlChange(7), 2.0f, 100.0f);
        m_pedal = AddPoint(envelope, new ECPedal, 3.0f, 127.0f);
        m_pedal->SetControllerNum(64);
    }
    std::vector<float> Values() { return {m_volume[0]->GetValue(), m_volume[1]->GetValue(), m_pedal->GetValue()}; }
    std::vector<float> Times()
    {
        return {m_volume[0]->GetTime()->GetSeconds(), m_volume[1]->GetTime()->GetSeconds(),
                m_pedal->GetTime()->GetSeconds()};
    }

    ECControlChange* m_volume[2] = {};
    ECPedal* m_pedal = nullptr;
    PCsqControlChange m_page;
};

TEST_F(ControlChangePageTest, ControllersAndPedalsShowTogetherButOnlyControllersChange)
{
    // What each selection shows, and what typing a value of 90 then does.
    const struct {
        const char* name;
        std::vector<int> selected;  // 0, 1 the controllers, 2 the pedal
        QString controller;
        QString value;
        std::vector<float> after;
    } cases[] = {
        {"two volumes", {0, 1}, QString::fromStdString(GetControllerString(7, 2)), "100", {90, 90, 127}},
        {"a volume and a pedal", {0, 2}, "", "", {90, 100, 127}},
        {"the pedal alone", {2}, QString::fromStdString(GetControllerString(64, 2)), "127", {100, 100, 127}},
    };
    ECBase* elements[] = {m_volume[0], m_volume[1], m_pedal};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_doc.SetModifiedFlag(0);
        m_selection.RemoveAll();
        for (const int i : c.selected)
            m_selection.AddTail(elements[i]);
        Show(m_page);
        EXPECT_EQ(Text(m_page, PCsqControlChange::IDC_CONTROLLER), c.controller);
        EXPECT_EQ(Text(m_page, PCsqControlChange::IDC_VALUE), c.value);
        const std::vector<float> before = Values();
        Type(m_page, PCsqControlChange::IDC_VALUE, "90");
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Values(), c.after);
        if (c.after == before) {
            // Nothing to change leaves no empty step behind and the document unchanged.
            EXPECT_EQ(UndoName(), "");
            EXPECT_FALSE(m_doc.IsModified());
            continue;
        }
        EXPECT_TRUE(m_doc.IsModified());
        Undo();
        EXPECT_EQ(Values(), before);
    }
}

TEST_F(ControlChangePageTest, ANewTimeMovesTheControllersAndKeepsTheirValues)
{
    Select({m_volume[0], m_volume[1]});
    m_volume[1]->SetValue(60.0f);
    Show(m_page);
    EXPECT_EQ(Text(m_page, PCsqControlChange::IDC_TIME), "");
    EXPECT_EQ(m_page.GetFieldState(PCsqControlChange::fieldTime), PCsqControlChange::stateMixed);
    EXPECT_EQ(m_page.GetFieldState(PCsqControlChange::fieldValue), PCsqControlChange::stateMixed);
    EXPECT_EQ(m_page.GetFieldState(PCsqControlChange::fieldController), PCsqControlChange::stateOne);
    ChangeTime(m_page, PCsqControlChange::IDC_TIME, 5.0f);
    EXPECT_EQ(m_page.GetFieldState(PCsqControlChange::fieldTime), PCsqControlChange::stateChanged);
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Times(), (std::vector<float>{5, 5, 3}));
    EXPECT_EQ(Values(), (std::vector<float>{100, 60, 127}));
    EXPECT_EQ(UndoName(), "Edit Control Change");
    Undo();
    EXPECT_EQ(Times(), (std::vector<float>{1, 2, 3}));
}

TEST_F(ControlChangePageTest, AValueAbove127IsRefusedAndNothingApplied)
{
    Select({m_volume[0]});
    Show(m_page);
    Type(m_page, PCsqControlChange::IDC_VALUE, "128");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 0 to 127.");
    EXPECT_EQ(Values(), (std::vector<float>{100, 100, 127}));
    EXPECT_EQ(UndoName(), "");
}

class PitchBendPageTest : public MarkPagesTest {
protected:
    void SetUp() override
    {
        MarkPagesTest::SetUp();
        auto* envelope = EnvelopeOf<ECPitchBendEnv>(1);
        m_bends[0] = AddPoint(envelope, new ECPitchBend, 1.0f, 8192.0f);
        m_bends[1] = AddPoint(envelope, new ECPitchBend, 2.0f, 8292.0f);
    }
    std::vector<float> Values() { return {m_bends[0]->GetValue(), m_bends[1]->GetValue()}; }
    std::vector<float> Times() { return {m_bends[0]->GetTime()->GetSeconds(), m_bends[1]->GetTime()->GetSeconds()}; }

    ECPitchBend* m_bends[2] = {};
    PCsqPitchBend m_page;
};

TEST_F(PitchBendPageTest, TheBendIsShownAndTypedAroundItsCentre)
{
    const struct {
        float stored;
        QString shown;
        const char* typed;
        float after;
    } cases[] = {
        {8192.0f, "0", "100", 8292.0f},
        {0.0f, "-8192", "0", 8192.0f},
        {16383.0f, "8191", "-8192", 0.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        m_bends[0]->SetValue(c.stored);
        Select({m_bends[0]});
        Show(m_page);
        EXPECT_EQ(Text(m_page, PCsqPitchBend::IDC_VALUE), c.shown);
        Type(m_page, PCsqPitchBend::IDC_VALUE, c.typed);
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(m_bends[0]->GetValue(), c.after);
        EXPECT_EQ(UndoName(), "Edit Pitch Bend");
        Undo();
        EXPECT_EQ(m_bends[0]->GetValue(), c.stored);
    }
}

TEST_F(PitchBendPageTest, DifferentBendsShowNoValueAndANewTimeKeepsBoth)
{
    Select({m_bends[0], m_bends[1]});
    Show(m_page);
    EXPECT_TRUE(Spin(m_page, PCsqPitchBend::IDC_VALUE)->GetIndeterminate());
    EXPECT_EQ(Text(m_page, PCsqPitchBend::IDC_VALUE), "");
    EXPECT_EQ(Text(m_page, PCsqPitchBend::IDC_TIME), "");
    ChangeTime(m_page, PCsqPitchBend::IDC_TIME, 6.0f);
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Times(), (std::vector<float>{6, 6}));
    EXPECT_EQ(Values(), (std::vector<float>{8192, 8292}));
    Undo();
    EXPECT_EQ(Times(), (std::vector<float>{1, 2}));
    EXPECT_EQ(UndoName(), "");
}

TEST_F(PitchBendPageTest, ABendPastTheRangeIsRefusedAndNothingApplied)
{
    Select({m_bends[0]});
    Show(m_page);
    Type(m_page, PCsqPitchBend::IDC_VALUE, "9000");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from -8192 to 8191.");
    EXPECT_EQ(Values(), (std::vector<float>{8192, 8292}));
    EXPECT_EQ(UndoName(), "");
}

TEST_F(PitchBendPageTest, ScreenshotsOfTheSmallPages)
{
    Select({m_bends[0], m_bends[1]});
    Show(m_page);
    m_page.resize(m_page.sizeHint().expandedTo(QSize(280, 120)));
    m_page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-pitch-bend-mixed").empty());

    PCsqChannelMode channelMode;
    Show(channelMode);
    ASSERT_EQ(channelMode.findChildren<QLabel*>().size(), 1);
    EXPECT_EQ(channelMode.findChildren<QLabel*>()[0]->text(), "<< CHANNEL MODE >>");
    EXPECT_EQ(channelMode.windowTitle(), "&Performance");
    channelMode.resize(280, 120);
    channelMode.show();
    EXPECT_FALSE(widgettest::saveScreenshot(channelMode, "inspector-channel-mode").empty());
}

TEST_F(ControlChangePageTest, Screenshot)
{
    Select({m_volume[0], m_volume[1]});
    Show(m_page);
    m_page.resize(m_page.sizeHint().expandedTo(QSize(300, 140)));
    m_page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-control-change").empty());
}

TEST_F(AccentPageTest, Screenshot)
{
    Select({m_accents[0], m_accents[1]});
    Show(m_page);
    m_page.resize(m_page.sizeHint().expandedTo(QSize(300, 120)));
    m_page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-accent-mixed-velocity").empty());
}

}  // namespace
