#include "app/tests/AppTestSupport.h"

#include "interface/document/CPluginMusic.h"
#include "interface/document/CPluginPrefs.h"
#include "interface/document/DocumentStrings.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/prefs/Preferences.h"
#include "sequencer/data/DCsqTrack.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"

#include "app/frame/CClientWnd.h"

#include <QMenuBar>
#include <QTest>

namespace {

using apptest::FrameTest;
using apptest::ViewA;
using apptest::ViewB;

// The plug-in menus' items are the program's one action per command id.
using DocumentFrameTest = apptest::CommandFrameTest;

// Palette pages of the tests.
class NotesPage : public plat::Object {
    PLAT_DECLARE_DYNCREATE(NotesPage)
};
PLAT_IMPLEMENT_DYNCREATE(NotesPage, plat::Object)
class RestsPage : public plat::Object {
    PLAT_DECLARE_DYNCREATE(RestsPage)
};
PLAT_IMPLEMENT_DYNCREATE(RestsPage, plat::Object)

TEST_F(DocumentFrameTest, TheDefaultViewIsTheFirstMarkedVisible)
{
    // Nothing marked: the first registered view, and later documents keep what was used.
    MCOpusDoc* first = NewDocument();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(m_template->GetFrames(first).front()->GetViewID(), 38630u);
    SaveIntPreference("\\PlugIns\\Views\\&Piano Roll", "Visible", 1);
    MCOpusDoc* second = NewDocument();
    EXPECT_EQ(m_template->GetFrames(second).front()->GetViewID(), 38631u);
    SaveIntPreference("\\PlugIns\\Views\\&Piano Roll", "Visible", 0);
    MCOpusDoc* third = NewDocument();
    EXPECT_EQ(m_template->GetFrames(third).front()->GetViewID(), 38631u) << "the classes last used";
    EXPECT_EQ(m_template->GetFrames(third).front()->windowTitle(), "Untitled3 - Piano Roll");
}

TEST_F(DocumentFrameTest, FirstActivationUpdatesTheViewsOnceAndSetsTheActiveDocument)
{
    MCOpusDoc* doc = NewDocument();
    MCOpusWnd* frame = m_template->GetFrames(doc).front();
    auto* view = dynamic_cast<ViewA*>(frame->widget());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->updates, 1);
    frame->ActivateFrame();
    EXPECT_EQ(view->updates, 1);
    EXPECT_EQ(MCOpusWnd::FrameOf(view), frame);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    EXPECT_EQ(frame->GetPerformance(), doc->GetBaseEvent());
    MCOpusDoc* other = NewDocument();
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), other);
    frame->ActivateFrame();
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);
}

TEST_F(DocumentFrameTest, ClosingHidesWhileAnotherFrameShowsTheDocument)
{
    MCOpusDoc* doc = NewDocument();
    MCOpusWnd* score = m_template->GetFrames(doc).front();
    MCOpusWnd* roll = m_template->CreateNewFrameClass(doc, score, &MCOpusWnd::classObject, &ViewB::classObject);
    roll->ActivateFrame();
    score->close();
    EXPECT_FALSE(score->isVisible()) << "hidden";
    EXPECT_EQ(m_template->GetDocuments().size(), 1u) << "the document stays open";
    EXPECT_EQ(m_template->GetViewFrame(doc, 38630), score);
    roll->close();
    EXPECT_TRUE(m_template->GetDocuments().empty()) << "the last visible frame closes the document";
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), nullptr);
}

TEST_F(DocumentFrameTest, TheViewMenuReplacesTheMenuBarsViewOrFollowsEdit)
{
    m_frame->menuBar()->clear();
    m_frame->menuBar()->addMenu("&File");
    m_frame->menuBar()->addMenu(QString::fromStdString(DocumentStrings::text(DocumentStrings::menuEdit)));
    m_frame->menuBar()->addMenu("&Help");
    const plat::ui::MenuResources::Menu menus[] = {{9100, {{9150, "Show &Staff Names", {}}}}};
    plat::ui::MenuResources::Registration registration("AppTestViews", menus);
    NewDocument();
    QStringList titles;
    for (QAction* action : m_frame->menuBar()->actions())
        titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Help"}));
    QMenu* view = m_frame->menuBar()->actions()[2]->menu();
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(view->actions().size(), 1);
    EXPECT_EQ(view->actions()[0]->text(), "Show &Staff Names");
    EXPECT_EQ(view->actions()[0], m_actions->find(9150)) << "the registry's action";
    // A second frame of the same view replaces it rather than adding another.
    NewDocument();
    EXPECT_EQ(m_frame->menuBar()->actions().size(), 4);
}

TEST_F(DocumentFrameTest, AViewsMenuJoinsTheProgramsViewMenuWithoutTakingItsItems)
{
    // The view shows the staff names, and the Mixer the program's own menu shows already.
    const plat::ui::MenuResources::Menu menus[] = {{9100, {{9150, "Show &Staff Names", {}}, {33241, "&Mixer", {}}}}};
    plat::ui::MenuResources::Registration registration("AppTestViews", menus);
    const QString viewTitle = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuView));
    auto viewMenu = [&]() -> QMenu* {
        QMenu* found = nullptr;
        for (QAction* action : m_frame->menuBar()->actions()) {
            if (action->text() == viewTitle) {
                EXPECT_EQ(found, nullptr) << "one View menu";
                found = action->menu();
            }
        }
        return found;
    };
    auto texts = [](QMenu* menu) {
        QStringList list;
        for (QAction* action : menu->actions())
            list << (action->isSeparator() ? QString("-") : action->text());
        return list.join('|').toStdString();
    };
    QMenu* programs = viewMenu();
    ASSERT_NE(programs, nullptr);
    const std::string own = texts(programs);
    ASSERT_NE(own.find("Mi&xer"), std::string::npos);
    const std::string withView = "Show &Staff Names|-|" + own;

    MCOpusDoc* first = NewDocument();
    EXPECT_EQ(viewMenu(), programs);
    EXPECT_EQ(texts(programs), withView);
    NewDocument();
    EXPECT_EQ(texts(programs), withView) << "not twice";

    // A frame of no view takes the view's items out and leaves the program's.
    CPluginView::RemovePlugin(&m_score);
    CPluginView::RemovePlugin(&m_roll);
    MCOpusTemplate bare(131, nullptr, nullptr);
    bare.SetMdiArea(m_frame->Client());
    MCOpusDoc* plain = bare.OpenNewDocument();
    ASSERT_NE(plain, nullptr);
    bare.GetFrames(plain).front()->ActivateFrame();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(viewMenu(), programs);
    EXPECT_EQ(texts(programs), own);
    CPluginView::AddPlugin(&m_score);
    CPluginView::AddPlugin(&m_roll);
    MCOpusWnd* firstFrame = m_template->GetFrames(first).front();
    firstFrame->ActivateFrame();
    EXPECT_EQ(m_frame->Client()->activeSubWindow(), firstFrame);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), first);
    EXPECT_EQ(texts(programs), withView);
    bare.CloseDocument(plain);
}

TEST_F(DocumentFrameTest, ThePlugInMenusAreBuiltOnceFromTheRegistries)
{
    const std::string tools = DocumentStrings::text(DocumentStrings::menuTools);
    const std::string music = DocumentStrings::text(DocumentStrings::menuMusic);
    // A menu bar as the program's: each plug-in list's place held by a separator at the end.
    QMenuBar* bar = m_frame->menuBar();
    bar->clear();
    QMenu* musicMenu = bar->addMenu(QString::fromStdString(music));
    QMenu* palette = musicMenu->addMenu(QString::fromStdString(DocumentStrings::text(DocumentStrings::menuPalette)));
    palette->addSeparator();
    musicMenu->addAction(m_actions->action(38662));
    QMenu* toolsMenu = bar->addMenu(QString::fromStdString(tools));
    toolsMenu->addAction(m_actions->action(33210));
    QMenu* prefs = toolsMenu->addMenu(QString::fromStdString(DocumentStrings::text(DocumentStrings::menuPreferences)));
    prefs->addSeparator();
    toolsMenu->addSeparator();

    // The program's own pages, registered by a program an earlier test of this process
    // started, stand aside while the menus are built from this test's pages alone.
    struct AsideFromTheRegistry {
        std::vector<CPluginPrefs*> pages = CPluginPrefs::GetPlugins();
        AsideFromTheRegistry()
        {
            for (CPluginPrefs* page : pages)
                CPluginPrefs::RemovePlugin(page);
        }
        ~AsideFromTheRegistry()
        {
            for (CPluginPrefs* page : pages)
                CPluginPrefs::AddPlugin(page);
        }
    } aside;
    CPluginPrefs sequencerLate(nullptr, 1, 5), sequencerEarly(nullptr, 1, 1), general(nullptr, 0, 3);
    for (CPluginPrefs* page : {&sequencerLate, &sequencerEarly, &general})
        CPluginPrefs::AddPlugin(page);
    CPluginMusic rests(&RestsPage::classObject, 2), notes(&NotesPage::classObject, 1);
    CPluginMusic::AddPlugin(&rests);
    CPluginMusic::AddPlugin(&notes);
    const CPluginMusic::TitleOf previousTitles = CPluginMusic::SetTitleOf(
        [](plat::Object* page) { return std::string(dynamic_cast<NotesPage*>(page) ? "Notes" : "Rests"); });

    auto items = [this](QMenu* menu) {
        std::vector<std::pair<std::string, uint32_t>> list;
        for (QAction* action : menu->actions()) {
            uint32_t id = 0;
            for (uint32_t candidate = 30000; candidate < 40000 && !id; ++candidate)
                id = m_actions->find(candidate) == action ? candidate : 0;
            list.emplace_back(action->isSeparator() ? "-" : action->text().toStdString(), id);
        }
        return list;
    };
    using Items = std::vector<std::pair<std::string, uint32_t>>;
    NewDocument();
    const Items toolItems = {{"&Select Mode", 33210}, {"&Preferences", 0}, {"&1  &Score", 38630},
                             {"&2  &Piano Roll", 38631}};
    EXPECT_EQ(items(toolsMenu), toolItems);
    EXPECT_EQ(items(prefs), (Items{{"Sequencer...", 38651}, {"General...", 38650}}));
    EXPECT_EQ(items(palette), (Items{{"Notes", 38960}, {"Rests", 38961}}));
    // Once: another document's frame adds nothing.
    NewDocument();
    EXPECT_EQ(items(toolsMenu), toolItems);
    EXPECT_EQ(items(prefs).size(), 2u);
    EXPECT_EQ(items(palette).size(), 2u);
    // The items run through the router: a view's item is enabled with a document.
    EXPECT_TRUE(m_router.update(38631).enabled);

    CPluginMusic::SetTitleOf(previousTitles);
    for (CPluginPrefs* page : {&sequencerLate, &sequencerEarly, &general})
        CPluginPrefs::RemovePlugin(page);
}

TEST_F(DocumentFrameTest, FilesThatCannotBeReadAreNamedWithTheCause)
{
    EXPECT_EQ(m_template->OpenDocumentFile(File("missing.kvd")), nullptr);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "The file, " + File("missing.kvd") +
                                        ", cannot be found.  It has probably been deleted or moved to another "
                                        "location.");
    m_prompts.Clear();
    EXPECT_EQ(m_template->OpenDocumentFile(m_dir), nullptr) << "a folder";
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_NE(m_prompts.Texts()[0].find("cannot be opened"), std::string::npos) << m_prompts.Texts()[0];
    EXPECT_TRUE(m_template->GetDocuments().empty());
}

TEST_F(DocumentFrameTest, ATemplateOpensAsANewNativeUntitledDocument)
{
    SaveIntPreference("Sequencer\\Midi\\Play", "Default Device", 3);
    MCOpusDoc* made = NewDocument();
    FillPiece(*made, 2, 4);
    ECBase* conductorStaff = made->GetBaseEvent()->GetDescendant(EventId::ConductorStaff, -1);
    ASSERT_NE(conductorStaff, nullptr);
    auto* copyright = new ECText;
    copyright->SetTextType(1);
    copyright->SetText("Copyright (c) someone");
    conductorStaff->AddChild(copyright, 1);
    made->GetHeader()->SetFormat(MCOpusHeader::formatNative);
    ASSERT_TRUE(made->OnSaveDocument(File("quartet.kvt")));
    m_template->CloseDocument(made);

    MCOpusDoc* doc = m_template->OpenDocumentTemplate(File("quartet.kvt"));
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(doc->GetPathName().empty()) << "saving asks for a name";
    EXPECT_EQ(doc->GetHeader()->GetFormat(), MCOpusHeader::formatNative);
    EXPECT_EQ(doc->GetTitle().rfind("Untitled", 0), 0u);
    ACFindEvents staves;
    staves.AddEvtType(EventId::Staff);
    staves.SetDepth(2);
    staves.Apply(doc->GetBaseEvent());
    ASSERT_FALSE(staves.GetEvents().IsEmpty());
    for (ECBase* staff : staves.GetEvents()) {
        auto* track = plat::dynamicDowncast<DCsqTrack>(staff->GetData(0, 0));
        ASSERT_NE(track, nullptr);
        ASSERT_NE(track->GetVoiceMap(0), nullptr);
        EXPECT_EQ(track->GetVoiceMap(0)->GetDevice(), 3u);
    }
    ACFindEvents texts;
    texts.AddEvtType(EventId::Text);
    texts.Apply(doc->GetBaseEvent()->GetDescendant(EventId::ConductorStaff, -1));
    ASSERT_EQ(texts.GetEvents().GetCount(), 1);
    const std::string line = plat::dynamicDowncast<ECText>(texts.GetEvents().GetHead())->GetText();
    EXPECT_EQ(line.rfind("Copyright \xC2\xA9 ", 0), 0u) << line;
}

TEST_F(DocumentFrameTest, WithoutAViewADocumentOpensInTheTemplatesOwnFrame)
{
    CPluginView::RemovePlugin(&m_score);
    CPluginView::RemovePlugin(&m_roll);
    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc, nullptr);
    EXPECT_TRUE(m_prompts.Texts().empty());
    const std::vector<MCOpusWnd*> frames = m_template->GetFrames(doc);
    ASSERT_EQ(frames.size(), 1u);
    MCOpusWnd* frame = frames[0];
    EXPECT_EQ(frame->GetViewID(), 0u);
    EXPECT_EQ(frame->GetDocument(), doc);
    EXPECT_EQ(frame->GetPerformance(), doc->GetBaseEvent());
    ASSERT_NE(frame->widget(), nullptr);
    EXPECT_EQ(frame->widget()->objectName(), "EmptyClient");
    EXPECT_EQ(frame->windowTitle(), QString::fromStdString(doc->GetTitle())) << "no view's name in it";
    EXPECT_EQ(frame->OnHelpHitTest(), 0u);
    EXPECT_EQ(m_template->GetViewFrame(doc, 38630), nullptr);
    EXPECT_EQ(MCOpusDoc::GetActiveDoc(), doc);

    // The transport, the tool windows and the hot keys work on it.
    EXPECT_TRUE(m_router.update(778).enabled);
    EXPECT_TRUE(m_router.update(38670).enabled) << "Go To";
    ASSERT_TRUE(m_router.execute(33241));
    EXPECT_TRUE(m_frame->ToolWindow(CMainFrame::kMixer)->isVisible());
    std::vector<long> heard;
    const plat::Connection view = doc->AddView([&](long hint, SCBase*) { heard.push_back(hint); });
    m_frame->HotKeys().Enable(1);
    frame->widget()->setFocus();
    QTest::keyClick(frame->widget(), Qt::Key_Space);
    EXPECT_NE(std::find(heard.begin(), heard.end(), 3302), heard.end()) << "space plays";
    QTest::keyClick(frame->widget(), Qt::Key_Space);
    m_frame->HotKeys().Enable(0);
    apptest::saveScreenshot(*m_frame, "frame-without-view.png");

    // A file opens the same way, and closing its frame closes it.
    {
        MCOpusDoc piece;
        FillPiece(piece, 1, 4);
        piece.GetHeader()->SetFormat(MCOpusHeader::formatNative);
        ASSERT_TRUE(piece.OnSaveDocument(File("plain.kvd")));
        piece.OnCloseDocument();
    }
    MCOpusDoc* opened = m_template->OpenDocumentFile(File("plain.kvd"));
    ASSERT_NE(opened, nullptr) << (m_prompts.Texts().empty() ? "" : m_prompts.Texts()[0]);
    ASSERT_EQ(m_template->GetFrames(opened).size(), 1u);
    m_template->GetFrames(opened).front()->ActivateFrame();
    m_template->GetFrames(opened).front()->close();
    EXPECT_EQ(m_template->GetDocuments().size(), 1u);
    EXPECT_TRUE(m_prompts.Texts().empty());
}

}  // namespace

namespace {

class FrameHelpTest : public apptest::FrameTest {};

TEST_F(FrameHelpTest, HelpAndPlacementOfAFrame)
{
    std::vector<std::string> contexts;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.help = [&](const std::string& context) { contexts.push_back(context); };
    plat::ui::ModalHooks::Scoped scope(hooks);
    MCOpusDoc* doc = NewDocument();
    MCOpusWnd* frame = m_template->GetFrames(doc).front();
    EXPECT_EQ(frame->OnHelpHitTest(), 9100u + 0x20000u);
    EXPECT_EQ(frame->OnCommandHelp(0), 1);
    EXPECT_EQ(frame->OnCommandHelp(77), 1);
    // There are no help files: the status text of the context, else the frame's title.
    EXPECT_EQ(contexts, (std::vector<std::string>{"Score", "Untitled1 - Score"}));
    MCOpusWnd bare;
    EXPECT_EQ(bare.OnHelpHitTest(), 0u) << "no view plug-in";
    EXPECT_EQ(bare.OnCommandHelp(0), 0);

    const plat::WindowPlacement whole = frame->GetDefaultPlacement("Frames\\Nothing");
    EXPECT_EQ(whole.normalPosition.left, 0);
    EXPECT_GT(whole.normalPosition.width(), 0);
    plat::WindowPlacement stored;
    stored.normalPosition = {10, 20, 310, 220};
    SaveWindowPrefs("Frames\\Score", stored);
    EXPECT_EQ(frame->GetDefaultPlacement("Frames\\Score").normalPosition, stored.normalPosition);
}

}  // namespace
