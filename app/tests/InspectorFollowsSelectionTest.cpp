#include "app/tests/AppTestSupport.h"

#include "app/core/AppCommandIds.h"
#include "app/dialogs/CSelectEventsDlg.h"
#include "glyphtray/views/CMusicWnd.h"
#include "inspector/core/InitInspector.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/controls/MCCheckList.h"
#include "interface/document/CPluginInspector.h"
#include "interface/document/CPluginMusic.h"
#include "interface/pages/MCMusicPage.h"
#include "notabase/model/EventTypes.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class SymbolsPage : public MCMusicPage {
    PLAT_DECLARE_DYNCREATE(SymbolsPage)
};
PLAT_IMPLEMENT_DYNCREATE(SymbolsPage, plat::Object)

// The frame with the program's inspector, its pages, and the palette in their slots.
class InspectorFollowsSelectionTest : public apptest::FrameTest {
protected:
    void SetUp() override
    {
        InitInspector();
        CPluginMusic::AddPlugin(&m_symbols);
        m_previousInspector = CMainFrame::SetToolWindowMaker(
            CMainFrame::kInspector, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
                return new CPropertiesWnd(&frame, client);
            });
        m_previousPalette = CMainFrame::SetToolWindowMaker(
            CMainFrame::kMusicPalette,
            [](CMainFrame& frame, QWidget* client) -> MCToolWnd* { return new CMusicWnd(&frame, client); });
        apptest::FrameTest::SetUp();
    }
    void TearDown() override
    {
        apptest::FrameTest::TearDown();
        CMainFrame::SetToolWindowMaker(CMainFrame::kInspector, std::move(m_previousInspector));
        CMainFrame::SetToolWindowMaker(CMainFrame::kMusicPalette, std::move(m_previousPalette));
        CPluginMusic::RemovePlugin(&m_symbols);
    }
    CPropertiesWnd* Inspector() const
    {
        return dynamic_cast<CPropertiesWnd*>(m_frame->ToolWindow(CMainFrame::kInspector));
    }

    CPluginMusic m_symbols{&SymbolsPage::classObject, 1};
    CMainFrame::ToolWindowMaker m_previousInspector;
    CMainFrame::ToolWindowMaker m_previousPalette;
};

TEST_F(InspectorFollowsSelectionTest, SelectEventsSelectionShowsInTheInspector)
{
    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc, nullptr);
    FillPiece(*doc, 2, 2);
    CPropertiesWnd* inspector = Inspector();
    ASSERT_NE(inspector, nullptr);
    ASSERT_NE(inspector->GetInspector(), nullptr);

    // The user picks the notes in Select Events.
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [](QDialog& dialog) {
        auto* list = plat::ui::item<MCCheckList>(&dialog, CSelectEventsDlg::kTypes);
        EXPECT_NE(list, nullptr);
        if (list) {
            for (int row = 0; row < list->GetItemCount(); ++row)
                list->SetCheck(row, list->topLevelItem(row)->data(0, Qt::UserRole).toUInt() == EventId::Note);
        }
        dialog.accept();
        return dialog.result();
    };
    {
        plat::ui::ModalHooks::Scoped scope(hooks);
        ASSERT_TRUE(m_router.execute(AppCommandIds::SelectEvents));
    }
    plat::MessageLoop::current().pump();
    ASSERT_EQ(doc->GetSelection().GetCount(), 4);
    EXPECT_EQ(inspector->GetShownState(), CPropertiesWnd::kShowingPages);
    EXPECT_EQ(inspector->GetInspector()->GetCurrentType(), EventId::Note);
    EXPECT_EQ(inspector->Selection().GetCount(), 4);
    // The note page itself, with the notes' common values.
    EXPECT_EQ(inspector->GetInspector()->TabText(0), "&Performance");
    inspector->setFloating(true);
    inspector->show();
    apptest::saveScreenshot(*inspector, "program-inspector-notes.png");

    // The View menu's item shows and hides the real window.
    const bool shown = inspector->isVisible();
    ASSERT_TRUE(m_router.execute(AppCommandIds::Inspector));
    EXPECT_NE(inspector->isVisible(), shown);
}

TEST_F(InspectorFollowsSelectionTest, ThePalettesPageCommandsBringItsPagesForward)
{
    auto* palette = dynamic_cast<CMusicWnd*>(m_frame->ToolWindow(CMainFrame::kMusicPalette));
    ASSERT_NE(palette, nullptr);
    ASSERT_EQ(palette->PageCount(), 1);
    palette->hide();
    EXPECT_TRUE(m_router.update(AppCommandIds::FirstPalettePage).enabled);
    EXPECT_FALSE(m_router.update(AppCommandIds::FirstPalettePage + 1).enabled);
    ASSERT_TRUE(m_router.execute(AppCommandIds::FirstPalettePage));
    EXPECT_TRUE(palette->isVisible());
    EXPECT_EQ(palette->ActivePage(), m_symbols.GetMusicPage());
    apptest::saveScreenshot(*palette, "music-palette-window.png");
    ASSERT_TRUE(m_router.execute(AppCommandIds::MusicPalette));
    EXPECT_FALSE(palette->isVisible());
}

}  // namespace
