#include "MarkPagesTestSupport.h"

#include "inspector/pages/PCsqStaffAppearance.h"
#include "inspector/pages/PCsqStaffPerform.h"
#include "interface/pickers/MCIntervalBox.h"

#include <QComboBox>

#include <limits>

namespace {

using namespace markpagestest;
using Appearance = PCsqStaffAppearance;
using Perform = PCsqStaffPerform;

class StaffAppearanceTest : public MarkPagesTest {
protected:
    std::vector<unsigned int> Channels(int staff)
    {
        std::vector<unsigned int> channels;
        for (int voice = 0; voice < 8; ++voice)
            channels.push_back(TrackData(staff)->GetVoiceMap(voice)->GetChannel());
        return channels;
    }
    QComboBox* Types() { return plat::ui::item<QComboBox>(&m_page, Appearance::IDC_TYPE); }
    void Choose(int index)
    {
        Types()->setCurrentIndex(index);
        emit Types()->activated(index);
    }

    Appearance m_page;
};

TEST_F(StaffAppearanceTest, TheTypeChosenIsAppliedAloneAndADrumStaffPlaysOnChannelTen)
{
    ECText* flute = NameStaff(1, "Flute");
    ECText* oboe = NameStaff(2, "Oboe");
    const std::vector<unsigned int> before1 = Channels(1);
    const std::vector<unsigned int> before2 = Channels(2);
    ASSERT_NE(before1, std::vector<unsigned int>(8, Appearance::kDrumChannel));
    const struct {
        const char* item;
        int type;
        bool drums;
    } cases[] = {{"Vocal Staff", 6, false}, {"Drum Staff", 3, true}, {"Grand Staff (Piano)", 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        Select({Staff(1), Staff(2)});
        Show(m_page);
        // Different names show none; the name is left as it is.
        EXPECT_EQ(Text(m_page, Appearance::IDC_NAME), "");
        EXPECT_EQ(m_page.GetFieldState(Appearance::fieldName), Appearance::stateMixed);
        EXPECT_EQ(Types()->currentText(), "Normal Staff");
        Choose(Types()->findText(c.item));
        ASSERT_TRUE(m_page.onApply());
        for (const int staff : {1, 2}) {
            EXPECT_EQ(Staff(staff)->GetStaffType(), c.type);
            EXPECT_EQ(Channels(staff) == std::vector<unsigned int>(8, Appearance::kDrumChannel), c.drums);
        }
        EXPECT_EQ(flute->GetText(), "Flute");
        EXPECT_EQ(oboe->GetText(), "Oboe");
        EXPECT_EQ(UndoName(), "Edit Staff");
        Undo();
        EXPECT_EQ(Staff(1)->GetStaffType(), 0);
        EXPECT_EQ(Channels(1), before1);
        EXPECT_EQ(Channels(2), before2);
        EXPECT_EQ(UndoName(), "");
    }
}

TEST_F(StaffAppearanceTest, ATypedNameRenamesTheStavesThatHaveANameText)
{
    ECText* flute = NameStaff(1, "Flute");
    ASSERT_EQ(TrackData(2)->GetTrackName(), nullptr);
    Select({Staff(1), Staff(2)});
    Show(m_page);
    // The staff without a name text is left out of the name shown.
    EXPECT_EQ(Text(m_page, Appearance::IDC_NAME), "Flute");
    Type(m_page, Appearance::IDC_NAME, "Piccolo");
    EXPECT_EQ(m_page.GetFieldState(Appearance::fieldName), Appearance::stateChanged);
    EXPECT_EQ(m_page.GetFieldState(Appearance::fieldType), Appearance::stateOne);
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(flute->GetText(), "Piccolo");
    EXPECT_EQ(TrackData(2)->GetTrackName(), nullptr);
    EXPECT_EQ(Staff(1)->GetStaffType(), 0);
    Undo();
    EXPECT_EQ(flute->GetText(), "Flute");
}

TEST_F(StaffAppearanceTest, AStaffTypeTheListDoesNotOfferShowsNoChoice)
{
    const struct {
        int type;
        int index;
    } cases[] = {{0, 0}, {1, 1}, {3, 2}, {6, 3}, {2, -1}, {4, -1}, {5, -1}, {7, -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        Staff(1)->SetStaffType(static_cast<unsigned char>(c.type));
        Select({Staff(1)});
        Show(m_page);
        EXPECT_EQ(Types()->currentIndex(), c.index);
        EXPECT_EQ(Appearance::IndexOfStaffType(c.type), c.index);
    }
}

class StaffPerformTest : public MarkPagesTest {
protected:
    void Transpose(float first, float second)
    {
        TrackData(1)->SetTrackTransposition(first);
        TrackData(2)->SetTrackTransposition(second);
    }
    std::vector<float> Transpositions()
    {
        return {TrackData(1)->GetTrackTransposition(), TrackData(2)->GetTrackTransposition()};
    }
    MCIntervalBox* Intervals() { return plat::ui::item<MCIntervalBox>(&m_page, Perform::IDC_INTERVAL); }
    MCButton* Direction() { return plat::ui::item<MCButton>(&m_page, Perform::IDC_DIRECTION); }
    void ClickDirection()
    {
        ASSERT_EQ(Direction()->GetStateCount(), 2);
        m_page.show();
        QTest::mouseClick(Direction(), Qt::LeftButton);
    }
    void ChooseInterval(const QString& name)
    {
        const int index = Intervals()->findText(name);
        ASSERT_GE(index, 0) << name.toStdString();
        Intervals()->setCurrentIndex(index);
        emit Intervals()->activated(index);
    }

    widgettest::ProfileFolder m_settings;
    Perform m_page;
};

TEST_F(StaffPerformTest, WhatTheUserChangesIsWrittenAndWhatTheyLeftStaysEachStaffsOwn)
{
    const struct {
        const char* name;
        float first, second;
        QString octaves, halfSteps;
        int directionState;
        std::function<void()> edit;
        std::vector<float> after;
    } cases[] = {
        {"an interval, then down", 2, 2, "0", "2", Perform::stateOne,
         [this] {
             ChooseInterval("Perfect 5th");
             EXPECT_EQ(Text(m_page, Perform::IDC_OCTAVES), "0");
             EXPECT_EQ(Text(m_page, Perform::IDC_HALF_STEPS), "7");
             ClickDirection();
         },
         {-7, -7}},
        {"a size with the directions mixed", 2, -2, "0", "2", Perform::stateMixed,
         [this] { Type(m_page, Perform::IDC_HALF_STEPS, "5"); }, {5, -5}},
        {"down with the sizes mixed", 2, 7, "", "", Perform::stateOne,
         [this] { ClickDirection(); }, {-2, -7}},
        {"octaves typed with the sizes mixed", 3, -5, "", "", Perform::stateMixed,
         [this] { Type(m_page, Perform::IDC_OCTAVES, "1"); }, {12, -12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Transpose(c.first, c.second);
        Select({Staff(1), Staff(2)});
        Show(m_page);
        EXPECT_EQ(Text(m_page, Perform::IDC_OCTAVES), c.octaves);
        EXPECT_EQ(Text(m_page, Perform::IDC_HALF_STEPS), c.halfSteps);
        EXPECT_EQ(m_page.GetFieldState(Perform::fieldDirection), c.directionState);
        c.edit();
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Transpositions(), c.after);
        EXPECT_EQ(UndoName(), "Edit Staff");
        Undo();
        EXPECT_EQ(Transpositions(), (std::vector<float>{c.first, c.second}));
    }
}

TEST_F(StaffPerformTest, TheListNamesTheIntervalOfTheSizeTyped)
{
    Transpose(0, 0);
    Select({Staff(1)});
    Show(m_page);
    Type(m_page, Perform::IDC_OCTAVES, "1");
    EXPECT_EQ(Intervals()->currentText(), "Octave");
    EXPECT_EQ(m_page.GetIntervalName(), "Octave");
    Type(m_page, Perform::IDC_HALF_STEPS, "1");
    EXPECT_EQ(Intervals()->currentText(), "Minor 9th");
    // No interval spans 16 half steps.
    Type(m_page, Perform::IDC_HALF_STEPS, "4");
    EXPECT_EQ(Intervals()->currentIndex(), -1);
    EXPECT_EQ(m_page.GetIntervalName(), "");
    ASSERT_TRUE(m_page.onApply());
    EXPECT_EQ(Transpositions(), (std::vector<float>{16, 0}));

    // A staff shown again names its own interval, not the one typed before.
    Transpose(4, 0);
    Show(m_page);
    EXPECT_EQ(Intervals()->currentText(), "Major 3rd");
}

TEST_F(StaffPerformTest, HalfStepsPastTheRangeAreRefusedAndNothingApplied)
{
    Transpose(2, 2);
    Select({Staff(1), Staff(2)});
    Show(m_page);
    Type(m_page, Perform::IDC_HALF_STEPS, "300");
    EXPECT_FALSE(m_page.onApply());
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from -255 to 255.");
    EXPECT_EQ(Transpositions(), (std::vector<float>{2, 2}));
    EXPECT_EQ(UndoName(), "");
}

TEST_F(StaffPerformTest, StoredTranspositionsPastTheEditsShowAtTheirEnds)
{
    const struct {
        float stored;
        QString octaves, halfSteps;
        int down;
    } cases[] = {
        {3e9f, "255", "11", 0},
        {-3e9f, "255", "11", 1},
        {std::numeric_limits<float>::max(), "255", "11", 0},
        {-std::numeric_limits<float>::max(), "255", "11", 1},
        {3071.9f, "255", "11", 0},
        {-24.5f, "2", "0", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        Transpose(c.stored, c.stored);
        Select({Staff(1)});
        Show(m_page);
        EXPECT_EQ(Text(m_page, Perform::IDC_OCTAVES), c.octaves);
        EXPECT_EQ(Text(m_page, Perform::IDC_HALF_STEPS), c.halfSteps);
        EXPECT_EQ(Direction()->GetButtonState(), c.down);
        // Turning only the direction keeps the staff's own size.
        ClickDirection();
        ASSERT_TRUE(m_page.onApply());
        EXPECT_EQ(Transpositions(), (std::vector<float>{-c.stored, c.stored}));
        Undo();
    }
}

TEST_F(StaffPerformTest, Screenshots)
{
    Transpose(7, -7);
    Select({Staff(1), Staff(2)});
    Show(m_page);
    // Shown before it was ever placed, the page still names the common size's interval.
    EXPECT_EQ(Intervals()->currentText(), "Perfect 5th");
    m_page.resize(m_page.sizeHint().expandedTo(QSize(320, 160)));
    m_page.show();
    EXPECT_FALSE(widgettest::saveScreenshot(m_page, "inspector-staff-perform").empty());

    NameStaff(1, "Flute");
    NameStaff(2, "Oboe");
    PCsqStaffAppearance appearance;
    Show(appearance);
    appearance.resize(appearance.sizeHint().expandedTo(QSize(320, 160)));
    appearance.show();
    EXPECT_FALSE(widgettest::saveScreenshot(appearance, "inspector-staff-appearance-mixed-name").empty());
}

}  // namespace
