#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"

#include "app/tests/AppTestSupport.h"

#include "app/dialogs/CUndoHistoryDlg.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECConductorStaff.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAbstractButton>
#include <QListWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class UndoHistoryDialogTest : public documenttest::DocumentTest {
protected:
    MCOpusDoc doc;
    ECText* text = nullptr;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, 1, 4);
        text = new ECText;
        const MCTime at(0.0f);
        text->SetTime(&at);
        ASSERT_TRUE(staff()->AddChild(text, 1));
    }

    ECPerformance* performance() { return doc.GetBaseEvent(); }
    ECConductorStaff* staff() { return performance()->GetConductor()->GetConductorStaff(); }

    // One undoable step that gives the text a new string.
    void Rename(const std::string& name)
    {
        MCCommandList list;
        auto* edit = static_cast<CCEdit*>(list.GetCommand(CommandIds::CCEdit, &CCEdit::classObject));
        if (auto* copy = dynamic_cast<ECText*>(edit->EditEvent(text)->GetNewEvent()))
            copy->SetText(name);
        list.SetSynchronous(1);
        MCCommandMgr::BeginUndo(performance(), "Rename " + name);
        list.Apply(performance());
        MCCommandMgr::EndUndo(performance());
    }

    static QStringList rows(CUndoHistoryDlg& dialog)
    {
        QStringList texts;
        auto* list = plat::ui::item<QListWidget>(&dialog, CUndoHistoryDlg::kList);
        for (int row = 0; row < list->count(); ++row)
            texts << list->item(row)->text();
        return texts;
    }
};

// The steps are listed latest first and "< Start >" last; choosing "< Start >" undoes every
// step, and choosing a step afterwards redoes up to it.
TEST_F(UndoHistoryDialogTest, ChoosingAnEntryMovesTheUndoPosition)
{
    Rename("A");
    Rename("B");
    Rename("C");
    CUndoHistoryDlg dialog(performance());
    dialog.show();
    EXPECT_EQ(rows(dialog), (QStringList{"Rename C", "Rename B", "Rename A", "< Start >"}));
    auto* list = plat::ui::item<QListWidget>(&dialog, CUndoHistoryDlg::kList);
    EXPECT_EQ(list->currentRow(), 0);
    apptest::saveScreenshot(dialog, "undo-history.png");
    list->setCurrentRow(3);
    // The chosen row stays chosen, as OK will take it, when a click lands below the rows.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(10, list->visualItemRect(list->item(3)).bottom() + 20));
    EXPECT_TRUE(list->item(3)->isSelected());
    dialog.accept();
    EXPECT_EQ(performance()->GetUndoIndex(), 3);
    EXPECT_EQ(text->GetText(), "");

    CUndoHistoryDlg again(performance());
    auto* second = plat::ui::item<QListWidget>(&again, CUndoHistoryDlg::kList);
    EXPECT_EQ(second->currentRow(), 3);
    second->setCurrentRow(1);
    again.OnChoose();
    EXPECT_EQ(text->GetText(), "B");
}

// Clear asks first; with consent the stack is emptied and only "< Start >" is left.
TEST_F(UndoHistoryDialogTest, ClearAsksThenEmptiesTheStack)
{
    Rename("A");
    bool consent = false;
    int asked = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& warning) {
        ++asked;
        EXPECT_EQ(warning.windowTitle(), "Clear Undo History");
        EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(warning));
        return consent ? QDialog::Accepted : QDialog::Rejected;
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    CUndoHistoryDlg dialog(performance());
    dialog.OnClear();
    EXPECT_EQ(performance()->GetUndoCount(), 1);
    consent = true;
    plat::ui::item<QAbstractButton>(&dialog, CUndoHistoryDlg::kClear)->click();
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(performance()->GetUndoCount(), 0);
    EXPECT_EQ(rows(dialog), QStringList{"< Start >"});
    EXPECT_EQ(text->GetText(), "A");
}

}  // namespace
