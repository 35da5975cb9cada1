#include "inspector/tests/StaffPagesTestSupport.h"

#include "inspector/core/InitInspector.h"
#include "inspector/pages/CAuditionWnd.h"
#include "inspector/pages/PCPerformance.h"
#include "inspector/pages/PCsqStaffAppearance.h"
#include "inspector/pages/PCsqStaffInstrument.h"
#include "inspector/pages/PCsqStaffPerform.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCMenuButton.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/pickers/MCProgramTree.h"
#include "notabase/model/EventTypes.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCBase.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

using namespace staffpages;

constexpr const char* kInstrumentPrefs = "Components\\Inspector\\Staff\\Instrument";

// The inspector window over a document whose staves play on memory outputs, hearing the
// document's states as the main frame passes them on; the user works it with the mouse and
// the keyboard.
class InspectorSheetTest : public StaffPagesTest {
protected:
    void SetUp() override
    {
        StaffPagesTest::SetUp();
        SaveIntPreference(CPropertiesWnd::kSection, "AutoCollapse", 0);
        SaveIntPreference(kInstrumentPrefs, "Audition", 0);
        SaveIntPreference(kInstrumentPrefs, "ShowBank", 0);
        InitInspector();
        MCOpusDoc::SetActiveDoc(&m_doc);
        m_wnd = std::make_unique<CPropertiesWnd>();
        ASSERT_TRUE(m_wnd->InitToolLayout(nullptr, CPropertiesWnd::kDialogId));
        MCStateMgr::SetGlobalHandler(&InspectorSheetTest::PassState, this);
        m_wnd->show();
    }
    void TearDown() override
    {
        MCStateMgr::SetGlobalHandler(nullptr, nullptr);
        // The pages outlive the window (the registry keeps them): the options they save as
        // they leave it are put back for the tests after.
        if (auto* find = InstrumentPage() ? plat::ui::item<QLineEdit>(InstrumentPage(), PCsqStaffInstrument::kFind) : nullptr)
            find->clear();
        m_wnd.reset();
        SaveIntPreference(kInstrumentPrefs, "Audition", 0);
        SaveIntPreference(kInstrumentPrefs, "ShowBank", 0);
        m_doc.GetSelection().RemoveAll();
        StaffPagesTest::TearDown();
    }
    static int PassState(ECBase*, int, void* state, void* user)
    {
        auto* test = static_cast<InspectorSheetTest*>(user);
        auto* s = static_cast<SCBase*>(state);
        if (test->m_wnd && s)
            test->m_wnd->OnUpdate(s->GetCode(), s);
        return 0;
    }

    // The user selects the staves, or a note of the first staff with an empty list.
    void SelectStaves(std::initializer_list<int> staves)
    {
        m_doc.GetSelection().RemoveAll();
        for (int number : staves)
            m_doc.GetSelection().AddTail(Staff(number));
        Announce();
    }
    void SelectNote()
    {
        m_doc.GetSelection().RemoveAll();
        ECMeasure* measure = m_doc.GetBaseEvent()->GetConductor()->GetMeasure(1, MCTime(), 0, 0);
        for (ECBase* child : *measure->GetChildren()) {
            if (child->GetEventId() == EventId::Note) {
                m_doc.GetSelection().AddTail(child);
                break;
            }
        }
        ASSERT_FALSE(m_doc.GetSelection().IsEmpty());
        Announce();
    }
    void Announce()
    {
        SCSelection state(SCSelection::kReplace);
        m_wnd->OnUpdate(SCSelection::kReplace, &state);
    }

    CInspector* Sheet() const { return m_wnd->GetInspector(); }
    void ClickTab(const QString& caption)
    {
        QTabBar* bar = Sheet()->Tabs()->tabBar();
        for (int i = 0; i < bar->count(); ++i) {
            if (bar->tabText(i) == caption) {
                QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(i).center());
                ASSERT_EQ(Sheet()->TabText(Sheet()->Tabs()->currentIndex()), caption);
                return;
            }
        }
        FAIL() << caption.toStdString();
    }
    template <class T>
    T* Control(int id) const
    {
        return plat::ui::item<T>(Sheet()->ActivePage(), id);
    }
    PCsqStaffInstrument* InstrumentPage() const
    {
        return Sheet() ? dynamic_cast<PCsqStaffInstrument*>(Sheet()->Page(0)) : nullptr;
    }
    static void Click(QWidget* control)
    {
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(control->isVisible());
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }
    // Types into an edit as a user does, replacing what it shows.
    static void Type(QLineEdit* edit, const QString& text)
    {
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Backspace);
        QTest::keyClicks(edit, text);
    }
    // A click on the instrument named in the page's tree.
    void ClickInstrument(const QString& name)
    {
        auto* tree = Control<MCProgramTree>(PCsqStaffInstrument::kTree);
        ASSERT_NE(tree, nullptr);
        tree->ExpandAll(true);
        const auto found = tree->findItems(name, Qt::MatchContains | Qt::MatchRecursive);
        ASSERT_FALSE(found.isEmpty()) << name.toStdString();
        tree->scrollToItem(found.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(found.first()).center());
        ASSERT_EQ(tree->currentItem(), found.first());
    }
    // Picks an item of the instrument page's display options, by a click on its button.
    void PickOption(int id)
    {
        plat::ui::ModalHooks::Hooks hooks;
        hooks.popupMenu = [id](QMenu& menu, const QPoint&) -> QAction* {
            for (QAction* action : menu.actions())
                if (action->data().toInt() == id)
                    return action;
            return nullptr;
        };
        const plat::ui::ModalHooks::Scoped scoped(hooks);
        Click(Control<MCMenuButton>(PCsqStaffInstrument::kPatchMenu));
        // The program runs on before the user's next click.
        QCoreApplication::processEvents();
    }
    int Transposition(int staff) { return int(Data(staff)->GetTrackTransposition()); }
    // Types a transposition in half steps on the performance page, as the user does; the
    // page's edit.
    QLineEdit* TypeHalfSteps(const QString& text)
    {
        ClickTab("&Performance");
        auto* halfSteps = Control<QLineEdit>(PCsqStaffPerform::IDC_HALF_STEPS);
        Type(halfSteps, text);
        return halfSteps;
    }

    std::unique_ptr<CPropertiesWnd> m_wnd;
};

TEST_F(InspectorSheetTest, ApplyWritesEveryChangedPageAndOneUndoTakesAllOfItBack)
{
    SelectStaves({1, 2});
    const std::vector<Voice> before = {GetVoice(1, 0), GetVoice(2, 0)};
    // A drum staff on the appearance page, a transposition on the performance page.
    ClickTab("&Appearance");
    auto* type = Control<QComboBox>(PCsqStaffAppearance::IDC_TYPE);
    ASSERT_NE(type, nullptr);
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);
    QTest::keyClick(type, Qt::Key_Down);
    ASSERT_EQ(type->currentText(), "Drum Staff");
    TypeHalfSteps("5");
    ASSERT_TRUE(Sheet()->IsApplyEnabled());

    Click(Sheet()->ApplyButton());
    RunCommands();
    for (const int staff : {1, 2}) {
        EXPECT_EQ(Staff(staff)->GetStaffType(), 3) << staff;
        EXPECT_EQ(Transposition(staff), 5) << staff;
        EXPECT_EQ(GetVoice(staff, 0).channel, int(PCsqStaffAppearance::kDrumChannel)) << staff;
    }
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    // The pages show what the elements now hold.
    EXPECT_EQ(Control<QLineEdit>(PCsqStaffPerform::IDC_HALF_STEPS)->text(), "5");
    ClickTab("&Appearance");
    EXPECT_EQ(Control<QComboBox>(PCsqStaffAppearance::IDC_TYPE)->currentText(), "Drum Staff");

    std::string undo;
    ASSERT_TRUE(m_doc.OnUpdateEditUndo(undo));
    EXPECT_EQ(undo.substr(0, undo.find('\t')), "Undo Edit Staff");
    EXPECT_EQ(UndoSteps(), 1);
    for (const int staff : {1, 2}) {
        EXPECT_EQ(Staff(staff)->GetStaffType(), 0) << staff;
        EXPECT_EQ(Transposition(staff), 0) << staff;
        EXPECT_EQ(GetVoice(staff, 0), before[size_t(staff - 1)]) << staff;
    }
}

TEST_F(InspectorSheetTest, APageThatDoesNotValidateKeepsItsChangesAfterTheOthersApplied)
{
    SelectStaves({1});
    ClickTab("&Appearance");
    auto* type = Control<QComboBox>(PCsqStaffAppearance::IDC_TYPE);
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);
    auto* halfSteps = TypeHalfSteps("300");

    Click(Sheet()->ApplyButton());
    RunCommands();
    EXPECT_EQ(Staff(1)->GetStaffType(), 1);
    EXPECT_EQ(Transposition(1), 0);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    // The user stays on the page with what they typed, and can put it right.
    EXPECT_EQ(Sheet()->TabText(Sheet()->Tabs()->currentIndex()), "&Performance");
    EXPECT_EQ(halfSteps->text(), "300");
    EXPECT_TRUE(Sheet()->IsApplyEnabled());
    Type(halfSteps, "7");
    Click(Sheet()->ApplyButton());
    RunCommands();
    EXPECT_EQ(Transposition(1), 7);
    EXPECT_EQ(Staff(1)->GetStaffType(), 1);
    EXPECT_EQ(UndoSteps(), 2);
    EXPECT_EQ(Staff(1)->GetStaffType(), 0);
    EXPECT_EQ(Transposition(1), 0);
}

// Selecting other elements leaves the ones shown as leaving a field does: the changes made for
// them and not yet applied are applied to them, and every page then shows the new elements' own
// values, the one behind the other too, with nothing left to apply.
TEST_F(InspectorSheetTest, ChangesNotAppliedGoToTheirStaffWhenAnotherIsSelected)
{
    SelectStaves({1});
    ClickTab("&Appearance");
    auto* type = Control<QComboBox>(PCsqStaffAppearance::IDC_TYPE);
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Down);
    auto* halfSteps = TypeHalfSteps("5");

    SelectStaves({2});
    RunCommands();
    EXPECT_EQ(Staff(1)->GetStaffType(), 1);
    EXPECT_EQ(Transposition(1), 5);
    EXPECT_EQ(Staff(2)->GetStaffType(), 0);
    EXPECT_EQ(Transposition(2), 0);
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    EXPECT_EQ(halfSteps->text(), "0");
    ClickTab("&Appearance");
    EXPECT_EQ(type->currentText(), "Normal Staff");
    // Apply has nothing of the first staff's to write to the second.
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    Click(Sheet()->ApplyButton());
    RunCommands();
    EXPECT_EQ(Staff(2)->GetStaffType(), 0);

    EXPECT_EQ(UndoSteps(), 1);
    EXPECT_EQ(Staff(1)->GetStaffType(), 0);
    EXPECT_EQ(Transposition(1), 0);
}

// Commands done elsewhere (the mixer, another window) refresh the staff shown, and a click may
// choose it again: the change being typed for it stays. A value that does not validate is
// reported when the user selects another staff, and is written nowhere.
TEST_F(InspectorSheetTest, ARefreshKeepsTheChangeBeingMadeAndAnInvalidOneIsNotCarriedOver)
{
    SelectStaves({1});
    auto* halfSteps = TypeHalfSteps("4");
    m_wnd->OnUpdate(500, nullptr);
    EXPECT_EQ(halfSteps->text(), "4");
    // The same staff chosen again leaves it too, unapplied.
    SelectStaves({1});
    RunCommands();
    EXPECT_EQ(halfSteps->text(), "4");
    EXPECT_EQ(Transposition(1), 0);
    ASSERT_TRUE(Sheet()->IsApplyEnabled());
    Click(Sheet()->ApplyButton());
    RunCommands();
    EXPECT_EQ(Transposition(1), 4);

    Type(halfSteps, "300");
    SelectStaves({2});
    RunCommands();
    EXPECT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(Transposition(1), 4);
    EXPECT_EQ(Transposition(2), 0);
    EXPECT_EQ(halfSteps->text(), "0");
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
}

// Another document made or opened takes the inspector away from the staff: the change typed
// for it is applied first, and one that was not is not offered afterwards.
TEST_F(InspectorSheetTest, AnotherDocumentComingToTheFrontAppliesTheChangeFirst)
{
    for (const long hint : {1300L, 1301L}) {
        SCOPED_TRACE(hint);
        SelectStaves({1});
        TypeHalfSteps("2");
        m_wnd->OnUpdate(hint, nullptr);
        RunCommands();
        EXPECT_EQ(Transposition(1), 2);
        EXPECT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kNothingSelected);
        EXPECT_FALSE(Sheet()->IsApplyEnabled());
        EXPECT_EQ(UndoSteps(), 1);
    }
}

TEST_F(InspectorSheetTest, EnterInTheFindBoxFindsTheNextInstrumentAndAppliesNothing)
{
    SelectStaves({1});
    const Voice before = GetVoice(1, 0);
    auto* find = Control<QLineEdit>(PCsqStaffInstrument::kFind);
    auto* tree = Control<MCProgramTree>(PCsqStaffInstrument::kTree);
    tree->ExpandAll(true);
    Type(find, "organ");
    ASSERT_NE(tree->currentItem(), nullptr);
    const QString first = tree->currentItem()->text(0);
    ASSERT_TRUE(first.contains("organ", Qt::CaseInsensitive));
    ASSERT_TRUE(Sheet()->IsApplyEnabled());

    QTest::keyClick(find, Qt::Key_Return);
    EXPECT_NE(tree->currentItem()->text(0), first);
    EXPECT_TRUE(tree->currentItem()->text(0).contains("organ", Qt::CaseInsensitive));
    QTest::keyClick(find, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_TRUE(Sheet()->IsApplyEnabled());
    EXPECT_EQ(GetVoice(1, 0), before);
    EXPECT_FALSE(m_doc.IsModified());

    // Elsewhere on the page Enter applies the instrument found.
    const int program = InstrumentPage()->GetCurrentInfo().GetProgram();
    QTest::keyClick(Control<QComboBox>(PCsqStaffInstrument::kVoice), Qt::Key_Return);
    RunCommands();
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    EXPECT_EQ(GetVoice(1, 0).program, program);
}

TEST_F(InspectorSheetTest, ResetGivesUpThePatchBeingPlaced)
{
    SelectStaves({1});
    Click(Control<QPushButton>(PCsqStaffInstrument::kList));
    Click(Control<MCButton>(PCsqStaffInstrument::kNewPatch));
    auto* time = Control<MCTimeEdit>(PCsqStaffInstrument::kTime);
    ASSERT_TRUE(time->isEnabled());
    time->SetTimeValue(MCTime(1.0f));
    ClickInstrument("Church Organ");
    ASSERT_TRUE(Sheet()->IsApplyEnabled());

    Click(Sheet()->ResetButton());
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    EXPECT_FALSE(InstrumentPage()->GetFlags() & PCsqStaffInstrument::flagNewPatch);
    EXPECT_FALSE(time->isEnabled());
    EXPECT_TRUE(Control<QComboBox>(PCsqStaffInstrument::kChannel)->isEnabled());

    // The next choice is an instrument of the voice, not a change placed at beat 2.
    ClickInstrument("Violin");
    Click(Sheet()->ApplyButton());
    RunCommands();
    EXPECT_EQ(Patches(1, 0), (std::vector<std::pair<float, int>>{{0.0f, 40}}));
}

TEST_F(InspectorSheetTest, TheDisplayOptionsAndTheAuditionWindowFollowThePage)
{
    SelectStaves({1});
    PickOption(PCsqStaffInstrument::kShowBank);
    EXPECT_EQ(LoadIntPreference(kInstrumentPrefs, "ShowBank", 0), 1);
    PickOption(PCsqStaffInstrument::kAudition);
    EXPECT_EQ(LoadIntPreference(kInstrumentPrefs, "Audition", 0), 1);
    QPointer<CAuditionWnd> audition = InstrumentPage()->GetAuditionWnd();
    ASSERT_FALSE(audition.isNull());
    ASSERT_TRUE(audition->isVisible());
    EXPECT_FALSE(widgettest::saveScreenshot(*audition, "inspector-audition").empty());

    // The staff pages leave the sheet for a note's: the audition window goes with them.
    SelectNote();
    ASSERT_EQ(Sheet()->GetCurrentType(), EventId::Note);
    EXPECT_TRUE(audition.isNull() || !audition->isVisible());

    // Back on a staff the options are as the user left them.
    SelectStaves({2});
    auto* tree = Control<MCProgramTree>(PCsqStaffInstrument::kTree);
    EXPECT_TRUE(tree->GetShowBank());
    ASSERT_NE(InstrumentPage()->GetAuditionWnd(), nullptr);
    EXPECT_TRUE(InstrumentPage()->GetAuditionWnd()->isVisible());
    PickOption(PCsqStaffInstrument::kAudition);
    EXPECT_FALSE(InstrumentPage()->GetAuditionWnd()->isVisible());
    EXPECT_EQ(LoadIntPreference(kInstrumentPrefs, "Audition", 1), 0);
}

// The document's own page shows its whole name, path and file times whatever the file: the
// window takes the room the texts need when they change, as when a file is named after the page
// was first shown (a document still loading) or saved under a longer name.
TEST_F(InspectorSheetTest, TheDocumentPageMakesRoomForItsTexts)
{
    const auto fits = [this]() -> std::string {
        QWidget* page = Sheet()->ActivePage();
        if (!dynamic_cast<PCPerformance*>(page))
            return "the document's page is not shown";
        page->layout()->activate();
        for (const int id : {PCPerformance::kFileName, PCPerformance::kPath, PCPerformance::kCreated,
                             PCPerformance::kModified, PCPerformance::kAccessed}) {
            auto* label = plat::ui::item<QLabel>(page, id);
            const QSize needed(label->wordWrap() ? 0 : label->sizeHint().width(),
                               label->wordWrap() ? label->heightForWidth(label->width()) : label->sizeHint().height());
            if (label->width() < needed.width() || label->height() < needed.height() ||
                !page->rect().contains(label->geometry()))
                return label->text().toStdString() + " is cut off: " + std::to_string(label->width()) + "x" +
                       std::to_string(label->height()) + " for " + std::to_string(needed.width()) + "x" +
                       std::to_string(needed.height()) + " in a page of " + std::to_string(page->width()) + "x" +
                       std::to_string(page->height());
        }
        return {};
    };
    const std::string first = File("test-corrupt-file-missing-byte.mid");
    documenttest::writeFile(first, {'M', 'T', 'h', 'd'});
    m_doc.SetPathName(first, 0);
    m_doc.GetSelection().RemoveAll();
    Announce();
    QApplication::processEvents();
    EXPECT_EQ(fits(), "");

    const std::string path = File("a-piece-with-a-rather-long-name-for-a-file.mid");
    documenttest::writeFile(path, {'M', 'T', 'h', 'd'});
    m_doc.SetPathName(path, 0);
    QApplication::processEvents();
    EXPECT_EQ(fits(), "");
    m_doc.GetSelection().RemoveAll();
    Announce();
    EXPECT_EQ(fits(), "");
}

}  // namespace
