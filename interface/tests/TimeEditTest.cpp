#include "interface/tests/WidgetTestSupport.h"

#include "interface/controls/MCTimeEdit.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

// A piece in 4/4 throughout, or with a 3/4 bar from bar 3 (index 2) on.
class FixedMeters : public MCTimeSource {
public:
    int beatsFromBar2 = 4;

    void BarPulseTickTime(MCTime& time) override
    {
        if (time.GetMode() == MCTime::barPulseTick)
            return;
        const long ppq = MCTime::GlobalPPQ;
        long ticks = time.GetTicks(ppq);
        int bar = 0;
        while (ticks >= beats(bar) * ppq) {
            ticks -= beats(bar) * ppq;
            ++bar;
        }
        time.SetBarPulseTick(bar, int(ticks / ppq), int(ticks % ppq), int(ppq));
    }
    void NormalizeTime(MCTime& time) override
    {
        const BPTTime* bpt = time.GetBarPulseTick();
        if (!bpt)
            return;
        double quarters = 0;
        for (int bar = 0; bar < bpt->bar; ++bar)
            quarters += beats(bar);
        quarters += bpt->pulse + double(bpt->tick) / bpt->ppq;
        time = MCTime(float(quarters));
    }
    int MeterNumerator(const MCTime& time) override
    {
        MCTime position = time;
        BarPulseTickTime(position);
        return beats(position.GetBarPulseTick() ? position.GetBarPulseTick()->bar : 0);
    }

private:
    long beats(int bar) const { return bar >= 2 ? beatsFromBar2 : 4; }
};

class TimeEditTest : public testing::Test {
protected:
    void SetUp() override
    {
        previousPpq = MCTime::GlobalPPQ;
        MCTime::SetGlobalPPQ(480);
        MCTimeSource::SetActiveProvider([this] { return active ? &meters : nullptr; });
    }
    void TearDown() override
    {
        MCTimeSource::SetActiveProvider(nullptr);
        MCTime::SetGlobalPPQ(previousPpq);
    }

    static MCTime bpt(int bar, int pulse, int tick)
    {
        MCTime time(bar, pulse, tick, 480);
        return time;
    }
    MCTime normal(int bar, int pulse, int tick)
    {
        MCTime time = bpt(bar, pulse, tick);
        meters.NormalizeTime(time);
        return time;
    }
    static std::string format(const MCTime& time, int format, int duration = 0, int indeterminate = 0)
    {
        std::string text;
        MCTimeEdit::FormatTimeString(text, time, format, duration, indeterminate);
        return text;
    }

    widgettest::ProfileFolder folder;
    FixedMeters meters;
    bool active = true;
    long previousPpq = 480;
};

TEST_F(TimeEditTest, EachFormatShowsItsText)
{
    const MCTime position = normal(4, 2, 240);
    struct Case {
        int format;
        const char* text;
    };
    const Case cases[] = {
        {0, "005:03"}, {1, "005:03:240"}, {2, "005:03.500"}, {3, "03.500"}, {5, "0018:240"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(format(position, c.format), c.text);
    }
    EXPECT_EQ(format(MCTime(3725.5f), 4), "1:02:05.500");
    // Milliseconds are rounded: 2.3 s is not shown as 2.299.
    EXPECT_EQ(format(MCTime(2.3f), 4), "0:00:02.300");
    EXPECT_EQ(format(MCTime(2.25f), 1, 1), "0002:120");
    EXPECT_EQ(format(position, 1, 0, 1), "");
    std::string text = "old";
    EXPECT_EQ(MCTimeEdit::FormatTimeString(text, position, 9, 0, 0), 0);
    EXPECT_EQ(text, "");
    // The user's format when asked for -1.
    EXPECT_EQ(format(position, -1), "005:03:240");
    SaveIntPreference("Settings\\Interface\\TimeEdit", "Format", 3);
    EXPECT_EQ(format(position, -1), "03.500");
}

TEST_F(TimeEditTest, WithoutADocumentOrForANullTimeTheBlankShows)
{
    EXPECT_EQ(format(MCTime::TimeNull(), 2), "---:--.---");
    active = false;
    const char* blanks[] = {"---:--", "---:--:---", "---:--.---", "--.---", "-:--:--:--", "---:--"};
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(format(MCTime(1.0f), f), blanks[f]);
    // A duration needs no document.
    EXPECT_EQ(format(MCTime(1.5f), 0, 1), "0001:240");
    EXPECT_EQ(MCTimeEdit::GetTimeFromString("005:03:240", nullptr, 1, 0), MCTime::TimeZero());
}

TEST_F(TimeEditTest, TextsReadBackWithTheDefaultsOfMissingFields)
{
    struct Case {
        const char* text;
        int format;
        MCTime expected;
    };
    const Case cases[] = {
        {"005:03:240", 1, normal(4, 2, 240)},
        {"005:03.500", 2, normal(4, 2, 240)},
        {"03.500", 3, normal(0, 2, 240)},
        {"005:03", 0, normal(4, 2, 0)},
        {"000:00", 0, normal(0, 0, 0)},  // a bar or beat of 0 counts as 1
        {"7", 1, normal(6, 0, 0)},
        {" 2 : 3", 1, normal(1, 0, 0)},  // the literal must follow the number at once
        {"x", 1, normal(0, 0, 0)},
        {"0018:240", 5, MCTime(18.5f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(MCTimeEdit::GetTimeFromString(c.text, &meters, c.format, 0), c.expected);
    }
    const MCTime clock = MCTimeEdit::GetTimeFromString("1:02:05.5", &meters, 4, 0);
    EXPECT_EQ(clock.GetMode(), MCTime::clock);
    EXPECT_FLOAT_EQ(clock.GetSeconds(), 3725.5f);
    EXPECT_FLOAT_EQ(MCTimeEdit::GetTimeFromString("1:30", &meters, 4, 0).GetSeconds(), 5400.0f);
    EXPECT_FLOAT_EQ(MCTimeEdit::GetTimeFromString("0002:120", nullptr, 1, 1).GetSeconds(), 2.25f);
    EXPECT_FLOAT_EQ(MCTimeEdit::GetTimeFromString("3", nullptr, 1, 1).GetSeconds(), 3.0f);

    // Every format reads back what it shows.
    for (int f = 0; f <= 5; ++f) {
        SCOPED_TRACE(f);
        const MCTime time = f == 0 ? normal(7, 1, 0) : f == 3 ? normal(0, 3, 120) : normal(12, 2, 360);
        const MCTime back = MCTimeEdit::GetTimeFromString(format(time, f), &meters, f, 0);
        if (f == 4)
            EXPECT_FLOAT_EQ(back.GetSeconds(), time.GetSeconds());
        else
            EXPECT_EQ(back, time);
    }
}

// A position held at the last bar an int counts may hold more ticks than a beat: shown in
// thousandths of a beat, they show as the most an int counts (they made a number beyond the
// int range before).
TEST_F(TimeEditTest, TicksBeyondABeatAtTheLastBarShowAsTheMostThousandths)
{
    class LastBar : public FixedMeters {
    public:
        void BarPulseTickTime(MCTime& time) override { time.SetBarPulseTick(INT_MAX, 0, INT_MAX, 480); }
    } lastBar;
    MCTimeSource::SetActiveProvider([&lastBar] { return &lastBar; });
    EXPECT_EQ(format(MCTime(1.0f), 1), "2147483647:01:2147483647");
    EXPECT_EQ(format(MCTime(1.0f), 2), "2147483647:01.2147483647");
    EXPECT_EQ(format(MCTime(1.0f), 3), "01.2147483647");
}

class NoticeWindow : public QWidget, public plat::ui::NoticeListener {
public:
    std::vector<std::pair<int, int>> notices;
    void onNotice(int id, int code, QWidget*) override { notices.emplace_back(id, code); }
};

class TimeEditWidgetTest : public TimeEditTest {
protected:
    NoticeWindow window;
    MCTimeEdit* edit = nullptr;

    void SetUp() override
    {
        TimeEditTest::SetUp();
        auto* layout = new QGridLayout(&window);
        auto* placeholder = new QLineEdit;
        plat::ui::setItemId(placeholder, 1700);
        layout->addWidget(placeholder, 0, 0);
        edit = new MCTimeEdit;
        ASSERT_TRUE(edit->SubclassTimeEdit(1700, &window, 1, MCSpinEdit::kVisibleSpin));
        edit->SetTimeValue(normal(0, 0, 0));
        window.show();
        QApplication::setActiveWindow(&window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        edit->setFocus();
    }
};

TEST_F(TimeEditWidgetTest, GroupsAreChosenByKeysAndSpunWithinTheirRanges)
{
    EXPECT_EQ(edit->text(), "001:01:000");
    EXPECT_EQ(edit->selectedText(), "001");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "002:01:000");
    EXPECT_EQ(edit->GetTimeValue(), normal(1, 0, 0));
    EXPECT_EQ(window.notices.back(), std::make_pair(1700, 0x30C0));

    QTest::keyClick(edit, Qt::Key_Right);
    EXPECT_EQ(edit->GetCurrentGroup(), 1);
    EXPECT_EQ(edit->selectedText(), "01");
    QTest::keyClick(edit, Qt::Key_Down);  // beat 1 down stops at 1
    EXPECT_EQ(edit->text(), "002:01:000");
    int lower = 0, upper = 0;
    edit->GetRange(lower, upper);
    EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(1, 4));
    QTest::keyClick(edit, Qt::Key_Colon);
    EXPECT_EQ(edit->GetCurrentGroup(), 2);
    edit->GetRange(lower, upper);
    EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(0, 480));
    QTest::keyClick(edit, Qt::Key_Space);
    EXPECT_EQ(edit->GetCurrentGroup(), 0);
    QTest::keyClick(edit, Qt::Key_Left);
    EXPECT_EQ(edit->GetCurrentGroup(), 2);

    // The beat range follows the meter in force: 3/4 from bar 3.
    meters.beatsFromBar2 = 3;
    edit->SetTimeValue(normal(4, 0, 0));
    edit->SetGroup(1, true);
    edit->GetRange(lower, upper);
    EXPECT_EQ(upper, 3);
}

// A whole time typed over the whole text goes group by group, wherever the edit was clicked.
TEST_F(TimeEditWidgetTest, AWholeTimeTypedOverTheWholeTextIsTaken)
{
    edit->SetTimeValue(normal(0, 0, 0));
    for (const int group : {1, 2}) {
        SCOPED_TRACE(group);
        edit->SetGroup(group, true);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, "005:02:120");
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_EQ(edit->GetTimeValue(), normal(4, 1, 120));
        EXPECT_EQ(edit->text(), "005:02:120");
    }
}

// Typed over the whole text, a time comes out as typed, a bar past 999 included; a digit that
// would put its group past what it can show (a beat the bar's meter lacks, a tick past a beat,
// a minute past 59) is refused, so no group carries into the next.
TEST_F(TimeEditWidgetTest, TypedTimesComeOutAsTypedOrTheDigitIsRefused)
{
    meters.beatsFromBar2 = 3;
    struct Case {
        int format;
        const char* typed;
        const char* shown;
        MCTime time;
    };
    const Case cases[] = {
        {1, "1500:03:000", "1500:03:000", normal(1499, 2, 0)},
        {1, "999:9:999", "999:01:099", normal(998, 0, 99)},
        {1, "2:4:479", "002:04:479", normal(1, 3, 479)},
        {1, "3:4:480", "003:01:048", normal(2, 0, 48)},
        {2, "1200:2.5000", "1200:02.500", normal(1199, 1, 240)},
        {3, "3.250", "03.250", normal(0, 2, 120)},
        {4, "1:75:61.5", "1:07:06.500", MCTime(3600.0f + 7 * 60 + 6.5f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        edit->SetTimeFormat(c.format);
        edit->SetTimeValue(c.format == 4 ? MCTime(0.0f) : normal(0, 0, 0));
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, c.typed);
        edit->clearFocus();
        EXPECT_EQ(edit->text().toStdString(), c.shown);
        edit->setFocus();
        if (c.format == 4)
            EXPECT_FLOAT_EQ(edit->GetTimeValue().GetSeconds(), c.time.GetSeconds());
        else
            EXPECT_EQ(edit->GetTimeValue(), c.time);
    }
}

// The groups follow the text: after a four-digit bar the beat and tick groups are still the
// beat's and the tick's digits, to select, click and spin.
TEST_F(TimeEditWidgetTest, GroupsFollowABarWiderThanThreeDigits)
{
    edit->SetTimeValue(normal(1499, 2, 0));
    EXPECT_EQ(edit->text(), "1500:03:000");
    edit->SetGroup(1, true);
    EXPECT_EQ(edit->selectedText(), "03");
    edit->SetGroup(2, true);
    EXPECT_EQ(edit->selectedText(), "000");
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "1500:03:001");
    EXPECT_EQ(edit->GetTimeValue(), normal(1499, 2, 1));
    EXPECT_EQ(edit->GetGroup(5), 1);
    EXPECT_EQ(edit->GetGroup(9), 2);
}

// A pasted time is taken when every group reads within its range; otherwise the paste is
// refused and the text and time stay as they were.
TEST_F(TimeEditWidgetTest, APastedTimeIsTakenOrRefusedWhole)
{
    struct Case {
        const char* pasted;
        const char* shown;
        MCTime time;
    };
    const Case cases[] = {
        {"1500:03:120", "1500:03:120", normal(1499, 2, 120)},
        {"999:9:999", "007:02:000", normal(6, 1, 0)},
        {"5:2:1x", "007:02:000", normal(6, 1, 0)},
        {"5:2:1:4", "007:02:000", normal(6, 1, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pasted);
        edit->SetTimeValue(normal(6, 1, 0));
        QApplication::clipboard()->setText(c.pasted);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(edit->GetTimeValue(), c.time);
        edit->clearFocus();
        EXPECT_EQ(edit->text().toStdString(), c.shown);
        EXPECT_EQ(edit->GetTimeValue(), c.time);
        edit->setFocus();
    }
}

TEST_F(TimeEditWidgetTest, TypingTakesDigitsAndThePointOnlyInTheFraction)
{
    edit->SetTimeFormat(2);
    edit->SetTimeValue(normal(0, 0, 0));
    edit->SetGroup(0, true);
    QTest::keyClicks(edit, ".x5");
    EXPECT_EQ(edit->text(), "5:01.000");
    EXPECT_EQ(edit->GetTimeValue(), normal(4, 0, 0));
    // Typing 0 for the bar gives the first bar.
    edit->SetTimeValue(normal(4, 0, 0));
    edit->SetGroup(0, true);
    QTest::keyClicks(edit, "0");
    EXPECT_EQ(edit->GetTimeValue(), normal(0, 0, 0));
    // The thousandths group takes a point and spins over every shown value.
    edit->SetTimeValue(normal(0, 0, 0));
    edit->SetGroup(2, true);
    int lower = 0, upper = 0;
    edit->GetRange(lower, upper);
    EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(0, 999));
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), "001:01.000");
    edit->Spin().SetPos(499);
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "001:01.500");
    EXPECT_EQ(edit->GetTimeValue(), normal(0, 0, 240));
}

TEST_F(TimeEditWidgetTest, TheClockGroupsStepWithinWhatTheyShow)
{
    edit->SetTimeFormat(4);
    edit->SetTimeValue(MCTime(3725.5f));
    EXPECT_EQ(edit->text(), "1:02:05.500");
    edit->SetGroup(2, true);
    int lower = 0, upper = 0;
    edit->GetRange(lower, upper);
    EXPECT_EQ(std::make_pair(lower, upper), std::make_pair(0, 59));
    QTest::keyClick(edit, Qt::Key_Up);
    EXPECT_EQ(edit->text(), "1:02:06.500");
    EXPECT_FLOAT_EQ(edit->GetTimeValue().GetSeconds(), 3726.5f);
    edit->SetGroup(1, true);
    QTest::keyClick(edit, Qt::Key_Down);
    EXPECT_EQ(edit->text(), "1:01:06.500");
}

TEST_F(TimeEditWidgetTest, WithoutADocumentTheBlankShowsAndTypingIsNotTaken)
{
    active = false;
    edit->SetTimeValue(MCTime(3.0f));
    EXPECT_EQ(edit->text(), "---:--:---");
    edit->SetGroup(0, true);
    QTest::keyClicks(edit, "5");
    EXPECT_EQ(edit->GetTimeValue(), MCTime(3.0f));
}

TEST_F(TimeEditWidgetTest, AllSixFormats)
{
    QWidget sheet;
    auto* layout = new QGridLayout(&sheet);
    const char* names[] = {"bar:beat", "bar:beat:tick", "bar:beat.thousandths", "beat.thousandths",
                           "h:mm:ss.mmm", "beats:ticks"};
    for (int f = 0; f < 6; ++f) {
        auto* time = new MCTimeEdit;
        time->InitWindow(MCSpinEdit::kVisibleSpin);
        time->SetTimeFormat(f);
        time->SetTimeValue(f == 4 ? MCTime(3725.5f) : normal(4, 2, 240));
        layout->addWidget(new QLabel(names[f]), f, 0);
        layout->addWidget(time, f, 1);
    }
    auto* duration = new MCTimeEdit;
    duration->InitWindow(MCSpinEdit::kVisibleSpin);
    duration->SetShowDuration(true);
    duration->SetTimeValue(MCTime(2.25f));
    layout->addWidget(new QLabel("duration"), 6, 0);
    layout->addWidget(duration, 6, 1);
    sheet.show();
    EXPECT_EQ(duration->text(), "0002:120");
    EXPECT_FALSE(widgettest::saveScreenshot(sheet, "time-edits").empty());
}

}  // namespace
