// Every way a user closes a document window, by a real click on the real control or by its
// command: the program goes on, the other document stays open with its changes and is
// offered for saving when it closes, and no "~" backup of the closed one is left.

#include "app/tests/AppTestSupport.h"

#include "app/core/AppCommandIds.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QStyleOptionComplex>
#include <QStyleOptionTitleBar>
#include <QApplication>
#include <QMouseEvent>
#include <QTest>

#include <functional>

namespace {

using plat::UserPrompt;

struct CloseWay {
    // The test's name.
    const char* name;
    std::function<void(MCOpusWnd& frame, CMainFrame& main, plat::ui::CommandRouter& router, MCOpusTemplate& templ,
                       MCOpusDoc& doc)>
        close;
    // Whether the way goes on to the other document, which then asks to be saved.
    bool reachesOther = false;
};

class DocumentCloseTest : public apptest::FrameTest, public ::testing::WithParamInterface<CloseWay> {
protected:
    void SetUp() override
    {
        FrameTest::SetUp();
        SaveIntPreference("Settings\\Save", "CreateBackup", 1);
        // The one closed: a file, with its backup beside it. Opened first, so quitting comes
        // to it first; active, so the window commands do.
        {
            MCOpusDoc piece;
            FillPiece(piece, 1, 4);
            piece.GetHeader()->SetFormat(MCOpusHeader::formatNative);
            ASSERT_TRUE(piece.OnSaveDocument(File("closed.kvd")));
            piece.OnCloseDocument();
        }
        m_closed = m_template->OpenDocumentFile(File("closed.kvd"));
        ASSERT_NE(m_closed, nullptr);
        m_frameOfClosed = m_template->GetFrames(m_closed).front();
        // The other document: new, changed, never saved.
        m_other = NewDocument();
        ASSERT_NE(m_other, nullptr);
        m_other->SetModifiedFlag(1);
        m_frameOfClosed->ActivateFrame();
        ASSERT_TRUE(std::filesystem::exists(File("~closed.kvd")));
        m_prompts.Clear();
    }

    // Lets the click's handlers return and what they left for later run.
    static void Settle()
    {
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    std::vector<MCOpusDoc*> Documents() const { return m_template->GetDocuments(); }

    MCOpusDoc* m_other = nullptr;
    MCOpusDoc* m_closed = nullptr;
    MCOpusWnd* m_frameOfClosed = nullptr;
};

// The rectangle of a sub-control of a frame's title bar, as the frame lays it out.
QRect titleBarButton(QMdiSubWindow& frame, QStyle::SubControl control)
{
    QStyleOptionTitleBar option;
    option.initFrom(&frame);
    option.subControls = QStyle::SC_All;
    option.titleBarFlags = frame.windowFlags();
    option.titleBarState = frame.windowState();
    option.state |= QStyle::State_Active;
    const int height = frame.style()->pixelMetric(QStyle::PM_TitleBarHeight, &option, &frame);
    const int border = frame.style()->pixelMetric(QStyle::PM_MdiSubWindowFrameWidth, nullptr, &frame);
    option.rect = QRect(border, border, frame.width() - 2 * border, height - border);
    return frame.style()->subControlRect(QStyle::CC_TitleBar, &option, control, &frame);
}

// The close button that a maximized frame puts in the menu bar's corner.
QRect menuBarCloseButton(QWidget& controls)
{
    QStyleOptionComplex option;
    option.initFrom(&controls);
    option.subControls = QStyle::SC_MdiCloseButton | QStyle::SC_MdiNormalButton | QStyle::SC_MdiMinButton;
    option.activeSubControls = QStyle::SC_None;
    return controls.style()->subControlRect(QStyle::CC_MdiControls, &option, QStyle::SC_MdiCloseButton, &controls);
}

using namespace AppCommandIds;

const CloseWay kWays[] = {
    {"TitleBarCloseButton",
     [](MCOpusWnd& frame, CMainFrame&, plat::ui::CommandRouter&, MCOpusTemplate&, MCOpusDoc&) {
         const QRect button = titleBarButton(frame, QStyle::SC_TitleBarCloseButton);
         ASSERT_TRUE(button.isValid());
         QMouseEvent hover(QEvent::MouseMove, QPointF(button.center()), QPointF(frame.mapToGlobal(button.center())),
                           Qt::NoButton, Qt::NoButton, Qt::NoModifier);
         QApplication::sendEvent(&frame, &hover);
         QTest::mouseClick(&frame, Qt::LeftButton, {}, button.center());
     }},
    {"SystemMenuClose",
     [](MCOpusWnd& frame, CMainFrame&, plat::ui::CommandRouter&, MCOpusTemplate&, MCOpusDoc&) {
         frame.showSystemMenu();
         QMenu* menu = frame.systemMenu();
         ASSERT_NE(menu, nullptr);
         ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
         QAction* close = nullptr;
         for (QAction* action : menu->actions()) {
             if (action->text().remove('&') == "Close")
                 close = action;
         }
         ASSERT_NE(close, nullptr);
         const QPoint at = menu->actionGeometry(close).center();
         QTest::mouseMove(menu, at);
         QTest::mouseClick(menu, Qt::LeftButton, {}, at);
     }},
    {"MaximizedCloseButtonInTheMenuBar",
     [](MCOpusWnd& frame, CMainFrame& main, plat::ui::CommandRouter&, MCOpusTemplate&, MCOpusDoc&) {
         frame.showMaximized();
         QCoreApplication::processEvents();
         QWidget* controls = main.menuBar()->cornerWidget(Qt::TopRightCorner);
         ASSERT_NE(controls, nullptr);
         ASSERT_TRUE(controls->isVisible());
         const QRect button = menuBarCloseButton(*controls);
         ASSERT_TRUE(button.isValid());
         QTest::mouseMove(controls, button.center());
         QTest::mouseClick(controls, Qt::LeftButton, {}, button.center());
     }},
    {"WindowCloseWindow",
     [](MCOpusWnd&, CMainFrame&, plat::ui::CommandRouter& router, MCOpusTemplate&, MCOpusDoc&) {
         EXPECT_TRUE(router.execute(CloseWindow));
     }},
    {"WindowCloseAllWindows",
     [](MCOpusWnd&, CMainFrame&, plat::ui::CommandRouter& router, MCOpusTemplate&, MCOpusDoc&) {
         EXPECT_TRUE(router.execute(CloseAllWindows));
     },
     true},
    // What File > Close does with the active document.
    {"FileClose",
     [](MCOpusWnd&, CMainFrame&, plat::ui::CommandRouter&, MCOpusTemplate& templ, MCOpusDoc& doc) {
         EXPECT_EQ(templ.CloseDocument(&doc), 1);
     }},
    {"Quitting", [](MCOpusWnd&, CMainFrame& main, plat::ui::CommandRouter&, MCOpusTemplate&,
                    MCOpusDoc&) { EXPECT_FALSE(main.close()) << "the other document was kept"; },
     true},
};

TEST_P(DocumentCloseTest, AsksOnlyForChangesAndLeavesTheOtherDocumentIntact)
{
    // Keeping the other document when the way reaches it.
    if (GetParam().reachesOther)
        m_prompts.Answer(UserPrompt::Answer::cancel);
    const QPointer<MCOpusWnd> frame(m_frameOfClosed);
    GetParam().close(*m_frameOfClosed, *m_frame, m_router, *m_template, *m_closed);
    Settle();

    EXPECT_TRUE(frame.isNull()) << "the frame went once its click was handled";
    EXPECT_EQ(Documents(), std::vector<MCOpusDoc*>{m_other});
    EXPECT_FALSE(std::filesystem::exists(File("~closed.kvd")));
    EXPECT_EQ(m_prompts.Texts().size(), GetParam().reachesOther ? 1u : 0u) << "only the changed document asks";
    ASSERT_NE(m_other->GetBaseEvent(), nullptr);
    EXPECT_TRUE(m_other->IsModified());
    EXPECT_TRUE(m_frame->isVisible());
    const std::vector<MCOpusWnd*> others = m_template->GetFrames(m_other);
    ASSERT_EQ(others.size(), 1u);
    EXPECT_TRUE(others.front()->isVisible());
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), m_other) << "the document left comes to the front";
    EXPECT_EQ(m_template->GetMdiArea()->activeSubWindow(), others.front());

    // The other document asks before it goes.
    m_prompts.Clear();
    m_prompts.Answer(UserPrompt::Answer::no);
    EXPECT_EQ(m_template->CloseDocument(m_other), 1);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find("Save changes to Untitled"), std::string::npos) << m_prompts.Texts()[0];
    Settle();
    EXPECT_TRUE(Documents().empty());
}

INSTANTIATE_TEST_SUITE_P(Ways, DocumentCloseTest, ::testing::ValuesIn(kWays),
                         [](const ::testing::TestParamInfo<CloseWay>& info) { return std::string(info.param.name); });

}  // namespace
