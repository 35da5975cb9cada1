#include "app/tests/ConductorDialogTest.h"

#include "app/dialogs/CAddStaffDlg.h"
#include "platform/ui/dialog/ItemId.h"

#include <QApplication>
#include <QLineEdit>
#include <QSpinBox>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using AddStaffCountTest = ConductorDialogTest;

// A count the spin box cannot take is refused with a message and adds nothing, however the last
// good count stood; a good count typed afterwards is added.
TEST_F(AddStaffCountTest, CountTheFieldCannotTakeAddsNothing)
{
    doc.SetModifiedFlag(0);
    const int before = performance()->GetConductor()->GetMaxTrackNumber(1);
    CAddStaffDlg dialog(&doc);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    auto* count = plat::ui::item<QSpinBox>(&dialog, CAddStaffDlg::kCount);
    auto* text = count->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    for (const char* typed : {"0", "", "00"}) {
        SCOPED_TRACE(typed);
        count->setValue(2);
        text->selectAll();
        QTest::keyClick(text, Qt::Key_Delete);
        QTest::keyClicks(text, typed);
        m_prompts.Clear();
        dialog.accept();
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0], "Enter a whole number from 1 to 255.");
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(QApplication::focusWidget(), count);
        EXPECT_EQ(performance()->GetConductor()->GetMaxTrackNumber(1), before);
        EXPECT_FALSE(doc.IsModified());
    }

    text->selectAll();
    QTest::keyClicks(text, "3");
    m_prompts.Clear();
    dialog.accept();
    EXPECT_TRUE(m_prompts.Texts().empty());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(performance()->GetConductor()->GetMaxTrackNumber(1), before + 3);
}

}  // namespace
