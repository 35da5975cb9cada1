#include "inspector/core/InitInspector.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "inspector/views/CPropsEmpty.h"
#include "interface/document/CPluginInspector.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pages/MCInspectorPage.h"
#include "interface/tests/DocumentTestSupport.h"
#include "interface/tests/WidgetTestSupport.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddClef.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCEventList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/states/SCCommand.h"
#include "notabase/states/SCSelection.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/timer/UiTimers.h"
#include "sequencer/transport/CSequence.h"

#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

// A page the test registers for notes and grace notes: it counts its refreshes and can be
// marked changed as a user's edit marks it.
class TestNotePage : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(TestNotePage)
public:
    TestNotePage() { setWindowTitle("&Note"); }
    void UpdatePage() override { ++updates; }
    void OnUpdate(long hint, plat::Object*) override { hints.push_back(hint); }
    int updates = 0;
    std::vector<long> hints;
};
PLAT_IMPLEMENT_DYNCREATE(TestNotePage, plat::Object)

// A second note page, the one an effect's state brings forward.
class TestActionsPage : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(TestActionsPage)
public:
    TestActionsPage() { setWindowTitle("&Actions"); }
};
PLAT_IMPLEMENT_DYNCREATE(TestActionsPage, plat::Object)

class InspectorWndTest : public documenttest::DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        SaveIntPreference(CPropertiesWnd::kSection, "AutoCollapse", 0);
        InitInspector();
        for (CPluginInspector* page : {&m_note, &m_grace, &m_actions})
            CPluginInspector::AddPlugin(page);
        FillPiece(m_doc, 3, 2);
        MCOpusDoc::SetActiveDoc(&m_doc);
        m_wnd = std::make_unique<CPropertiesWnd>();
        ASSERT_TRUE(m_wnd->InitToolLayout(nullptr, CPropertiesWnd::kDialogId));
    }
    void TearDown() override
    {
        m_wnd.reset();
        m_doc.GetSelection().RemoveAll();
        for (CPluginInspector* page : {&m_note, &m_grace, &m_actions})
            CPluginInspector::RemovePlugin(page);
        SaveIntPreference(CPropertiesWnd::kSection, "AutoCollapse", 0);
        DocumentTest::TearDown();
    }

    ECStaff* Staff(int number)
    {
        return m_doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetStaff(number, 0);
    }
    ECBase* Note(int staff, int quarter)
    {
        ECMeasure* measure = m_doc.GetBaseEvent()->GetConductor()->GetMeasure(staff, MCTime(float(quarter)), 0, 0);
        for (ECBase* child : *measure->GetChildren()) {
            if (child->GetEventId() == EventId::Note && child->GetTime() && *child->GetTime() == MCTime(float(quarter)))
                return child;
        }
        return nullptr;
    }
    // The document's selection becomes elements, and the inspector hears it as a user's
    // selection (not a dynamic one).
    void Select(std::initializer_list<ECBase*> elements, bool dynamic = false)
    {
        m_doc.GetSelection().RemoveAll();
        for (ECBase* element : elements)
            m_doc.GetSelection().AddTail(element);
        SCSelection state(SCSelection::kReplace);
        state.SetDynamic(dynamic ? 1 : 0);
        m_wnd->OnUpdate(SCSelection::kReplace, &state);
    }
    std::vector<QString> Tabs() const
    {
        std::vector<QString> tabs;
        for (int i = 0; i < Sheet()->PageCount(); ++i)
            tabs.push_back(Sheet()->TabText(i));
        return tabs;
    }
    CInspector* Sheet() const { return m_wnd->GetInspector(); }
    TestNotePage* NotePage() { return dynamic_cast<TestNotePage*>(m_note.GetInspectorPage()); }

    MCOpusDoc m_doc;
    CPluginInspector m_note{EventId::Note, &TestNotePage::classObject, 10};
    CPluginInspector m_grace{EventId::GraceNote, &TestNotePage::classObject, 10};
    CPluginInspector m_actions{EventId::Note, &TestActionsPage::classObject, 20};
    std::unique_ptr<CPropertiesWnd> m_wnd;
};

TEST_F(InspectorWndTest, StavesShowTheirThreePagesAndASecondStaffKeepsThem)
{
    Select({Staff(1)});
    ASSERT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kShowingPages);
    EXPECT_EQ(Tabs(), (std::vector<QString>{"&Instrument", "&Appearance", "&Performance"}));
    EXPECT_EQ(m_wnd->windowTitle(), QString::fromStdString(GetEventString(EventId::Staff) + " Properties"));
    std::vector<QWidget*> pages;
    for (int i = 0; i < Sheet()->PageCount(); ++i)
        pages.push_back(Sheet()->Page(i));
    ASSERT_TRUE(Sheet()->SetActivePage(1));
    auto* appearance = dynamic_cast<MCInspectorPage*>(Sheet()->Page(1));
    ASSERT_TRUE(appearance->IsInitialized());

    // The same pages serve the second staff: they are refreshed, not taken out and put back.
    MCEventList second;
    second.AddTail(Staff(2));
    EXPECT_EQ(Sheet()->ShowPages(second), 1);
    Select({Staff(2)});
    for (int i = 0; i < Sheet()->PageCount(); ++i)
        EXPECT_EQ(Sheet()->Page(i), pages[size_t(i)]) << i;
    EXPECT_TRUE(appearance->IsInitialized());
    EXPECT_EQ(Sheet()->ActivePage(), appearance);
    EXPECT_EQ(appearance->GetEventList()->GetHead(), Staff(2));
}

TEST_F(InspectorWndTest, ThePageChoiceFollowsTheTypesTheSelectionShares)
{
    // Notes and grace notes share the note pages (the library's own and the test's); a note
    // and a staff share none.
    Select({Note(1, 0), Note(2, 1)});
    EXPECT_EQ(Tabs(), (std::vector<QString>{"&Performance", "&Note", "&Actions"}));
    MCEventList mixed;
    mixed.AddTail(Note(1, 0));
    mixed.AddTail(Staff(1));
    m_wnd->ShowProperties(mixed);
    EXPECT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kNoProperties);
    EXPECT_TRUE(m_wnd->IsMessageShown());
    EXPECT_EQ(m_wnd->MessageText(), "No Properties");
    EXPECT_EQ(m_wnd->windowTitle(), "Inspector");
    EXPECT_TRUE(Sheet()->isHidden());

    // An empty selection shows the document's own page, captioned by its type.
    Select({});
    EXPECT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kShowingPages);
    EXPECT_EQ(Sheet()->GetCurrentType(), EventId::Performance);
    EXPECT_EQ(Tabs(), (std::vector<QString>{"Info"}));
    EXPECT_EQ(m_wnd->windowTitle(), QString::fromStdString(GetEventString(EventId::Performance) + " Properties"));
    EXPECT_FALSE(m_wnd->IsMessageShown());
}

TEST_F(InspectorWndTest, NotesAndGraceNotesShareOnePageObject)
{
    CPluginInspector::PageList notes, graces;
    ASSERT_EQ(CPluginInspector::GetInspectors(EventId::Note, notes), 1);
    ASSERT_EQ(CPluginInspector::GetInspectors(EventId::GraceNote, graces), 1);
    EXPECT_EQ(graces.front(), notes.front());
}

TEST_F(InspectorWndTest, ReturningToATypeBringsBackItsLastPage)
{
    Select({Staff(1)});
    ASSERT_TRUE(Sheet()->SetActivePage(2));
    const std::string staffChoice = Sheet()->GetActivePageChoice();
    Select({Note(1, 0)});
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Performance") << "the first page of a type not shown before";
    ASSERT_TRUE(Sheet()->SetActivePage(2));
    Select({Staff(2)});
    EXPECT_EQ(Sheet()->GetActivePageChoice(), staffChoice);
    EXPECT_EQ(Sheet()->ActivePage(), Sheet()->Page(2));
    Select({Note(2, 1)});
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Actions");
}

TEST_F(InspectorWndTest, OnlyAUsersSelectionReachesTheInspectorAndItsPages)
{
    Select({Note(1, 0)});
    TestNotePage* page = NotePage();
    const int updates = page->updates;
    page->hints.clear();
    // Dragging out a selection, and a hint without its state, change nothing.
    Select({Staff(1)}, true);
    m_wnd->OnUpdate(SCSelection::kAdd, nullptr);
    EXPECT_EQ(Tabs(), (std::vector<QString>{"&Performance", "&Note", "&Actions"}));
    EXPECT_EQ(page->updates, updates);
    EXPECT_TRUE(page->hints.empty());
    // The finished selection shows.
    Select({Note(1, 1)});
    EXPECT_GT(page->updates, updates);
    EXPECT_EQ(page->hints, std::vector<long>{SCSelection::kReplace});
}

TEST_F(InspectorWndTest, WhileRecordingOnlyCommandsOtherThanRecordedAdditionsRefresh)
{
    Select({Note(1, 0)});
    TestNotePage* page = NotePage();
    m_doc.GetSequence()->AddState(CSequence::stateRecording);
    struct Case {
        const char* what;
        std::vector<int> commands;  // 0 CCAdd, 1 CCAddClef
        bool refreshes;
    };
    for (const Case& c : {Case{"recorded additions only", {0, 0}, false}, Case{"no commands", {}, false},
                          Case{"a clef among them", {0, 1}, true}}) {
        SCCommand state(500);
        for (const int kind : c.commands)
            state.GetCommands().AddTail(kind == 0 ? static_cast<CCBase*>(new CCAdd) : new CCAddClef);
        const int before = page->updates;
        m_wnd->OnUpdate(500, &state);
        EXPECT_EQ(page->updates > before, c.refreshes) << c.what;
    }
    m_doc.GetSequence()->ClearState(CSequence::stateRecording);
    const int before = page->updates;
    SCCommand plain(500);
    m_wnd->OnUpdate(500, &plain);
    EXPECT_GT(page->updates, before);
}

TEST_F(InspectorWndTest, FileStatesAndNoDocumentShowNothingSelected)
{
    Select({Note(1, 0)});
    m_wnd->OnUpdate(1301, nullptr);
    EXPECT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kNothingSelected);
    EXPECT_EQ(m_wnd->MessageText(), "Nothing Selected");
    // The pages let go of the document.
    EXPECT_EQ(NotePage()->GetDocument(), nullptr);
    Select({Note(1, 0)});
    EXPECT_EQ(NotePage()->GetDocument(), &m_doc);
    MCOpusDoc::SetActiveDoc(nullptr);
    m_wnd->OnUpdate(500, nullptr);
    EXPECT_EQ(m_wnd->GetShownState(), CPropertiesWnd::kNothingSelected);
    EXPECT_EQ(m_wnd->windowTitle(), "Inspector");
}

TEST_F(InspectorWndTest, KeysSwitchPagesApplyResetAndHide)
{
    Select({Staff(1)});
    m_wnd->show();
    QWidget* focus = Sheet()->Tabs()->tabBar();
    QTest::keyClick(focus, Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Appearance");
    QTest::keyClick(focus, Qt::Key_PageUp, Qt::ControlModifier);
    QTest::keyClick(focus, Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Performance");
    QTest::keyClick(focus, Qt::Key_I, Qt::AltModifier);
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Instrument");

    // Escape with a change pending takes the values back and keeps the window.
    auto* page = dynamic_cast<MCInspectorPage*>(Sheet()->ActivePage());
    page->SetModifiedFlag(true);
    EXPECT_TRUE(Sheet()->IsApplyEnabled());
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(page->IsModified());
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    EXPECT_TRUE(m_wnd->isVisible());
    // Enter applies what is pending.
    page->SetModifiedFlag(true);
    QTest::keyClick(focus, Qt::Key_Return);
    EXPECT_FALSE(page->IsModified());
    EXPECT_FALSE(Sheet()->IsApplyEnabled());
    // Escape with nothing pending hides the inspector.
    QTest::keyClick(focus, Qt::Key_Escape);
    EXPECT_FALSE(m_wnd->isVisible());
}

TEST_F(InspectorWndTest, AutoCollapseFollowsTheCursorOnTheInterfaceClock)
{
    plat::media::ManualTimerService timers(1000);
    const plat::ui::UiTimers::ScopedService scoped(timers);
    QPoint cursor(-10000, -10000);
    const auto previous = MCCollapseWatch::SetCursorSource([&cursor] { return cursor; });
    SaveIntPreference(CPropertiesWnd::kSection, "AutoCollapse", 1);
    Select({Staff(1)});
    m_wnd->show();
    m_wnd->OnUpdate(1600, nullptr);
    ASSERT_TRUE(m_wnd->IsAutoCollapse());
    EXPECT_TRUE(m_wnd->IsCollapsed());

    // The mouse over it expands it and starts watching the cursor.
    QTest::mouseMove(m_wnd.get(), QPoint(5, 5));
    m_wnd->Expand();
    EXPECT_FALSE(m_wnd->IsCollapsed());
    EXPECT_TRUE(m_wnd->CollapseTimerRunning());
    cursor = m_wnd->frameGeometry().center();
    timers.advance(1000);
    EXPECT_FALSE(m_wnd->IsCollapsed());
    // Outside: it collapses once 250 ms have passed since the cursor was first seen out.
    cursor = QPoint(-10000, -10000);
    timers.advance(CPropertiesWnd::kCollapseMs);
    EXPECT_FALSE(m_wnd->IsCollapsed());
    timers.advance(CPropertiesWnd::kCollapseMs);
    EXPECT_TRUE(m_wnd->IsCollapsed());
    EXPECT_FALSE(m_wnd->CollapseTimerRunning());

    // An effect's state expands it and brings its actions forward, without the timer.
    Select({Note(1, 0)});
    m_wnd->OnUpdate(5100, nullptr);
    EXPECT_TRUE(m_wnd->Body()->isVisibleTo(m_wnd.get()));
    EXPECT_FALSE(m_wnd->CollapseTimerRunning());
    EXPECT_TRUE(m_wnd->IsAutoCollapse());
    EXPECT_EQ(Sheet()->GetActivePageChoice(), "&Actions");
    // The next mouse move over it watches the cursor again.
    m_wnd->Expand();
    EXPECT_TRUE(m_wnd->CollapseTimerRunning());
    MCCollapseWatch::SetCursorSource(previous);
    m_wnd.reset();
}

TEST_F(InspectorWndTest, TheSheetGivesItsPagesBackWhenItGoes)
{
    Select({Note(1, 0)});
    QPointer<QWidget> page = Sheet()->Page(0);
    m_wnd.reset();
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page->parentWidget(), nullptr);
    EXPECT_EQ(NotePage()->GetEventList(), nullptr);
}

TEST_F(InspectorWndTest, Screenshots)
{
    m_wnd->show();
    Select({Staff(1)});
    EXPECT_FALSE(widgettest::saveScreenshot(*m_wnd, "inspector-window-staff").empty());
    Select({Staff(1), Staff(2)});
    ASSERT_TRUE(Sheet()->SetActivePage(1));
    EXPECT_FALSE(widgettest::saveScreenshot(*m_wnd, "inspector-window-staves-mixed").empty());
    Select({});
    EXPECT_FALSE(widgettest::saveScreenshot(*m_wnd, "inspector-window-document").empty());
    MCEventList mixed;
    mixed.AddTail(Note(1, 0));
    mixed.AddTail(Staff(1));
    m_wnd->ShowProperties(mixed);
    EXPECT_FALSE(widgettest::saveScreenshot(*m_wnd, "inspector-window-no-properties").empty());
}

}  // namespace
