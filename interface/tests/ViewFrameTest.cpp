// The child frames of a document's views as a user meets them in the main window: shown from
// a menu, closed in turn, with several documents open.

#include "DocumentTestSupport.h"
#include "WidgetTestSupport.h"

#include "interface/document/CPluginView.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "platform/core/Resources.h"

#include <QMainWindow>
#include <QMdiArea>
#include <QTest>

#include <memory>

namespace {

// A view that counts its initial updates and remembers the document its frame showed then.
class CountingView : public QWidget, public plat::Object {
    PLAT_DECLARE_DYNCREATE(CountingView)
public:
    CountingView() { setMinimumSize(200, 120); }
    int updates = 0;
    MCOpusDoc* shown = nullptr;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == MCOpusWnd::InitialUpdateEvent()) {
            ++updates;
            const MCOpusWnd* frame = MCOpusWnd::FrameOf(this);
            shown = frame ? frame->GetDocument() : nullptr;
            return true;
        }
        return QWidget::event(e);
    }
};
PLAT_IMPLEMENT_DYNCREATE(CountingView, plat::Object)

class OtherView : public CountingView {
    PLAT_DECLARE_DYNCREATE(OtherView)
};
PLAT_IMPLEMENT_DYNCREATE(OtherView, CountingView)

constexpr plat::Resources::Entry kStrings[] = {{9200, "&Score"}, {9201, "&Piano Roll"}};

class ViewFrameTest : public documenttest::DocumentTest {
protected:
    ViewFrameTest()
        : m_strings("ViewFrameTestViews", kStrings),
          m_score(&CountingView::classObject, &MCOpusWnd::classObject, "ViewFrameTestViews", 0, 9200, 1),
          m_roll(&OtherView::classObject, &MCOpusWnd::classObject, "ViewFrameTestViews", 1, 9201, 2)
    {
    }
    void SetUp() override
    {
        documenttest::DocumentTest::SetUp();
        CPluginView::AddPlugin(&m_score);
        CPluginView::AddPlugin(&m_roll);
        m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
        m_area = new QMdiArea;
        m_main.setCentralWidget(m_area);
        m_template->SetMdiArea(m_area);
        m_main.resize(800, 600);
        m_main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_main));
    }
    void TearDown() override
    {
        m_template.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CPluginView::RemovePlugin(&m_score);
        CPluginView::RemovePlugin(&m_roll);
        documenttest::DocumentTest::TearDown();
    }
    // A new document in its default view, activated as the program opens one; its other view
    // has a frame too, not shown yet.
    MCOpusDoc* OpenDocument()
    {
        MCOpusDoc* doc = m_template->OpenNewDocument();
        if (!doc)
            return nullptr;
        MCOpusWnd* first = m_template->GetFrames(doc).front();
        m_template->CreateNewFrameClass(doc, first, &MCOpusWnd::classObject, &OtherView::classObject);
        first->ActivateFrame();
        return doc;
    }
    static CountingView* ViewOf(MCOpusWnd* frame) { return dynamic_cast<CountingView*>(frame->widget()); }

    plat::Resources::Registration m_strings;
    CPluginView m_score;
    CPluginView m_roll;
    QMainWindow m_main;
    QMdiArea* m_area = nullptr;
    std::unique_ptr<MCOpusTemplate> m_template;
};

TEST_F(ViewFrameTest, AViewShownFromTheMenuGetsItsInitialUpdateOnce)
{
    MCOpusDoc* doc = OpenDocument();
    ASSERT_NE(doc, nullptr);
    MCOpusWnd* roll = m_template->GetViewFrame(doc, m_roll.GetViewID());
    ASSERT_NE(roll, nullptr);
    EXPECT_EQ(ViewOf(roll)->updates, 0) << "not shown yet";
    // The view's menu item shows its frame and makes it the active one.
    roll->show();
    m_area->setActiveSubWindow(roll);
    EXPECT_EQ(ViewOf(roll)->updates, 1);
    EXPECT_EQ(ViewOf(roll)->shown, doc);
    EXPECT_TRUE(roll->IsActivated());
    roll->hide();
    roll->ActivateFrame();
    EXPECT_EQ(ViewOf(roll)->updates, 1) << "only the first showing updates";
    EXPECT_EQ(ViewOf(m_template->GetViewFrame(doc, m_score.GetViewID()))->updates, 1);
}

TEST_F(ViewFrameTest, ClosingADocumentActivatesAFrameOfAnotherDocument)
{
    MCOpusDoc* first = OpenDocument();
    MCOpusDoc* second = OpenDocument();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), second);
    m_template->GetViewFrame(second, m_score.GetViewID())->close();
    ASSERT_EQ(m_template->GetDocuments().size(), 1u);
    MCOpusWnd* left = m_template->GetViewFrame(first, m_score.GetViewID());
    EXPECT_EQ(m_area->activeSubWindow(), left);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), first);
}

}  // namespace
