#include "app/tests/ConductorDialogTest.h"

#include "app/core/AppStrings.h"
#include "app/dialogs/CPerformanceOptionsDlg.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "sequencer/transport/CSequence.h"

#include <QCheckBox>
#include <QAbstractButton>
#include <QApplication>
#include <QHelpEvent>
#include <QToolTip>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <string>

namespace {

using Dlg = CPerformanceOptionsDlg;

class PerformanceOptionsDialogTest : public ConductorDialogTest {
protected:
    CSequence& sequence() { return *doc.GetSequence(); }
    MCTime end() { return performance()->GetConductor()->GetMaxMeasureEndTime(); }
    template <typename Control>
    Control* at(Dlg& dialog, int id) { return plat::ui::item<Control>(&dialog, id); }
    bool checked(Dlg& dialog, int id) { return at<QAbstractButton>(dialog, id)->isChecked(); }
    bool enabled(Dlg& dialog, int id) { return at<QWidget>(dialog, id)->isEnabled(); }
    // OK is refused: the dialog stays open, count prompts have been shown and message last.
    void expectRefused(Dlg& dialog, size_t count, const std::string& message)
    {
        dialog.accept();
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        ASSERT_EQ(m_prompts.Texts().size(), count);
        EXPECT_EQ(m_prompts.Texts().back(), message);
    }
};

// With loop on, the play-region box is checked, disabled and names the loop region; the
// loop-only controls follow the loop switch and the lead-in count follows lead-in.
TEST_F(PerformanceOptionsDialogTest, LoopAndLeadInGovernTheirControls)
{
    sequence().EnableLoopRegion(0);
    sequence().EnablePlayRegion(0);
    sequence().EnableRecordLeadIn(1);
    sequence().EnableRecordRegion(0);
    Dlg dialog(&doc);
    dialog.show();
    auto* play = at<QCheckBox>(dialog, Dlg::kPlayRegion);
    EXPECT_EQ(play->text().toStdString(), "Play Region :");
    EXPECT_FALSE(play->isChecked());
    EXPECT_FALSE(enabled(dialog, Dlg::kPlayStart));
    EXPECT_FALSE(enabled(dialog, Dlg::kLoopSameTrack));
    EXPECT_FALSE(enabled(dialog, Dlg::kLeadInLoop));
    EXPECT_TRUE(enabled(dialog, Dlg::kLeadInCount));
    EXPECT_FALSE(enabled(dialog, Dlg::kRecordStart));

    at<QCheckBox>(dialog, Dlg::kLoop)->click();
    EXPECT_EQ(play->text().toStdString(), "Loop Region :");
    EXPECT_TRUE(play->isChecked());
    EXPECT_FALSE(play->isEnabled());
    EXPECT_TRUE(enabled(dialog, Dlg::kPlayStart));
    EXPECT_TRUE(enabled(dialog, Dlg::kPlayEnd));
    EXPECT_TRUE(enabled(dialog, Dlg::kLoopSameTrack));
    EXPECT_TRUE(enabled(dialog, Dlg::kLeadInLoop));

    at<QCheckBox>(dialog, Dlg::kLeadIn)->click();
    EXPECT_FALSE(enabled(dialog, Dlg::kLeadInCount));
    EXPECT_FALSE(enabled(dialog, Dlg::kLeadInLoop));
    at<QCheckBox>(dialog, Dlg::kRecordRegion)->click();
    EXPECT_TRUE(enabled(dialog, Dlg::kRecordStart));
    apptest::saveScreenshot(dialog, "performance-options.png");

    at<QCheckBox>(dialog, Dlg::kLoop)->click();
    EXPECT_EQ(play->text().toStdString(), "Play Region :");
    EXPECT_FALSE(play->isChecked());
    EXPECT_TRUE(play->isEnabled());
}

// The loop record mode is read from and written to the sequence's two switches.
TEST_F(PerformanceOptionsDialogTest, LoopRecordModeMapsToTheTwoSwitches)
{
    struct Case {
        int sameTrack, autoMute, mode;
    };
    for (const Case c : {Case{1, 1, 2}, Case{1, 0, 2}, Case{0, 1, 0}, Case{0, 0, 1}}) {
        SCOPED_TRACE(c.mode);
        sequence().EnableLoopRecordSameTrack(c.sameTrack);
        sequence().EnableLoopRecordAutoMute(c.autoMute);
        Dlg dialog(&doc);
        EXPECT_EQ(dialog.GetLoopRecordMode(), c.mode);
    }
    const int radios[] = {Dlg::kLoopMuteOld, Dlg::kLoopMonitorAll, Dlg::kLoopSameTrack};
    for (int mode = 0; mode < 3; ++mode) {
        SCOPED_TRACE(mode);
        sequence().EnableLoopRegion(1);
        Dlg dialog(&doc);
        dialog.show();
        ASSERT_TRUE(enabled(dialog, radios[mode]));
        at<QRadioButton>(dialog, radios[mode])->click();
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(sequence().LoopRecordSameTrackEnabled(), mode == 2 ? 1 : 0);
        EXPECT_EQ(sequence().LoopRecordAutoMuteEnabled(), mode == 0 ? 1 : 0);
    }
}

// OK writes the options and regions to the sequence and keeps the recording defaults.
TEST_F(PerformanceOptionsDialogTest, OkWritesTheSequenceAndTheDefaults)
{
    sequence().EnableAutoRewind(1);
    sequence().EnableRecordReplace(0);
    Dlg dialog(&doc);
    dialog.show();
    at<QCheckBox>(dialog, Dlg::kAutoRewind)->click();
    at<QRadioButton>(dialog, Dlg::kReplace)->click();
    at<QCheckBox>(dialog, Dlg::kPlayRegion)->click();
    at<MCTimeEdit>(dialog, Dlg::kPlayStart)->SetTimeValue(MCTime(1.0f));
    at<MCTimeEdit>(dialog, Dlg::kPlayStop)->SetTimeValue(MCTime(3.0f));
    at<MCSpinEdit>(dialog, Dlg::kLeadInCount)->SetValue(4);
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(sequence().AutoRewindEnabled(), 0);
    EXPECT_EQ(sequence().RecordReplaceEnabled(), 1);
    EXPECT_EQ(sequence().PlayRegionEnabled(), 1);
    EXPECT_EQ(sequence().GetNumLeadInMeasures(), 4);
    MCTime start, stop;
    sequence().GetPlayRegion(start, stop);
    EXPECT_EQ(start, MCTime(1.0f));
    EXPECT_EQ(stop, MCTime(3.0f));
    EXPECT_EQ(LoadIntPreference("Sequencer\\Shuttle", "AutoRewind", 1), 0);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Shuttle", "Replace Mode", 0), 1);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Shuttle", "LeadInCount", 0), 4);
}

// A region in use whose start is its stop keeps the dialog open with its message; an unused
// record region does not (its edits only show the play region then).
TEST_F(PerformanceOptionsDialogTest, EqualRegionTimesAreRefused)
{
    {
        Dlg dialog(&doc);
        dialog.show();
        at<MCTimeEdit>(dialog, Dlg::kPlayStop)->SetTimeValue(MCTime::TimeZero());
        at<MCTimeEdit>(dialog, Dlg::kPlayStart)->SetTimeValue(MCTime::TimeZero());
        ASSERT_NO_FATAL_FAILURE(expectRefused(dialog, 1u, AppStrings::text(AppStrings::badPlayRegion)));
    }
    Dlg dialog(&doc);
    dialog.show();
    at<QCheckBox>(dialog, Dlg::kRecordRegion)->click();
    at<MCTimeEdit>(dialog, Dlg::kRecordStart)->SetTimeValue(MCTime(2.0f));
    at<MCTimeEdit>(dialog, Dlg::kRecordStop)->SetTimeValue(MCTime(2.0f));
    ASSERT_NO_FATAL_FAILURE(expectRefused(dialog, 2u, AppStrings::text(AppStrings::badRecordRegion)));
    at<QCheckBox>(dialog, Dlg::kRecordRegion)->click();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_prompts.Texts().size(), 2u);
}

// A region that ends before it starts is refused like an empty one, whether typed or kept
// by the sequence (which opens as the whole piece).
TEST_F(PerformanceOptionsDialogTest, RegionsThatEndBeforeTheyStartAreRefused)
{
    sequence().SetPlayRegion(MCTime(3.0f), MCTime(1.0f));
    sequence().SetRecordRegion(MCTime(2.0f), MCTime(1.0f));
    Dlg dialog(&doc);
    dialog.show();
    for (const int id : {Dlg::kPlayStart, Dlg::kRecordStart})
        EXPECT_EQ(at<MCTimeEdit>(dialog, id)->GetTimeValue(), MCTime::TimeZero()) << id;
    for (const int id : {Dlg::kPlayStop, Dlg::kRecordStop})
        EXPECT_EQ(at<MCTimeEdit>(dialog, id)->GetTimeValue(), end()) << id;

    at<QCheckBox>(dialog, Dlg::kLoop)->click();
    at<MCTimeEdit>(dialog, Dlg::kPlayStart)->SetTimeValue(MCTime(3.0f));
    at<MCTimeEdit>(dialog, Dlg::kPlayStop)->SetTimeValue(MCTime(1.0f));
    ASSERT_NO_FATAL_FAILURE(expectRefused(dialog, 1u, AppStrings::text(AppStrings::badPlayRegion)));
    EXPECT_EQ(sequence().LoopRegionEnabled(), 0);

    at<MCTimeEdit>(dialog, Dlg::kPlayStop)->SetTimeValue(MCTime(5.0f));
    at<QCheckBox>(dialog, Dlg::kRecordRegion)->click();
    at<MCTimeEdit>(dialog, Dlg::kRecordStart)->SetTimeValue(MCTime(4.0f));
    at<MCTimeEdit>(dialog, Dlg::kRecordStop)->SetTimeValue(MCTime(2.0f));
    ASSERT_NO_FATAL_FAILURE(expectRefused(dialog, 2u, AppStrings::text(AppStrings::badRecordRegion)));

    at<MCTimeEdit>(dialog, Dlg::kRecordStop)->SetTimeValue(MCTime(6.0f));
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    MCTime start, stop;
    sequence().GetPlayRegion(start, stop);
    EXPECT_EQ(start, MCTime(3.0f));
    EXPECT_EQ(stop, MCTime(5.0f));
    EXPECT_EQ(sequence().LoopRegionEnabled(), 1);
}

// The lead-in count is checked only while lead-in is on: switched off, the field can be
// neither used nor corrected, so what it holds does not block OK and the count in force stays.
TEST_F(PerformanceOptionsDialogTest, TheLeadInCountCountsOnlyWithLeadIn)
{
    sequence().EnableRecordLeadIn(1);
    sequence().SetNumLeadInMeasures(3);
    Dlg dialog(&doc);
    dialog.show();
    auto* count = at<MCSpinEdit>(dialog, Dlg::kLeadInCount);
    count->setText("99999");
    ASSERT_NO_FATAL_FAILURE(expectRefused(dialog, 1u, "Enter a whole number from 1 to 1000."));

    at<QCheckBox>(dialog, Dlg::kLeadIn)->click();
    EXPECT_FALSE(count->isEnabled());
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(sequence().RecordLeadInEnabled(), 0);
    EXPECT_EQ(sequence().GetNumLeadInMeasures(), 3);
    EXPECT_EQ(LoadIntPreference("Sequencer\\Shuttle", "LeadInCount", 0), 3);
}

// Reset restores the dialog's defaults, both regions spanning the whole piece; the edge
// buttons move one end of a region.
TEST_F(PerformanceOptionsDialogTest, ResetAndEdgeButtons)
{
    sequence().EnableLoopRegion(1);
    sequence().EnableAutoStop(0);
    sequence().SetPlayRegion(MCTime(1.0f), MCTime(2.0f));
    Dlg dialog(&doc);
    dialog.show();
    // The edge buttons say what they do when the pointer rests on them.
    for (const auto& [id, tip] : {std::pair{Dlg::kPlayBegin, "Start of piece"}, {Dlg::kRecordEnd, "End of piece"}}) {
        QWidget* button = at<QAbstractButton>(dialog, id);
        const QPoint inside = button->rect().center();
        QHelpEvent help(QEvent::ToolTip, inside, button->mapToGlobal(inside));
        QApplication::sendEvent(button, &help);
        EXPECT_EQ(QToolTip::text().toStdString(), tip) << id;
    }
    at<QAbstractButton>(dialog, Dlg::kPlayEnd)->click();
    EXPECT_EQ(at<MCTimeEdit>(dialog, Dlg::kPlayStop)->GetTimeValue(), end());
    at<QAbstractButton>(dialog, Dlg::kPlayBegin)->click();
    EXPECT_EQ(at<MCTimeEdit>(dialog, Dlg::kPlayStart)->GetTimeValue(), MCTime::TimeZero());
    at<MCTimeEdit>(dialog, Dlg::kPlayStart)->SetTimeValue(MCTime(1.0f));
    at<QPushButton>(dialog, Dlg::kReset)->click();
    EXPECT_TRUE(checked(dialog, Dlg::kAutoRewind));
    EXPECT_TRUE(checked(dialog, Dlg::kAutoStop));
    EXPECT_FALSE(checked(dialog, Dlg::kLoop));
    EXPECT_TRUE(checked(dialog, Dlg::kLeadIn));
    EXPECT_FALSE(checked(dialog, Dlg::kLeadInLoop));
    EXPECT_FALSE(checked(dialog, Dlg::kRecordRegion));
    EXPECT_FALSE(checked(dialog, Dlg::kPlayRegion));
    EXPECT_TRUE(checked(dialog, Dlg::kMerge));
    EXPECT_TRUE(checked(dialog, Dlg::kLoopMuteOld));
    EXPECT_EQ(at<MCSpinEdit>(dialog, Dlg::kLeadInCount)->GetValue(), 1);
    EXPECT_EQ(at<MCTimeEdit>(dialog, Dlg::kPlayStart)->GetTimeValue(), MCTime::TimeZero());
    EXPECT_EQ(at<MCTimeEdit>(dialog, Dlg::kPlayStop)->GetTimeValue(), end());
    EXPECT_EQ(at<MCTimeEdit>(dialog, Dlg::kRecordStop)->GetTimeValue(), end());
}

}  // namespace
