#include "app/tests/AppTestSupport.h"

#include "app/frame/CClientWnd.h"
#include "app/frame/CToolPlaceholderWnd.h"
#include "interface/views/MCToolWnd.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCSelection.h"
#include "sequencer/states/SCPerform.h"

#include <QTest>

#include <utility>
#include <vector>

namespace {

// A tool window that keeps every state it hears.
class RecordingToolWnd : public MCToolWnd {
public:
    explicit RecordingToolWnd(QWidget* owner) : MCToolWnd(owner) {}
    void OnUpdate(long hint, SCBase* state) override { heard.emplace_back(hint, state); }
    std::vector<long> Hints() const
    {
        std::vector<long> hints;
        for (const auto& [hint, state] : heard)
            hints.push_back(hint);
        return hints;
    }
    std::vector<std::pair<long, SCBase*>> heard;
};

class ToolWindowFrameTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        // The mixer's slot gets a window of the test; the others stay empty.
        m_previous = CMainFrame::SetToolWindowMaker(CMainFrame::kMixer, [this](CMainFrame& frame, QWidget* client) {
            m_mixer = new RecordingToolWnd(client);
            m_mixer->InitToolLayout(&frame, 0);
            m_mixer->EnableDocking(Qt::BottomDockWidgetArea);
            m_mixer->DockControlBar(Qt::BottomDockWidgetArea);
            m_mixer->show();
            m_client = client;
            return m_mixer;
        });
        apptest::FrameTest::SetUp();
    }
    void TearDown() override
    {
        apptest::FrameTest::TearDown();
        CMainFrame::SetToolWindowMaker(CMainFrame::kMixer, std::move(m_previous));
    }

    CMainFrame::ToolWindowMaker m_previous;
    RecordingToolWnd* m_mixer = nullptr;
    QWidget* m_client = nullptr;
};

TEST_F(ToolWindowFrameTest, TheProgramsMakerFillsItsSlotAndTheOthersGetEmptyWindows)
{
    ASSERT_NE(m_mixer, nullptr);
    EXPECT_EQ(m_frame->ToolWindow(CMainFrame::kMixer), m_mixer);
    EXPECT_EQ(m_client, static_cast<QWidget*>(m_frame->Client())) << "made for the frame's MDI client";
    EXPECT_EQ(m_mixer->objectName(), "Mixer");
    EXPECT_EQ(m_mixer->DockedArea(), Qt::BottomDockWidgetArea);
    for (int slot : {CMainFrame::kMusicPalette, CMainFrame::kInspector}) {
        SCOPED_TRACE(slot);
        auto* empty = dynamic_cast<CToolPlaceholderWnd*>(m_frame->ToolWindow(slot));
        ASSERT_NE(empty, nullptr);
        EXPECT_TRUE(empty->isFloating());
        EXPECT_EQ(empty->GetDockingAreas(), Qt::NoDockWidgetArea);
        EXPECT_FALSE(empty->isVisible());
    }
    EXPECT_EQ(m_frame->ToolWindow(CMainFrame::kMusicPalette)->objectName(), "MusicPalette");
    EXPECT_EQ(m_frame->ToolWindow(CMainFrame::kInspector)->objectName(), "Inspector");

    // View > Mixer and View > Inspector toggle them.
    ASSERT_TRUE(m_router.execute(33241));
    EXPECT_FALSE(m_mixer->isVisible());
    EXPECT_FALSE(m_router.update(33241).checked);
    ASSERT_TRUE(m_router.execute(33241));
    EXPECT_TRUE(m_mixer->isVisible());
    ASSERT_TRUE(m_router.execute(33242));
    EXPECT_TRUE(m_frame->ToolWindow(CMainFrame::kInspector)->isVisible());
    EXPECT_TRUE(m_router.update(33242).checked);
}

using EmptyToolWindowTest = apptest::FrameTest;

TEST_F(EmptyToolWindowTest, WithoutMakersTheMixerDocksAtTheBottomAndTheOthersFloat)
{
    MCToolWnd* mixer = m_frame->ToolWindow(CMainFrame::kMixer);
    ASSERT_NE(dynamic_cast<CToolPlaceholderWnd*>(mixer), nullptr);
    EXPECT_EQ(mixer->GetDockingAreas(), Qt::BottomDockWidgetArea);
    EXPECT_EQ(mixer->DockedArea(), Qt::BottomDockWidgetArea);
    EXPECT_FALSE(mixer->isVisible()) << "nothing to show yet";
    ASSERT_TRUE(m_router.execute(33241));
    EXPECT_TRUE(mixer->isVisible());
    EXPECT_EQ(m_frame->dockWidgetArea(mixer), Qt::BottomDockWidgetArea);
    for (int slot : {CMainFrame::kMusicPalette, CMainFrame::kInspector}) {
        MCToolWnd* window = m_frame->ToolWindow(slot);
        ASSERT_NE(dynamic_cast<CToolPlaceholderWnd*>(window), nullptr);
        EXPECT_TRUE(window->isFloating());
    }
}

TEST_F(ToolWindowFrameTest, EveryToolWindowHearsEveryStateTheFrameHears)
{
    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc, nullptr);
    std::vector<long> docHeard;
    const plat::Connection view = doc->AddView([&](long hint, SCBase*) { docHeard.push_back(hint); });
    m_mixer->heard.clear();

    // A state of the document's performance: after the document, the frame and its tool
    // windows hear it, with the state itself.
    auto* stop = new SCPerform(3300);
    stop->SetSynchronous(1);
    stop->Apply(doc->GetBaseEvent());
    ASSERT_FALSE(m_mixer->heard.empty());
    EXPECT_EQ(m_mixer->heard.back().first, 3300);
    EXPECT_EQ(m_mixer->Hints(), docHeard) << "the same states, in the same order";

    // A state without a performance: every document hears it, the tool windows once.
    m_mixer->heard.clear();
    ASSERT_TRUE(m_router.execute(33211));
    EXPECT_EQ(m_mixer->Hints(), std::vector<long>{1502});
    m_router.execute(33210);

    // Whatever the frame is handed, each tool window gets, palette, mixer and inspector alike.
    m_mixer->heard.clear();
    SCSelection selection(1703);
    for (long code : {1303L, 1600L, 1703L, 3304L, 3400L, 5001L, 9999L}) {
        selection.SetCode(static_cast<int>(code));
        m_frame->OnStateChange(static_cast<int>(code), &selection);
    }
    EXPECT_EQ(m_mixer->Hints(), (std::vector<long>{1303, 1600, 1703, 3304, 3400, 5001, 9999}));
    for (const auto& [hint, state] : m_mixer->heard)
        EXPECT_EQ(state, &selection);
}

}  // namespace
