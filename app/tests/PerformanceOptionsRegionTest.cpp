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

}  // namespace
