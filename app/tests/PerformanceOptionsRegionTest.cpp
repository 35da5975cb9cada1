#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CPerformanceOptionsDlg.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/score/ECConductor.h"
#include "sequencer/transport/CSequence.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Dlg = CPerformanceOptionsDlg;

class PerformanceOptionsRegionTest : public ConductorDialogTest {
protected:
    CSequence& sequence() { return *doc.GetSequence(); }
    static MCTimeEdit* edit(Dlg& dialog, int id) { return plat::ui::item<MCTimeEdit>(&dialog, id); }
    static MCTime shown(Dlg& dialog, int id) { return edit(dialog, id)->GetTimeValue(); }
};

// With the record region off, its greyed edits show the play region as the user changes it (by
// the spin keys or the end buttons), not as it was when the dialog opened; switched on they
// show the record region's own times, and OK keeps them.
TEST_F(PerformanceOptionsRegionTest, AnUnusedRecordRegionShowsThePlayRegionAsItStands)
{
    const MCTime end = performance()->GetConductor()->GetMaxMeasureEndTime();
    sequence().EnableLoopRegion(0);
    sequence().EnablePlayRegion(1);
    sequence().SetPlayRegion(MCTime::TimeZero(), end);
    sequence().EnableRecordRegion(0);
    sequence().SetRecordRegion(MCTime(1.0f), MCTime(3.0f));
    Dlg dialog(&doc);
    dialog.show();
    EXPECT_EQ(shown(dialog, Dlg::kRecordStart), MCTime::TimeZero());
    EXPECT_EQ(shown(dialog, Dlg::kRecordStop), end);

    // The user types a play region inside the piece.
    for (const auto& [id, text] : {std::pair{Dlg::kPlayStart, "002:01:000"}, std::pair{Dlg::kPlayStop, "002:03:000"}}) {
        edit(dialog, id)->setFocus();
        QTest::keyClick(edit(dialog, id), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit(dialog, id), text);
        ASSERT_EQ(edit(dialog, id)->text().toStdString(), text);
    }
    const MCTime start = shown(dialog, Dlg::kPlayStart);
    const MCTime stop = shown(dialog, Dlg::kPlayStop);
    EXPECT_EQ(shown(dialog, Dlg::kRecordStart), start);
    EXPECT_EQ(shown(dialog, Dlg::kRecordStop), stop);
    plat::ui::item<QAbstractButton>(&dialog, Dlg::kPlayEnd)->click();
    EXPECT_EQ(shown(dialog, Dlg::kRecordStop), end);

    auto* record = plat::ui::item<QCheckBox>(&dialog, Dlg::kRecordRegion);
    record->click();
    EXPECT_EQ(shown(dialog, Dlg::kRecordStart), MCTime(1.0f));
    EXPECT_EQ(shown(dialog, Dlg::kRecordStop), MCTime(3.0f));
    record->click();
    EXPECT_EQ(shown(dialog, Dlg::kRecordStart), start);
    EXPECT_EQ(shown(dialog, Dlg::kRecordStop), end);

    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    MCTime from, to;
    sequence().GetPlayRegion(from, to);
    EXPECT_EQ(from, start);
    EXPECT_EQ(to, end);
    EXPECT_FALSE(sequence().RecordRegionEnabled());
    sequence().GetRecordRegion(from, to);
    EXPECT_EQ(from, MCTime(1.0f));
    EXPECT_EQ(to, MCTime(3.0f));
}

// Record times the user typed and stepped stay in the record edits whatever switch is clicked
// before OK: the record region's own switch off and on again brings them back, and OK keeps
// them.
TEST_F(PerformanceOptionsRegionTest, TypedRecordTimesSurviveTheSwitches)
{
    sequence().EnableLoopRegion(0);
    sequence().EnableRecordRegion(1);
    sequence().SetRecordRegion(MCTime(1.0f), MCTime(3.0f));
    Dlg dialog(&doc);
    dialog.show();
    MCTimeEdit* start = edit(dialog, Dlg::kRecordStart);
    MCTimeEdit* stop = edit(dialog, Dlg::kRecordStop);
    start->setFocus();
    QTest::keyClick(start, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(start, "002:01:000");
    // The stop's bar is stepped up twice by the arrow key.
    QTest::mouseClick(stop, Qt::LeftButton, {}, QPoint(4, stop->height() / 2));
    const std::string before = stop->text().toStdString();
    QTest::keyClick(stop, Qt::Key_Up);
    QTest::keyClick(stop, Qt::Key_Up);
    ASSERT_NE(stop->text().toStdString(), before);
    const MCTime typedStart = shown(dialog, Dlg::kRecordStart);
    const MCTime typedStop = shown(dialog, Dlg::kRecordStop);
    ASSERT_NE(typedStart, MCTime(1.0f));
    ASSERT_NE(typedStop, MCTime(3.0f));

    auto* record = plat::ui::item<QCheckBox>(&dialog, Dlg::kRecordRegion);
    for (const int id : {Dlg::kLoop, Dlg::kLoop, Dlg::kLeadIn, Dlg::kPlayRegion, Dlg::kRecordRegion, Dlg::kRecordRegion}) {
        SCOPED_TRACE(id);
        plat::ui::item<QCheckBox>(&dialog, id)->click();
        if (!record->isChecked())
            continue;
        EXPECT_EQ(shown(dialog, Dlg::kRecordStart), typedStart);
        EXPECT_EQ(shown(dialog, Dlg::kRecordStop), typedStop);
    }
    dialog.accept();
    ASSERT_EQ(dialog.result(), QDialog::Accepted);
    MCTime from, to;
    sequence().GetRecordRegion(from, to);
    EXPECT_EQ(from, typedStart);
    EXPECT_EQ(to, typedStop);
}

// The arrow keys step the group under the cursor in the record edits as in the play edits, and
// the stepped time stays when another switch is clicked.
TEST_F(PerformanceOptionsRegionTest, ArrowKeysStepEveryRegionEdit)
{
    sequence().EnableLoopRegion(0);
    sequence().EnablePlayRegion(1);
    sequence().EnableRecordRegion(1);
    sequence().SetPlayRegion(MCTime(1.0f), MCTime(5.0f));
    sequence().SetRecordRegion(MCTime(1.0f), MCTime(5.0f));
    for (const int id : {Dlg::kPlayStart, Dlg::kRecordStart}) {
        SCOPED_TRACE(id);
        Dlg dialog(&doc);
        dialog.show();
        MCTimeEdit* field = edit(dialog, id);
        // The bar group, then on to the beat.
        QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(4, field->height() / 2));
        QTest::keyClick(field, Qt::Key_Right);
        ASSERT_EQ(field->GetCurrentGroup(), 1);
        QTest::keyClick(field, Qt::Key_Up);
        EXPECT_EQ(shown(dialog, id), MCTime(2.0f));
        QTest::keyClick(field, Qt::Key_Down);
        QTest::keyClick(field, Qt::Key_Up);
        QTest::keyClick(field, Qt::Key_Up);
        EXPECT_EQ(shown(dialog, id), MCTime(3.0f));
        plat::ui::item<QCheckBox>(&dialog, Dlg::kLeadIn)->click();
        EXPECT_EQ(shown(dialog, id), MCTime(3.0f));
    }
}

}  // namespace
