#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CAddStaffDlg.h"
#include "interface/pickers/MCPartBox.h"
#include "interface/pickers/MCTrackBox.h"
#include "notabase/model/ECText.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECStaff.h"
#include "platform/ui/dialog/ItemId.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace {

class ScoreStructureDialogTest : public ConductorDialogTest {
protected:
    void SetUp() override
    {
        ConductorDialogTest::SetUp();
        MCPartBox parts;
        // The built-in parts are written when there are none yet.
        parts.RefreshParts();
        parts.AddPart("Flute", 0, 0, 2, 0, 0, 73);
        parts.AddPart("Harp", 1, 0, 0, 3, 1, 46);
    }
    void TearDown() override
    {
        MCPartBox parts;
        parts.RemovePart("Flute");
        parts.RemovePart("Harp");
        ConductorDialogTest::TearDown();
    }

    int staves() { return performance()->GetConductor()->GetMaxTrackNumber(1); }
    ECStaff* staffAt(int number) { return dynamic_cast<ECStaff*>(performance()->GetConductor()->GetTrack(1, number, 0)); }
    std::string nameOf(int number)
    {
        if (MCEventList* children = staffAt(number)->GetChildren()) {
            for (ECBase* child : *children) {
                if (auto* text = dynamic_cast<ECText*>(child); text && text->GetTextType() == 3)
                    return text->GetText();
            }
        }
        return {};
    }

    // Fills the dialog by item id and presses OK.
    // The staff is an entry of the picker, which lists only named staves.
    void addStaves(int count, int location, int staff, const std::string& name, const std::string& part,
                   const std::string& screenshot = {})
    {
        CAddStaffDlg dialog(&doc);
        dialog.show();
        plat::ui::item<QSpinBox>(&dialog, CAddStaffDlg::kCount)->setValue(count);
        plat::ui::item<QRadioButton>(&dialog, CAddStaffDlg::kLocation + location)->click();
        auto* staves = plat::ui::item<MCTrackBox>(&dialog, CAddStaffDlg::kStaff);
        EXPECT_EQ(staves->isEnabled(), location != 2);
        staves->setCurrentIndex(staff - 1);
        plat::ui::item<QLineEdit>(&dialog, CAddStaffDlg::kName)->setText(QString::fromStdString(name));
        auto* parts = plat::ui::item<MCPartBox>(&dialog, CAddStaffDlg::kPart);
        parts->setCurrentIndex(parts->findText(QString::fromStdString(part)));
        if (!screenshot.empty())
            apptest::saveScreenshot(dialog, screenshot);
        dialog.accept();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
};

// Three staves of a part after a staff take the positions after it, numbered in their names,
// with the part's clef and key; one undo takes all three away.
TEST_F(ScoreStructureDialogTest, SeveralStavesOfAPartAreNumberedAndUndoneAsOne)
{
    addStaves(1, 2, 1, "Oboe", "Flute");
    ASSERT_EQ(staves(), 2);
    addStaves(3, 1, 1, "", "Flute", "add-staff.png");
    ASSERT_EQ(staves(), 5);
    EXPECT_EQ(nameOf(2), "Oboe");
    for (int number = 3; number <= 5; ++number) {
        EXPECT_EQ(nameOf(number), "Flute" + std::to_string(number));
        ASSERT_NE(staffAt(number)->GetKeyAtTime(MCTime(0.0f), 0), nullptr);
        EXPECT_EQ(staffAt(number)->GetKeyAtTime(MCTime(0.0f), 0)->GetNumSharps(), 2);
        ASSERT_NE(staffAt(number)->GetClefAtTime(MCTime(0.0f), 0), nullptr);
        EXPECT_EQ(staffAt(number)->GetClefAtTime(MCTime(0.0f), 0)->GetClefType(), 0);
    }
    EXPECT_TRUE(doc.IsModified());
    performance()->Undo(1);
    EXPECT_EQ(staves(), 2);
    EXPECT_EQ(nameOf(2), "Oboe");
}

// One staff takes its name plainly; the default part's name becomes "Track"; "before" a staff
// takes that staff's place.
TEST_F(ScoreStructureDialogTest, NamesOfSingleStaves)
{
    addStaves(1, 2, 1, "", "Flute");
    EXPECT_EQ(nameOf(2), "Flute");
    addStaves(1, 0, 1, "", "<Default>");
    EXPECT_EQ(nameOf(2), "Track");
    EXPECT_EQ(nameOf(3), "Flute");
    addStaves(1, 2, 1, "Oboe", "Flute");
    EXPECT_EQ(nameOf(4), "Oboe");
}

// A grand staff gets the key on both hands (voices 0 and 5) and keeps its own clefs.
TEST_F(ScoreStructureDialogTest, GrandStaffGetsAKeyOnBothHands)
{
    addStaves(1, 2, 1, "", "Harp");
    ASSERT_EQ(staves(), 2);
    for (unsigned char hand = 0; hand < 2; ++hand) {
        ECKey* key = staffAt(2)->GetKeyAtTime(MCTime(0.0f), hand);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->GetNumFlats(), 3);
        EXPECT_EQ(key->GetMode(), 1);
        EXPECT_EQ(key->GetVoice(), hand * 5);
    }
}

// The part and location chosen are remembered for the next time.
TEST_F(ScoreStructureDialogTest, PartAndLocationAreRemembered)
{
    addStaves(1, 0, 1, "", "Flute");
    CAddStaffDlg dialog(&doc);
    EXPECT_EQ(plat::ui::item<MCPartBox>(&dialog, CAddStaffDlg::kPart)->currentText(), "Flute");
    EXPECT_TRUE(plat::ui::item<QRadioButton>(&dialog, CAddStaffDlg::kLocation)->isChecked());
    SaveIntPreference("Settings\\AddStaff", "Location", 2);
    SaveStringPreference("Settings\\AddStaff", "Part", "<Default>");
}

}  // namespace
