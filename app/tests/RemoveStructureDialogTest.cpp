#include "app/tests/AppTestSupport.h"

#include "app/dialogs/CRemoveMeasuresDlg.h"
#include "app/dialogs/CRemoveStavesDlg.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/pickers/MCTrackCheckList.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/SCSelection.h"
#include "notabase/values/FCMidi.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqNote.h"

#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Three staves of ten 4/4 bars with a note on every quarter.
class RemoveStructureDialogTest : public documenttest::DocumentTest {
protected:
    static constexpr int kStaves = 3, kBars = 10;

    MCOpusDoc doc;
    plat::ui::ModalHooks::Hooks hooks;
    // How the warning before a removal is answered; how often it was asked.
    bool consent = true;
    int warnings = 0;

    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(doc, kStaves, kBars * 4);
        ASSERT_EQ(bars(), kBars);
        doc.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        // The staff lists show named staves only.
        for (int staff = 1; staff <= kStaves; ++staff) {
            auto* name = new ECText(3, "Staff " + std::to_string(staff));
            name->SetTime(&MCTime::TimeZero());
            name->SetVoiceTrack(0, staff);
            auto* add = new CCAdd;
            add->Add(name, staffAt(staff), FCMidi::MidiNull());
            add->SetSynchronous(1);
            add->Apply(performance());
        }
        hooks.runDialog = [this](QDialog& dialog) {
            EXPECT_NE(dynamic_cast<MCWarnDialog*>(&dialog), nullptr);
            ++warnings;
            if (consent)
                dialog.accept();
            else
                dialog.reject();
            return dialog.result();
        };
    }

    ECPerformance* performance() { return doc.GetBaseEvent(); }
    ECConductor* conductor() { return performance()->GetConductor(); }
    int bars() { return conductor()->GetMaxMeasureNumber(); }
    int staves() { return conductor()->GetMaxTrackNumber(1); }
    ECBase* staffAt(int number) { return conductor()->GetTrack(1, number, 0); }

    void select(const std::vector<ECBase*>& elements)
    {
        auto* selection = new SCSelection(SCSelection::kReplace);
        for (ECBase* element : elements)
            selection->AddToSelection(element);
        selection->Apply(performance());
        ASSERT_EQ(doc.GetSelection().GetCount(), int(elements.size()));
    }

    // One undoable step, so that it shows whether the history survives.
    void deleteLastNote()
    {
        ECNote* note = notesOf(conductor(), 1).back();
        MCCommandMgr::BeginUndo(performance(), "Delete");
        auto* remove = new CCRemove(note);
        remove->SetSynchronous(1);
        remove->Apply(performance());
        MCCommandMgr::EndUndo(performance());
        ASSERT_EQ(performance()->GetUndoCount(), 1);
        doc.SetModifiedFlag(0);
    }

    // The notes of a staff, bar by bar.
    static std::vector<ECNote*> notesOf(ECConductor* conductor, int staff)
    {
        std::vector<ECNote*> notes;
        for (int bar = 1; bar <= conductor->GetMaxMeasureNumber(); ++bar) {
            MCEventList* children = conductor->GetMeasure(staff, bar)->GetChildren();
            if (!children)
                continue;
            for (ECBase* child : *children) {
                if (auto* note = dynamic_cast<ECNote*>(child))
                    notes.push_back(note);
            }
        }
        return notes;
    }

    // The quarter each note of staff 1 was written on, known by the key the piece gave it there
    // (unique within the piece).
    static std::vector<int> quartersOf(ECConductor* conductor)
    {
        std::vector<int> quarters;
        for (ECNote* note : notesOf(conductor, 1)) {
            const MIDIWORD on = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 1))->GetNoteOnData().GetValue();
            int found = -1;
            for (int q = 0; q < kBars * 4 && found < 0; ++q) {
                const int key = 40 + (q * 7 + 1) % 48;
                if (FCMidi(0x90u | static_cast<MIDIWORD>(key) << 8 | 100u << 16).GetValue() == on)
                    found = q;
            }
            quarters.push_back(found);
        }
        return quarters;
    }

    static void type(MCSpinEdit* edit, int value)
    {
        edit->setText(QString::number(value));
        edit->OnChange();
    }
};

// Count, start and end follow each other: a count moves the end (kept in the piece), a start or
// end gives the count (none when the end is typed before the start); a start typed past the end
// takes the end along, keeping the count, so "Remove 1" then "From 9" is bar 9 alone; the edge
// buttons go to the first and last bar.
TEST_F(RemoveStructureDialogTest, CountFromAndToFollowEachOther)
{
    CRemoveMeasuresDlg dialog(&doc);
    dialog.show();
    auto* count = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kCount);
    auto* from = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kFrom);
    auto* to = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kTo);
    EXPECT_EQ(count->GetValue(), kBars);
    EXPECT_EQ(from->GetValue(), 1);
    EXPECT_EQ(to->GetValue(), kBars);
    EXPECT_NE(plat::ui::item<MCButton>(&dialog, CRemoveMeasuresDlg::kGotoBegin), nullptr);
    EXPECT_NE(plat::ui::item<MCButton>(&dialog, CRemoveMeasuresDlg::kGotoEnd), nullptr);

    struct Step {
        int id, value;
        int count, from, to;
    };
    const Step steps[] = {
        {CRemoveMeasuresDlg::kCount, 3, 3, 1, 3},   {CRemoveMeasuresDlg::kFrom, 4, 3, 4, 6},
        {CRemoveMeasuresDlg::kTo, 2, 0, 4, 2},      {CRemoveMeasuresDlg::kTo, 8, 5, 4, 8},
        {CRemoveMeasuresDlg::kCount, 9, 9, 4, 10},  {CRemoveMeasuresDlg::kGotoBegin, 0, 10, 1, 10},
        {CRemoveMeasuresDlg::kFrom, 6, 5, 6, 10},   {CRemoveMeasuresDlg::kCount, 2, 2, 6, 7},
        {CRemoveMeasuresDlg::kGotoEnd, 0, 5, 6, 10}, {CRemoveMeasuresDlg::kCount, 1, 1, 6, 6},
        {CRemoveMeasuresDlg::kFrom, 9, 1, 9, 9},    {CRemoveMeasuresDlg::kTo, 3, 0, 9, 3},
        {CRemoveMeasuresDlg::kFrom, 8, 1, 8, 8},    {CRemoveMeasuresDlg::kCount, 4, 4, 8, 10},
        {CRemoveMeasuresDlg::kFrom, 10, 1, 10, 10},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << step.id << " " << step.value);
        QApplication::setActiveWindow(&dialog);
        if (step.id == CRemoveMeasuresDlg::kGotoBegin || step.id == CRemoveMeasuresDlg::kGotoEnd) {
            plat::ui::item<MCButton>(&dialog, step.id)->click();
            EXPECT_EQ(QApplication::focusWidget(), step.id == CRemoveMeasuresDlg::kGotoBegin ? from : to);
        } else {
            type(plat::ui::item<MCSpinEdit>(&dialog, step.id), step.value);
        }
        EXPECT_EQ(dialog.GetCount(), step.count);
        EXPECT_EQ(dialog.GetFrom(), step.from);
        EXPECT_EQ(dialog.GetTo(), step.to);
        EXPECT_EQ(count->GetValue(), std::max(step.count, 1));
        EXPECT_EQ(from->GetValue(), step.from);
        EXPECT_EQ(to->GetValue(), step.to);
    }
    apptest::saveScreenshot(dialog, "remove-measures.png");
}

// The range starts at the first and ends at the last selected bar, whatever else is selected
// and on whichever staff the bars are.
TEST_F(RemoveStructureDialogTest, RangeStartsAsTheSelectedBars)
{
    ECBase* note = notesOf(conductor(), 2).front();
    select({conductor()->GetMeasure(2, 7), note, conductor()->GetMeasure(1, 3), conductor()->GetMeasure(3, 5)});
    CRemoveMeasuresDlg dialog(&doc);
    EXPECT_EQ(dialog.GetFrom(), 3);
    EXPECT_EQ(dialog.GetTo(), 7);
    EXPECT_EQ(dialog.GetCount(), 5);
    EXPECT_EQ(plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kCount)->GetValue(), 5);
}

// Every bar cannot go: the dialog says so and stays open, asking nothing more; neither does a
// bar number it cannot take. A removal the user does not confirm changes nothing either, the
// undo history included.
TEST_F(RemoveStructureDialogTest, RefusedRemovalsChangeNothing)
{
    deleteLastNote();
    select({conductor()->GetMeasure(1, 2)});
    plat::ui::ModalHooks::Scoped scope(hooks);
    CRemoveMeasuresDlg dialog(&doc);
    dialog.show();
    auto* count = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kCount);
    auto* from = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kFrom);
    auto* to = plat::ui::item<MCSpinEdit>(&dialog, CRemoveMeasuresDlg::kTo);
    type(count, kBars);
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "The document must have at least one measure.");
    EXPECT_EQ(warnings, 0);

    type(from, 0);
    dialog.accept();
    ASSERT_EQ(m_prompts.Texts().size(), 2u);
    EXPECT_EQ(m_prompts.Texts()[1], "Enter a whole number from 1 to 10.");
    EXPECT_EQ(warnings, 0);

    // A range that ends before it starts names no bar: the count, which cannot show none, must
    // not take the bar at the start instead.
    type(from, 8);
    type(to, 5);
    EXPECT_EQ(dialog.GetCount(), 0);
    QApplication::setActiveWindow(&dialog);
    dialog.accept();
    ASSERT_EQ(m_prompts.Texts().size(), 3u);
    EXPECT_EQ(m_prompts.Texts()[2], "The range ends before it starts. Enter a To measure from 8 to 10.");
    EXPECT_EQ(QApplication::focusWidget(), to);
    EXPECT_EQ(warnings, 0);
    type(to, kBars);

    consent = false;
    type(from, 3);
    EXPECT_EQ(dialog.GetCount(), kBars - 2);
    dialog.accept();
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(bars(), kBars);
    EXPECT_EQ(performance()->GetUndoCount(), 1);
    EXPECT_EQ(doc.GetSelection().GetCount(), 1);
    EXPECT_FALSE(doc.IsModified());
}

// The chosen bars and their notes go, the bars after them move up, the selection is cleared and
// nothing is left to undo; the saved piece has the same bars.
TEST_F(RemoveStructureDialogTest, RemovedBarsCannotBeUndone)
{
    deleteLastNote();
    select({conductor()->GetMeasure(1, 3), conductor()->GetMeasure(1, 5)});
    ECMeasure* sixth = conductor()->GetMeasure(0, 6);
    plat::ui::ModalHooks::Scoped scope(hooks);
    CRemoveMeasuresDlg dialog(&doc);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(warnings, 1);
    EXPECT_EQ(bars(), kBars - 3);
    EXPECT_EQ(conductor()->GetMeasure(0, 3), sixth);
    EXPECT_EQ(doc.GetSelection().GetCount(), 0);
    EXPECT_EQ(performance()->GetUndoCount(), 0);
    EXPECT_TRUE(doc.IsModified());

    std::vector<int> expected;
    for (int q = 0; q < kBars * 4 - 1; ++q) {
        if (q < 8 || q >= 20)
            expected.push_back(q);
    }
    EXPECT_EQ(quartersOf(conductor()), expected);
    ASSERT_TRUE(doc.OnSaveDocument(File("cut.kvd"))) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts().back());
    // The saved file stays open for editing; its copy is read.
    std::filesystem::copy_file(File("cut.kvd"), File("copy.kvd"));
    MCOpusDoc stored;
    ASSERT_TRUE(stored.OnOpenDocument(File("copy.kvd"))) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts().back());
    EXPECT_EQ(stored.GetBaseEvent()->GetConductor()->GetMaxMeasureNumber(), kBars - 3);
    EXPECT_EQ(quartersOf(stored.GetBaseEvent()->GetConductor()), expected);
    for (int staff = 2; staff <= kStaves; ++staff)
        EXPECT_EQ(notesOf(stored.GetBaseEvent()->GetConductor(), staff).size(), size_t((kBars - 3) * 4)) << staff;
}

// The selected staves start checked; All and None check every row or none.
TEST_F(RemoveStructureDialogTest, SelectedStavesStartChecked)
{
    select({staffAt(2), conductor()->GetMeasure(3, 1)});
    CRemoveStavesDlg dialog(&doc);
    dialog.show();
    auto* list = plat::ui::item<MCTrackCheckList>(&dialog, CRemoveStavesDlg::kList);
    ASSERT_EQ(list->GetItemCount(), kStaves);
    EXPECT_FALSE(list->GetCheck(0));
    EXPECT_TRUE(list->GetCheck(1));
    EXPECT_FALSE(list->GetCheck(2));
    apptest::saveScreenshot(dialog, "remove-staves.png");
    plat::ui::item<QPushButton>(&dialog, CRemoveStavesDlg::kAll)->click();
    for (int row = 0; row < kStaves; ++row)
        EXPECT_TRUE(list->GetCheck(row)) << row;
    plat::ui::item<QPushButton>(&dialog, CRemoveStavesDlg::kNone)->click();
    for (int row = 0; row < kStaves; ++row)
        EXPECT_FALSE(list->GetCheck(row)) << row;
}

// With every staff checked the first stays; refused, nothing goes; confirmed, the others go
// at once with nothing left to undo.
TEST_F(RemoveStructureDialogTest, RemovingEveryStaffKeepsTheFirst)
{
    deleteLastNote();
    ECBase* first = staffAt(1);
    plat::ui::ModalHooks::Scoped scope(hooks);
    CRemoveStavesDlg dialog(&doc);
    dialog.show();
    dialog.OnAll();
    consent = false;
    dialog.accept();
    EXPECT_EQ(warnings, 1);
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(staves(), kStaves);
    EXPECT_EQ(performance()->GetUndoCount(), 1);
    EXPECT_FALSE(doc.IsModified());

    consent = true;
    dialog.accept();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetStaves().GetCount(), kStaves - 1);
    ASSERT_EQ(staves(), 1);
    EXPECT_EQ(staffAt(1), first);
    EXPECT_EQ(performance()->GetUndoCount(), 0);
    EXPECT_TRUE(doc.IsModified());
}

// Nothing checked removes nothing and keeps the undo history, without asking.
TEST_F(RemoveStructureDialogTest, NoStaffCheckedRemovesNothing)
{
    deleteLastNote();
    plat::ui::ModalHooks::Scoped scope(hooks);
    CRemoveStavesDlg dialog(&doc);
    dialog.show();
    dialog.accept();
    EXPECT_EQ(warnings, 0);
    EXPECT_EQ(staves(), kStaves);
    EXPECT_EQ(performance()->GetUndoCount(), 1);
    EXPECT_FALSE(doc.IsModified());
}

// The main frame opens both dialogs for the active document.
class RemoveStructureCommandTest : public apptest::FrameTest {};

TEST_F(RemoveStructureCommandTest, CommandsOpenTheDialogs)
{
    std::vector<std::string> titles;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&titles](QDialog& dialog) {
        titles.push_back(dialog.windowTitle().toStdString());
        dialog.reject();
        return dialog.result();
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    ASSERT_NE(NewDocument(), nullptr);
    for (uint32_t id : {38666u, 38663u}) {
        EXPECT_TRUE(m_router.update(id).enabled) << id;
        EXPECT_TRUE(m_router.execute(id)) << id;
    }
    EXPECT_EQ(titles, (std::vector<std::string>{"Remove Measures", "Remove Staves"}));
}

}  // namespace
