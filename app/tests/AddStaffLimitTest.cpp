#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CAddStaffDlg.h"
#include "interface/pickers/MCTrackBox.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/score/ECStaff.h"
#include "notabase/values/MCVoiceTrack.h"
#include "platform/ui/dialog/ItemId.h"

#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

#include <string>

namespace {

// A piece near or at the most staves a piece holds, and Add Staff asked for more than fit.
class AddStaffLimitTest : public ConductorDialogTest {
protected:
    int staves() { return performance()->GetConductor()->GetMaxTrackNumber(1); }
    ECStaff* staffAt(int number) { return dynamic_cast<ECStaff*>(performance()->GetConductor()->GetTrack(1, number, 0)); }
    void fillTo(int count)
    {
        auto* add = new CCAddTrack;
        add->AddMidiTrack(0, count - staves());
        add->SetSynchronous(1);
        add->Apply(performance());
        ASSERT_EQ(staves(), count);
        doc.SetModifiedFlag(0);
    }
    std::string undoText()
    {
        std::string text;
        doc.OnUpdateEditUndo(text);
        return text;
    }
    // Runs the dialog for count staves at location (before or after the first staff, or after
    // the last) and presses OK.
    void addStaves(CAddStaffDlg& dialog, int count, int location)
    {
        dialog.show();
        plat::ui::item<QSpinBox>(&dialog, CAddStaffDlg::kCount)->setValue(count);
        plat::ui::item<QRadioButton>(&dialog, CAddStaffDlg::kLocation + location)->click();
        plat::ui::item<MCTrackBox>(&dialog, CAddStaffDlg::kStaff)->setCurrentIndex(0);
        m_prompts.Clear();
        dialog.accept();
    }
    // Staves that would not fit are refused with a message before anything is made: none is
    // added, the staff they were to go before keeps its own clef and name, no step is left to
    // undo, and the dialog stays open for a smaller count.
    void expectRefused(int count, int location)
    {
        SCOPED_TRACE(std::to_string(staves()) + " staves, " + std::to_string(count) + " more at location " +
                     std::to_string(location));
        const int inPiece = staves();
        const int firstChildren = staffAt(1)->GetChildren() ? staffAt(1)->GetChildren()->GetCount() : 0;
        const std::string undo = undoText();
        CAddStaffDlg dialog(&doc);
        addStaves(dialog, count, location);
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_NE(m_prompts.Texts()[0].find(std::to_string(MCVoiceTrack::lastTrack)), std::string::npos)
            << m_prompts.Texts()[0];
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(staves(), inPiece);
        EXPECT_EQ(staffAt(1)->GetChildren() ? staffAt(1)->GetChildren()->GetCount() : 0, firstChildren);
        EXPECT_EQ(undoText(), undo);
        EXPECT_FALSE(doc.IsModified());
        dialog.reject();
    }
};

TEST_F(AddStaffLimitTest, StavesPastTheMostAPieceHoldsAreRefusedAndNothingChanges)
{
    fillTo(MCVoiceTrack::lastTrack - 2);
    for (const int location : {0, 2})
        expectRefused(3, location);

    // What fits is added.
    {
        CAddStaffDlg dialog(&doc);
        addStaves(dialog, 2, 2);
        EXPECT_TRUE(m_prompts.Texts().empty());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(staves(), MCVoiceTrack::lastTrack);
    }

    doc.SetModifiedFlag(0);
    for (const int location : {0, 1, 2})
        expectRefused(1, location);
}

}  // namespace
