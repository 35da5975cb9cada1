// The Edit commands reach the active child frame's document through the command router: its
// view, its document and its frame are linked before the main frame.

#include "app/tests/AppTestSupport.h"

#include "app/frame/CClientWnd.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCSelection.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kClear = 57632, kCopy = 57634, kCut = 57635, kPaste = 57637, kUndo = 57643, kRedo = 57644;

// A view that answers Copy itself, as a view plug-in may.
class CopyingView : public apptest::ViewA, public plat::ui::CommandTarget {
    PLAT_DECLARE_DYNCREATE(CopyingView)
public:
    bool onCommand(uint32_t id) override
    {
        copies += id == kCopy;
        return id == kCopy;
    }
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState&) override { return id == kCopy; }
    int copies = 0;
};

PLAT_IMPLEMENT_DYNCREATE(CopyingView, apptest::ViewA)

class EditRoutingTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        apptest::FrameTest::SetUp();
        m_frame->LinkCommandRouter(m_router);
    }

    static int Notes(MCOpusDoc* doc)
    {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(doc->GetBaseEvent());
        return find.GetEvents().GetCount();
    }
    static void SelectNotes(MCOpusDoc* doc, int count)
    {
        ACFindEvents find;
        find.AddEvtType(EventId::Note);
        find.Apply(doc->GetBaseEvent());
        auto* state = new SCSelection(SCSelection::kReplace);
        int n = 0;
        for (ECBase* note : find.GetEvents()) {
            if (n++ < count)
                state->AddToSelection(note);
        }
        state->SetSynchronous(1);
        state->Apply(doc->GetBaseEvent());
    }
    // A document with two staves of four notes, shown in its frame.
    MCOpusDoc* Piece()
    {
        MCOpusDoc* doc = NewDocument();
        FillPiece(*doc, 2, 4);
        doc->GetBaseEvent()->ClearUndo();
        return doc;
    }
};

TEST_F(EditRoutingTest, WithoutADocumentTheEditCommandsAreDisabled)
{
    for (uint32_t id : {kClear, kCopy, kCut, kPaste, kUndo, kRedo}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(m_router.update(id).enabled);
        EXPECT_FALSE(m_router.execute(id));
    }
}

TEST_F(EditRoutingTest, DeleteUndoAndRedoReachTheActiveDocumentWithTheUndoItemsName)
{
    MCOpusDoc* doc = Piece();
    ASSERT_EQ(Notes(doc), 8);
    EXPECT_FALSE(m_router.update(kUndo).enabled);
    EXPECT_FALSE(m_router.update(kClear).enabled) << "nothing selected";
    SelectNotes(doc, 3);
    ASSERT_TRUE(m_router.update(kClear).enabled);
    ASSERT_TRUE(m_router.execute(kClear));
    EXPECT_EQ(Notes(doc), 5);
    const plat::ui::CommandState undo = m_router.update(kUndo);
    EXPECT_TRUE(undo.enabled);
    EXPECT_EQ(undo.text, "Undo Delete\tCtrl+Z");
    ASSERT_TRUE(m_router.execute(kUndo));
    EXPECT_EQ(Notes(doc), 8);
    const plat::ui::CommandState redo = m_router.update(kRedo);
    EXPECT_TRUE(redo.enabled);
    EXPECT_EQ(redo.text, "Redo Delete\tCtrl+Y");
    ASSERT_TRUE(m_router.execute(kRedo));
    EXPECT_EQ(Notes(doc), 5);
}

TEST_F(EditRoutingTest, CutCopyAndPasteGoToTheDocumentOfTheActiveFrame)
{
    MCOpusDoc* first = Piece();
    MCOpusDoc* second = Piece();
    ASSERT_EQ(m_frame->ActiveChildFrame(), m_template->GetFrames(second).front());
    SelectNotes(second, 2);
    EXPECT_TRUE(m_router.update(kCopy).enabled);
    ASSERT_TRUE(m_router.execute(kCut));
    EXPECT_EQ(Notes(second), 6);
    EXPECT_EQ(Notes(first), 8) << "only the active document";
    EXPECT_EQ(m_router.update(kUndo).text, "Undo Cut\tCtrl+Z");
    EXPECT_TRUE(m_router.update(kPaste).enabled) << "the cut notes are on the clipboard";

    // The other frame comes to the front: its document takes the commands.
    m_template->GetFrames(first).front()->ActivateFrame();
    ASSERT_EQ(m_frame->ActiveChildFrame()->GetDocument(), first);
    EXPECT_FALSE(m_router.update(kUndo).enabled) << "the first document has nothing to undo";
    EXPECT_FALSE(m_router.update(kCopy).enabled) << "nor a selection";
    // A staff copied and pasted there: the first document has three.
    ECConductor* conductor = first->GetBaseEvent()->GetConductor();
    auto* select = new SCSelection(SCSelection::kReplace);
    select->AddToSelection(conductor->GetTrack(ECConductor::staffTrack, 1, 0));
    select->SetSynchronous(1);
    select->Apply(first->GetBaseEvent());
    ASSERT_TRUE(m_router.execute(kCopy));
    ASSERT_TRUE(m_router.execute(kPaste));
    EXPECT_EQ(conductor->GetMaxTrackNumber(ECConductor::staffTrack), 3);
    EXPECT_EQ(second->GetBaseEvent()->GetConductor()->GetMaxTrackNumber(ECConductor::staffTrack), 2);
}

TEST_F(EditRoutingTest, TheActiveViewComesBeforeItsDocument)
{
    CPluginView copying(&CopyingView::classObject, &MCOpusWnd::classObject, "AppTestViews", 2, 9100, 3);
    ASSERT_TRUE(CPluginView::AddPlugin(&copying));
    MCOpusDoc* doc = Piece();
    MCOpusWnd* frame = m_template->CreateNewFrameClass(doc, nullptr, &MCOpusWnd::classObject, &CopyingView::classObject);
    ASSERT_NE(frame, nullptr);
    frame->ActivateFrame();
    auto* view = dynamic_cast<CopyingView*>(frame->widget());
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(m_router.execute(kCopy)) << "enabled by the view though nothing is selected";
    EXPECT_EQ(view->copies, 1);
    EXPECT_FALSE(m_router.update(kClear).enabled) << "the document's, as the view does not answer";
    m_template->CloseDocument(doc);
    CPluginView::RemovePlugin(&copying);
}

}  // namespace
