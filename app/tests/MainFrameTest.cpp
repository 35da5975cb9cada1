#include "app/tests/AppTestSupport.h"

#include "app/core/AppStrings.h"
#include "app/frame/CClientWnd.h"
#include "app/frame/CSaveTemplateDlg.h"
#include "interface/core/MCPaths.h"
#include "interface/core/MCBitmap.h"
#include "interface/document/CPluginEffects.h"
#include "notabase/states/SCSelection.h"
#include "wavegate/CWGDevice.h"
#include "notabase/states/SCMode.h"
#include "platform/core/Paths.h"
#include "platform/ui/dialog/ItemId.h"
#include "notabase/states/SCTime.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <QAction>
#include <QDockWidget>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolBar>

#include <climits>

namespace {

using apptest::FrameTest;

// A performance that plays on without sending anything.
int silentPerformance(uintptr_t, int, uint32_t, uint32_t)
{
    return 1;
}

class MainFrameTest : public FrameTest {
protected:
    // Every state the document's views hear.
    void Hints(MCOpusDoc* doc)
    {
        m_hints.clear();
        m_connections.push_back(doc->AddView([this](long hint, SCBase*) { m_hints.push_back(hint); }));
    }
    bool Heard(long code) const { return std::find(m_hints.begin(), m_hints.end(), code) != m_hints.end(); }

    // A document saved to a file of this test, then changed.
    MCOpusDoc* ModifiedDocumentWithFile(const std::string& name)
    {
        MCOpusDoc* doc = NewDocument();
        EXPECT_TRUE(doc->OnSaveDocument(File(name)));
        doc->SetPathName(File(name), 0);
        doc->CreateBackupFile(File(name));
        doc->SetModifiedFlag(1);
        return doc;
    }

    std::vector<long> m_hints;
    std::vector<plat::Connection> m_connections;
};

TEST_F(MainFrameTest, AutoSaveTimerFollowsTheSettings)
{
    struct Case {
        int autoSave;
        int period;
        bool runs;
    };
    const Case cases[] = {{1, 10, true}, {0, 10, false}, {1, 0, false}, {1, -5, false}};
    for (const Case& c : cases) {
        SaveIntPreference("Settings\\Save", "AutoSave", c.autoSave);
        SaveIntPreference("Settings\\Save", "AutoSavePeriod", c.period);
        m_frame->SetAutoSaveTimer(1);
        EXPECT_EQ(m_frame->AutoSaveTimerRunning(), c.runs) << c.autoSave << " " << c.period;
    }
    m_frame->SetAutoSaveTimer(0);
    EXPECT_FALSE(m_frame->AutoSaveTimerRunning());
}

TEST_F(MainFrameTest, AutoSaveWritesBackupsAndWaitsForTheTransport)
{
    SaveIntPreference("Settings\\Save", "CreateBackup", 1);
    SaveIntPreference("Settings\\Save", "AutoSavePeriod", 1);
    m_frame->SetAutoSaveTimer(1);
    MCOpusDoc* doc = ModifiedDocumentWithFile("song.kvd");
    const std::string backup = doc->GetBackupPath();
    ASSERT_FALSE(backup.empty());
    std::filesystem::remove(backup);

    // Playing: the minute passes and nothing is written.
    ASSERT_TRUE(m_wavegate->StartPerformance(silentPerformance, 0, 1, 77));
    m_timers.advance(60000);
    EXPECT_FALSE(std::filesystem::exists(backup));
    EXPECT_TRUE(m_frame->AutoSavePending());
    EXPECT_FALSE(m_frame->AutoSaveTimerRunning());

    // Stopped: the first transport notice schedules the save a second later.
    m_wavegate->StopPerformance(77);
    auto* stop = new SCPerform(3300);
    stop->SetSynchronous(1);
    stop->Apply(doc->GetBaseEvent());
    EXPECT_FALSE(m_frame->AutoSavePending());
    m_timers.advance(999);
    EXPECT_FALSE(std::filesystem::exists(backup));
    m_timers.advance(1);
    EXPECT_TRUE(std::filesystem::exists(backup));
    EXPECT_TRUE(doc->IsModified()) << "the backup leaves the document as it was";
    EXPECT_EQ(doc->GetPathName(), File("song.kvd"));
    EXPECT_TRUE(m_frame->AutoSaveTimerRunning()) << "re-armed for the next period";
}

TEST_F(MainFrameTest, AStoredAutoSavePeriodBeyondADayWaitsADay)
{
    // The period in milliseconds must not wrap: the largest stored value means a day.
    SaveIntPreference("Settings\\Save", "CreateBackup", 1);
    SaveIntPreference("Settings\\Save", "AutoSave", 1);
    SaveIntPreference("Settings\\Save", "AutoSavePeriod", INT_MAX);
    m_frame->SetAutoSaveTimer(1);
    ASSERT_TRUE(m_frame->AutoSaveTimerRunning());
    MCOpusDoc* doc = ModifiedDocumentWithFile("song.kvd");
    const std::string backup = doc->GetBackupPath();
    std::filesystem::remove(backup);
    constexpr uint32_t day = 1440u * 60000u;
    for (uint32_t passed = 0; passed + 3600000u < day; passed += 3600000u) {
        m_timers.advance(3600000u);
        ASSERT_FALSE(std::filesystem::exists(backup)) << passed;
    }
    m_timers.advance(3600000u);
    EXPECT_TRUE(std::filesystem::exists(backup));
    SaveIntPreference("Settings\\Save", "AutoSavePeriod", INT_MIN);
    m_frame->SetAutoSaveTimer(1);
    EXPECT_FALSE(m_frame->AutoSaveTimerRunning());
}

TEST_F(MainFrameTest, UntitledDocumentsAreKeptInTheSettingsFolderOnlyWhenAsked)
{
    MCOpusDoc* doc = NewDocument();
    doc->SetModifiedFlag(1);
    const std::string folder = plat::paths::join(plat::Profile::userFolder(), "Autosave");
    m_frame->OnAutoSave();
    EXPECT_FALSE(std::filesystem::exists(folder) && !std::filesystem::is_empty(folder));
    SaveIntPreference("Settings\\Save", "AutoSaveNew", 1);
    m_frame->OnAutoSave();
    EXPECT_TRUE(std::filesystem::exists(plat::paths::join(folder, "~" + doc->GetTitle() + ".kvd")));
    EXPECT_TRUE(m_prompts.Texts().empty()) << "no dialog from a timer";
    EXPECT_TRUE(doc->GetPathName().empty());
}

TEST_F(MainFrameTest, SpaceTogglesTheTransportThroughTheHotKeyState)
{
    MCOpusDoc* doc = NewDocument();
    ASSERT_EQ(MCOpusDoc::GetActiveDoc(), doc);
    Hints(doc);
    m_frame->HotKeys().Enable(1);
    QWidget* view = m_template->GetFrames(doc).front()->widget();
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_TRUE(Heard(5002));
    EXPECT_TRUE(Heard(3302)) << "stopped: space plays";

    // In an edit field the key is the field's.
    m_hints.clear();
    auto* edit = new QLineEdit(m_frame->ToolWindow(2));
    m_frame->ToolWindow(2)->setWidget(edit);
    m_frame->ToolWindow(2)->show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_P);
    EXPECT_EQ(edit->text(), "p");
    EXPECT_FALSE(Heard(3302));

    // Switched off, the view gets its keys too.
    m_frame->HotKeys().Enable(0);
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Space);
    EXPECT_FALSE(Heard(5002));
}

TEST_F(MainFrameTest, HotKeySwitchIsAStateEveryDocumentHears)
{
    MCOpusDoc* first = NewDocument();
    MCOpusDoc* second = NewDocument();
    int firstHeard = 0;
    int secondHeard = 0;
    const plat::Connection firstView = first->AddView([&](long hint, SCBase*) { firstHeard += hint == 5000; });
    const plat::Connection secondView = second->AddView([&](long hint, SCBase*) { secondHeard += hint == 5000; });
    m_frame->HotKeys().Enable(0);
    ASSERT_TRUE(m_router.execute(33212));
    EXPECT_EQ(firstHeard, 1);
    EXPECT_EQ(secondHeard, 1);
    EXPECT_TRUE(m_frame->HotKeys().IsEnabled()) << "the frame handled it once, after the documents";
    ASSERT_TRUE(m_router.execute(33212));
    EXPECT_FALSE(m_frame->HotKeys().IsEnabled());
}

TEST_F(MainFrameTest, InsertModeShowsThePaletteAndHidesTheInspector)
{
    NewDocument();
    m_frame->ToolWindow(0)->hide();
    m_frame->ToolWindow(2)->show();
    ASSERT_TRUE(m_router.execute(33211));
    EXPECT_EQ(SCMode::GetMode(), 1502);
    EXPECT_TRUE(m_frame->ToolWindow(0)->isVisible());
    EXPECT_FALSE(m_frame->ToolWindow(2)->isVisible());
    EXPECT_TRUE(m_router.update(33211).checked);
    EXPECT_FALSE(m_router.update(33210).checked);
    m_router.execute(33210);
}

TEST_F(MainFrameTest, TransportButtonsNeedADocument)
{
    EXPECT_FALSE(m_router.update(778).enabled);
    EXPECT_FALSE(m_router.update(33212).enabled);
    // P with hot keys on but no document: taken by the table, and the disabled play runs not.
    m_frame->HotKeys().Enable(1);
    m_frame->Client()->setFocus();
    QTest::keyClick(m_frame->Client(), Qt::Key_P);
    EXPECT_FALSE(m_router.execute(778));
    NewDocument();
    EXPECT_TRUE(m_router.update(778).enabled);
    EXPECT_TRUE(m_router.update(777).enabled);
}

TEST_F(MainFrameTest, CommandStatesFollowTheTransportButNotThePosition)
{
    MCOpusDoc* doc = NewDocument();
    CSequence* sequence = doc->GetSequence();
    const auto settle = [] {
        for (int turn = 0; turn < 3; ++turn) {
            plat::ui::test::deliverPosted();
            QCoreApplication::processEvents();
        }
    };
    const auto send = [doc](SCBase* state) {
        state->SetSynchronous(1);
        state->Apply(doc->GetBaseEvent());
    };
    settle();
    // The loop button is enabled at rest and disabled while the piece plays.
    QAction* loop = m_actions->find(773);
    ASSERT_NE(loop, nullptr);
    EXPECT_TRUE(loop->isEnabled());

    // What follows a playing piece many times a second asks no command again.
    int passes = m_actions->updatePassCount();
    send(new SCTime(1900, MCTime(1.5f)));
    send(new SCTime(1902, 2, -1));
    auto* tempo = new SCMaster(SCMaster::codeTempoDisplay);
    tempo->SetBPM(96.0f);
    send(tempo);
    settle();
    EXPECT_EQ(m_actions->updatePassCount(), passes);

    // The sequencer's transport notices do, and the states follow them both ways.
    sequence->ClearState(CSequence::stateStopped);
    sequence->AddState(CSequence::statePlaying);
    send(new SCPerform(3302));
    settle();
    EXPECT_EQ(m_actions->updatePassCount(), passes + 1);
    EXPECT_FALSE(loop->isEnabled());
    EXPECT_TRUE(m_actions->find(777)->isEnabled());
    passes = m_actions->updatePassCount();
    send(new SCTime(1900, MCTime(2.0f)));
    settle();
    EXPECT_EQ(m_actions->updatePassCount(), passes);
    EXPECT_FALSE(loop->isEnabled());

    sequence->ClearState(CSequence::statePlaying);
    sequence->AddState(CSequence::stateStopped);
    send(new SCPerform(3300));
    settle();
    EXPECT_TRUE(loop->isEnabled());
}

TEST_F(MainFrameTest, HideAllAndShowAll)
{
    for (int i = 0; i < 3; ++i)
        m_frame->ToolBar(i)->hide();
    m_frame->ToolBar(3)->show();
    EXPECT_EQ(m_router.update(33234).text, AppStrings::text(AppStrings::hideAll));
    m_router.execute(33234);
    for (int i = 0; i < 4; ++i)
        EXPECT_FALSE(m_frame->ToolBar(i)->isVisible()) << i;
    EXPECT_EQ(m_router.update(33234).text, AppStrings::text(AppStrings::showAll));
    m_router.execute(33234);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(m_frame->ToolBar(i)->isVisible()) << i;
}

TEST_F(MainFrameTest, WebLinksComeFromAddrSys)
{
    std::vector<std::string> opened;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.openUrl = [&](const std::string& address) {
        opened.push_back(address);
        return true;
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    m_router.execute(33300);
    ASSERT_EQ(opened.size(), 1u) << "addr.sys lies beside the program";
    EXPECT_EQ(opened[0], CMainFrame::WebLink("Home"));
    EXPECT_EQ(opened[0].rfind("https://", 0), 0u);
    EXPECT_EQ(CMainFrame::WebLink("Nowhere"), "");
}

TEST_F(MainFrameTest, CloseAllEndsWhenADocumentStaysOpen)
{
    MCOpusDoc* kept = NewDocument();
    kept->SetModifiedFlag(1);
    NewDocument();
    m_prompts.Answer(plat::UserPrompt::Answer::cancel);
    m_router.execute(39001);
    ASSERT_EQ(m_template->GetDocuments().size(), 1u) << "the unmodified one closed, the cancelled one stayed";
    EXPECT_EQ(m_template->GetDocuments().front(), kept);
    EXPECT_EQ(m_prompts.Texts().size(), 1u) << "asked once, not again and again";
    kept->SetModifiedFlag(0);
}

TEST_F(MainFrameTest, BackgroundTilesThePictureAndFollowsThePreferences)
{
    apptest::saveScreenshot(*m_frame, "main-frame-empty.png");
    m_frame->Client()->LoadBackground();
    ASSERT_NE(m_frame->Client()->Background(), nullptr) << "the Backdrape library beside the program";
    const QImage tile = m_frame->Client()->Background()->ToImage();
    const QImage area = m_frame->Client()->viewport()->grab().toImage();
    // The grid starts at the area's origin: a pixel one tile further shows the same colour.
    const QPoint p(5, 7);
    EXPECT_EQ(area.pixel(p), area.pixel(p + QPoint(tile.width() / int(tile.devicePixelRatio()), 0)));
    SaveIntPreference("Settings\\Background", "Image", -1);
    auto* prefs = new SCBase(1600);
    prefs->SetSynchronous(1);
    MCStateMgr::ApplyState(prefs, nullptr);
    EXPECT_EQ(m_frame->Client()->Background(), nullptr);
    QMenu* tools = m_frame->Client()->ToolsMenu();
    ASSERT_NE(tools, nullptr) << "found by its text";
    EXPECT_EQ(tools->title(), "&Tools");
}

TEST_F(MainFrameTest, DocumentFramesInTheMainFrame)
{
    MCOpusDoc* doc = NewDocument();
    m_template->CreateNewFrameClass(doc, nullptr, &MCOpusWnd::classObject, &apptest::ViewB::classObject)
        ->ActivateFrame();
    m_frame->Client()->cascadeSubWindows();
    QCoreApplication::processEvents();
    apptest::saveScreenshot(*m_frame, "main-frame.png");
    EXPECT_EQ(m_template->GetFrames(doc).size(), 2u);
}

}  // namespace

namespace {

class FrameActivationTest : public apptest::FrameTest {
protected:
    bool MidiOutOpen() const
    {
        return (m_wavegate->GetDeviceState(CWavegate::WG_MIDI, CWavegate::WG_OUT, 0) & CWGDevice::WG_OPEN) != 0;
    }
};

TEST_F(FrameActivationTest, DevicesFollowTheProgramsActivation)
{
    ASSERT_GT(m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT), 0) << "memory devices";
    ASSERT_TRUE(MidiOutOpen());
    m_frame->OnActivateApp(false);
    EXPECT_FALSE(MidiOutOpen()) << "idle in the background: released";
    EXPECT_FALSE(m_frame->AutoSaveTimerRunning());
    m_frame->OnActivateApp(true);
    EXPECT_TRUE(MidiOutOpen());
    EXPECT_TRUE(m_frame->AutoSaveTimerRunning());

    // Playing in the background keeps them until the transport stops.
    MCOpusDoc* doc = NewDocument();
    ASSERT_TRUE(m_wavegate->StartPerformance(silentPerformance, 0, 1, 78));
    m_frame->OnActivateApp(false);
    EXPECT_TRUE(MidiOutOpen());
    m_wavegate->StopPerformance(78);
    auto* stop = new SCPerform(3300);
    stop->SetSynchronous(1);
    stop->Apply(doc->GetBaseEvent());
    EXPECT_FALSE(MidiOutOpen()) << "the first transport notice finds the program idle in the background";
}

TEST_F(FrameActivationTest, WithoutAWizardTheFirstRunWaitsForOne)
{
    m_template.reset();
    m_frame.reset();
    SaveIntPreference("Settings", "FirstRun", 1);
    SaveIntPreference("Settings\\New", "AutoNew", 0);
    CMainFrame::SetHooks({});
    m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
    m_frame = std::make_unique<CMainFrame>(*m_actions, *m_template);
    m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, m_frame.get());
    ASSERT_EQ(m_frame->Create(), 1);
    m_frame->ActivateFrame();
    EXPECT_EQ(LoadIntPreference("Settings", "FirstRun", 0), 1) << "a later start with the wizard still greets";
}

TEST_F(FrameActivationTest, FirstRunPlacementWizardAndTheAutomaticDocument)
{
    // A fresh frame on fresh settings: maximised, 30 pixels inside the work area when restored.
    m_template.reset();
    m_frame.reset();
    plat::Profile::instance().removeSection("Main");
    SaveIntPreference("Settings", "FirstRun", 1);
    SaveIntPreference("Settings\\New", "AutoNew", 1);
    int wizards = 0;
    CMainFrame::SetHooks({[&] { ++wizards; }, {}});
    m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
    m_frame = std::make_unique<CMainFrame>(*m_actions, *m_template);
    m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, m_frame.get());
    ASSERT_EQ(m_frame->Create(), 1);
    m_frame->ActivateFrame();
    m_frame->ActivateFrame();
    CMainFrame::SetHooks({});
    EXPECT_EQ(wizards, 1);
    EXPECT_EQ(LoadIntPreference("Settings", "FirstRun", 1), 0);
    EXPECT_TRUE(m_frame->isMaximized());
    plat::WindowPlacement work;
    LoadWindowPrefs("Main", work);
    const QRect normal = m_frame->normalGeometry();
    EXPECT_EQ(normal.left(), work.normalPosition.left + 30);
    EXPECT_EQ(normal.top(), work.normalPosition.top + 30);

    // Ten milliseconds later the automatic template makes the first document.
    ASSERT_TRUE(m_frame->AutoNewTimerRunning());
    EXPECT_TRUE(m_template->GetDocuments().empty());
    m_timers.advance(10);
    EXPECT_FALSE(m_frame->AutoNewTimerRunning()) << "one shot";
    ASSERT_EQ(m_template->GetDocuments().size(), 1u) << "Templates/Single Staff.kvt beside the program";
    EXPECT_TRUE(m_template->GetDocuments().front()->GetPathName().empty());
    m_frame->OpenAutoTemplate();
    EXPECT_EQ(m_template->GetDocuments().size(), 1u) << "only when no document is open";
}

}  // namespace

namespace {

class EffectsMenuTest : public apptest::FrameTest {};

class TestEffectForm : public plat::Object {
    PLAT_DECLARE_DYNAMIC(TestEffectForm)
};
PLAT_IMPLEMENT_DYNAMIC(TestEffectForm, plat::Object)

TEST_F(EffectsMenuTest, TheActionsMenuOffersTheEffectsOfTheSelection)
{
    const plat::Resources::Entry names[] = {{9300, "Humanize..."}};
    plat::Resources::Registration strings("AppTestEffects", names);
    CPluginEffects effect(CPluginEffects::kPerformanceType, 9300, nullptr, &TestEffectForm::classObject);
    ASSERT_EQ(CPluginEffects::AddPlugin(&effect), 1);
    QMenu* actions = nullptr;
    for (QAction* action : m_frame->menuBar()->actions()) {
        if (action->text() == "&Actions")
            actions = action->menu();
    }
    ASSERT_NE(actions, nullptr);
    EXPECT_TRUE(actions->isEmpty()) << "no document yet";
    MCOpusDoc* doc = NewDocument();
    auto* context = new SCSelection(1705);
    context->SetSynchronous(1);
    context->Apply(doc->GetBaseEvent());
    ASSERT_EQ(actions->actions().size(), 1) << "nothing selected: the effects of the whole piece";
    EXPECT_EQ(actions->actions()[0], m_actions->find(effect.GetCommandID()));
    EXPECT_TRUE(m_router.update(effect.GetCommandID()).enabled);
    CPluginEffects::RemovePlugin(&effect);
}

}  // namespace

namespace {

class SaveAsTemplateTest : public apptest::FrameTest {};

TEST_F(SaveAsTemplateTest, WritesAReadOnlyTemplateAndKeepsTheDocumentsFile)
{
    MCOpusDoc* doc = NewDocument();
    ASSERT_TRUE(doc->OnSaveDocument(File("song.kvd")));
    doc->SetPathName(File("song.kvd"), 0);
    // The name is this test's own: the templates folder beside the program is shared.
    const std::string name = "Mine " + std::to_string(::getpid());
    int shown = 0;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        ++shown;
        auto* edit = plat::ui::item<QLineEdit>(&dialog, CSaveTemplateDlg::kNameId);
        EXPECT_NE(edit, nullptr);
        if (edit)
            edit->setText(QString::fromStdString(name));
        plat::ui::item<QPushButton>(&dialog, 1)->click();
        if (dialog.result() != QDialog::Accepted)
            dialog.reject();
        return dialog.result();
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    // A change the document's file does not hold yet.
    doc->SetModifiedFlag(1);
    ASSERT_TRUE(m_router.execute(38600));
    const std::string made = MCGetAppPath("Templates/" + name + ".kvt");
    ASSERT_TRUE(std::filesystem::exists(made));
    EXPECT_TRUE(doc->IsModified()) << "the template is a copy: the change is still to be saved";
    const auto perms = std::filesystem::status(made).permissions();
    EXPECT_EQ(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none) << "read-only";
    EXPECT_EQ(doc->GetPathName(), File("song.kvd"));
    EXPECT_FALSE(std::filesystem::exists(MCGetAppPath("Templates/~" + name + ".kvt"))) << "no backup of the template";
    // The same name again is refused: the template stays as it was.
    const auto written = std::filesystem::last_write_time(made);
    ASSERT_TRUE(m_router.execute(38600));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(std::filesystem::last_write_time(made), written);
    ASSERT_FALSE(m_prompts.Texts().empty());
    EXPECT_EQ(m_prompts.Texts().back(), "A template named \"" + name + "\" already exists.  Please select a different name.");
    MCOpusDoc* opened = m_template->OpenDocumentTemplate(made);
    EXPECT_NE(opened, nullptr) << "the template opens";
    EXPECT_TRUE(opened && opened->GetPathName().empty());
    std::filesystem::permissions(made, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    std::filesystem::remove(made);
}

}  // namespace
