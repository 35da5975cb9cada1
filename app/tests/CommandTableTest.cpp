// The program's commands as a user reaches them: the whole program started in this process
// (offscreen, on memory devices), every command of the command table found where the user
// finds it, asked for its state and run through the program's router.

#include "app/tests/AppTestSupport.h"

#include "app/core/AppCommandIds.h"
#include "app/core/AppCommandTable.h"
#include "app/core/AppStrings.h"
#include "app/dialogs/CAddMeasuresDlg.h"
#include "app/dialogs/CAddStaffDlg.h"
#include "app/dialogs/CChanModeDlg.h"
#include "app/dialogs/CGoToDlg.h"
#include "app/dialogs/CMouseSelectDlg.h"
#include "app/dialogs/CPerformanceOptionsDlg.h"
#include "app/dialogs/CRemoveMeasuresDlg.h"
#include "app/dialogs/CRemoveStavesDlg.h"
#include "app/dialogs/CSelectEventsDlg.h"
#include "app/dialogs/CSysExDlg.h"
#include "app/dialogs/CUndoHistoryDlg.h"
#include "app/frame/CClientWnd.h"
#include "app/frame/CSaveTemplateDlg.h"
#include "app/frame/CTransportBar.h"
#include "app/program/CMainApp.h"
#include "app/program/CNewMusicDlg.h"
#include "inspector/pages/PCsqStaffPerform.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/controls/MCButton2.h"
#include "interface/core/MCRegistry.h"
#include "interface/core/TipDialog.h"
#include "interface/document/MCSaveDialog.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/ui/dialog/ItemId.h"
#include "preferences/pages/CPrefsPgWorkspace.h"
#include "preferences/sheet/CPrefsWnd.h"
#include "preferences/wizard/MCDeviceWizard.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCSelection.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/transport/CSequence.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QPainter>
#include <QTest>
#include <QToolBar>

#include <functional>
#include <map>
#include <set>
#include <typeindex>

namespace {

using namespace AppCommandIds;
using AppCommandTable::Command;
using AppCommandTable::Reach;

// The keys a row gives.
QList<QKeySequence> keysOf(const Command& command)
{
    QList<QKeySequence> keys = QKeySequence::listFromString(command.keys, QKeySequence::PortableText);
    keys.removeAll(QKeySequence());
    return keys;
}

// Every action of a menu and of its submenus.
void collectMenuActions(const QMenu* menu, std::set<const QAction*>& found)
{
    for (const QAction* action : menu->actions()) {
        if (action->menu())
            collectMenuActions(action->menu(), found);
        else if (!action->isSeparator())
            found.insert(action);
    }
}

class ProgramCommandsTest : public documenttest::DocumentTest {
protected:
    ProgramCommandsTest()
        : m_views("CommandTableViews", kViewStrings),
          m_score(&apptest::ViewA::classObject, &MCOpusWnd::classObject, "CommandTableViews", 0, 9200, 1)
    {
    }

    void SetUp() override
    {
        documenttest::DocumentTest::SetUp();
        m_previousRuntime = std::getenv("XDG_RUNTIME_DIR") ? std::getenv("XDG_RUNTIME_DIR") : "";
        const std::string runtime = File("runtime");
        std::filesystem::create_directories(runtime);
        std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::replace);
        ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        ::setenv("QUAVIX_MEDIA", "memory", 1);
        m_previousApplication = plat::Profile::application();
        // The registry object keeps the key of the program it first served: that stays the test
        // program's, as the other tests in this process expect, not the one this program
        // names.
        MCRegistry(0);
        plat::Profile::setApplication(CMainApp::kApplication);
        SaveIntPreference("Settings\\Tips", "ShowStartUp", 0);
        SaveIntPreference("Settings", "FirstRun", 0);
        SaveIntPreference("Settings\\New", "AutoNew", 0);
        SaveIntPreference("Settings", "Running", 0);
        CPluginView::AddPlugin(&m_score);

        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [this](QDialog& dialog) {
            m_dialogs.emplace_back(typeid(dialog));
            return int(QDialog::Rejected);
        };
        hooks.chooseFile = [this](const plat::ui::ModalHooks::FileRequest&) -> std::optional<std::string> {
            ++m_fileChoosers;
            return std::nullopt;
        };
        hooks.openUrl = [this](const std::string& address) {
            m_opened.push_back(address);
            return m_browser;
        };
        hooks.popupMenu = [](QMenu&, const QPoint&) -> QAction* { return nullptr; };
        m_hooks = std::make_unique<plat::ui::ModalHooks::Scoped>(hooks);

        // The program shows its messages in message boxes; here they are recorded.
        m_promptHook = plat::UserPrompt::setHook({});
        plat::UserPrompt::setHook(m_promptHook);
        m_app = std::make_unique<CMainApp>(std::vector<std::string>{});
        ASSERT_TRUE(m_app->InitInstance());
        plat::UserPrompt::setHook(m_promptHook);
        m_dialogs.clear();
    }

    void TearDown() override
    {
        if (m_app) {
            // As the program ends: its documents close with the frame.
            for (MCOpusDoc* doc : m_app->Template()->GetDocuments())
                m_app->Template()->CloseDocument(doc);
            m_app->ExitInstance();
        }
        m_app.reset();
        plat::UserPrompt::setHook(m_promptHook);
        CMainFrame::SetHooks({});
        m_hooks.reset();
        CPluginView::RemovePlugin(&m_score);
        plat::ui::test::deliverPosted();
        plat::Profile::setApplication(m_previousApplication);
        ::setenv("XDG_RUNTIME_DIR", m_previousRuntime.c_str(), 1);
        documenttest::DocumentTest::TearDown();
    }

    CMainFrame& Frame() { return *m_app->Frame(); }
    plat::ui::CommandRouter& Router() { return m_app->Router(); }
    plat::ui::CommandActions& Actions() { return *m_app->Actions(); }

    // A new document in its view, active.
    MCOpusDoc* NewDocument()
    {
        MCOpusDoc* doc = m_app->Template()->OpenNewDocument();
        if (doc) {
            for (MCOpusWnd* frame : m_app->Template()->GetFrames(doc))
                frame->ActivateFrame();
        }
        return doc;
    }

    std::set<const QAction*> MenuActions()
    {
        std::set<const QAction*> found;
        for (const QAction* top : Frame().menuBar()->actions()) {
            if (top->menu())
                collectMenuActions(top->menu(), found);
        }
        return found;
    }

    QMenu* TopMenu(const QString& title)
    {
        for (QAction* top : Frame().menuBar()->actions()) {
            if (top->text() == title)
                return top->menu();
        }
        return nullptr;
    }

    static constexpr plat::Resources::Entry kViewStrings[] = {{9200, "&Score"}};
    plat::Resources::Registration m_views;
    CPluginView m_score;
    std::string m_previousRuntime;
    std::string m_previousApplication;
    std::unique_ptr<plat::ui::ModalHooks::Scoped> m_hooks;
    plat::UserPrompt::Hook m_promptHook;
    std::unique_ptr<CMainApp> m_app;
    std::vector<std::type_index> m_dialogs;
    int m_fileChoosers = 0;
    std::vector<std::string> m_opened;
    bool m_browser = true;
};

// Whether a command can run without a document and with a new, stopped one.
struct Rule {
    uint32_t id;
    bool withoutDocument;
    bool withDocument;
};

// One row per command of the table.
constexpr Rule kRules[] = {
    {FileNew, true, true},
    {FileOpen, true, true},
    {FileClose, false, true},
    {FileSave, false, true},
    {FileSaveAs, false, true},
    {SaveAsTemplate, false, true},
    {FilePrint, false, false},  // a view that prints takes it
    {FilePrintSetup, true, true},
    {Exit, true, true},
    // Edited in the active view and document: nothing is selected, undone or copied yet.
    {EditUndo, false, false},
    {EditRedo, false, false},
    {EditCut, false, false},
    {EditCopy, false, false},
    {EditPaste, false, false},
    {EditClear, false, false},
    {SelectEvents, true, true},
    {ClearSelection, true, true},
    {MouseSelectOptions, true, true},
    {UndoHistory, false, true},
    {Properties, true, true},
    {AddStaff, true, true},
    {RemoveStaves, true, true},
    {AddMeasures, true, true},
    {RemoveMeasures, true, true},
    {SystemExclusive, true, true},
    {ChannelMode, true, true},
    {Play, false, true},
    {Stop, false, true},
    {Pause, false, false},  // stopped: nothing to pause or wind
    {Record, false, true},
    {Step, false, true},
    {Rewind, false, false},
    {FastForward, false, false},
    {PreviousMarker, false, true},
    {NextMarker, false, true},
    {GoTo, false, true},
    {PerformanceOptions, false, true},
    {SelectMode, false, true},
    {InsertMode, false, true},
    {HotKeySwitch, false, true},
    {MidiPanic, true, true},
    {DeviceWizard, true, true},
    {FileToolbar, true, true},
    {MusicEditToolbar, true, true},
    {TransportToolbar, true, true},
    {TimeToolbar, true, true},
    {HideAllToolbars, true, true},
    {MusicPalette, true, true},
    {Mixer, true, true},
    {Inspector, true, true},
    {CloseWindow, false, true},
    {CloseAllWindows, false, true},
    {HelpTopics, true, true},
    {ContextHelp, true, true},
    {Help, true, true},
    {DefaultHelp, true, true},
    {TipOfTheDay, true, true},
    {WebHome, true, true},
    {WebNews, true, true},
    {WebSupport, true, true},
    {WebFree, true, true},
    {About, true, true},
    {SelectModeButton, false, true},
    {InsertModeButton, false, true},
    {HotKeySwitchButton, false, true},
    {PaletteButton, true, true},
    {MixerButton, true, true},
    {InspectorButton, true, true},
    {AppCommandIds::ContextMenu, true, true},
};

TEST(CommandTableTest, EachCommandOnceWithItsPromptInTheProgramsStrings)
{
    std::set<uint32_t> ids;
    for (const Command& command : AppCommandTable::Commands()) {
        EXPECT_TRUE(ids.insert(command.id).second) << "described twice: " << command.id;
        EXPECT_STRNE(command.text, "") << command.id;
        const std::string prompt = command.prompt;
        EXPECT_NE(prompt.find('\n'), std::string::npos) << "a prompt and a tip: " << command.id;
        EXPECT_EQ(AppStrings::text(command.id), prompt) << "no other string has the id " << command.id;
        if (command.reach == Reach::button) {
            const Command* target = AppCommandTable::Find(command.standsFor);
            ASSERT_NE(target, nullptr) << command.id;
            EXPECT_EQ(target->reach, Reach::menu) << command.id;
        }
    }
    for (const uint32_t id : {FirstRecentFile, FirstView, FirstPreferences, FirstEffect, FirstPalettePage})
        EXPECT_EQ(ids.count(id), 0u) << "numbered at run time: " << id;
}

TEST_F(ProgramCommandsTest, EveryCommandIsWithinReachAndRunsByItsUpdateRule)
{
    std::map<uint32_t, Rule> rules;
    for (const Rule& rule : kRules)
        rules.emplace(rule.id, rule);
    const std::set<const QAction*> onMenus = MenuActions();
    for (const Command& command : AppCommandTable::Commands()) {
        SCOPED_TRACE(command.id);
        ASSERT_EQ(rules.count(command.id), 1u) << "every command has its rule here";
        const QAction* action = Actions().find(command.id);
        ASSERT_NE(action, nullptr);
        const std::string prompt = command.prompt;
        EXPECT_EQ(action->statusTip().toStdString(), prompt.substr(0, prompt.find('\n')));
        EXPECT_EQ(action->toolTip().toStdString(), prompt.substr(prompt.find('\n') + 1));
        EXPECT_EQ(action->isCheckable(), command.checkable);
        EXPECT_EQ(action->actionGroup() != nullptr, command.radio) << "a radio mark";
        EXPECT_EQ(action->shortcuts(), keysOf(command));
        switch (command.reach) {
        case Reach::menu: EXPECT_EQ(onMenus.count(action), 1u) << "on a menu"; break;
        case Reach::button:
            EXPECT_EQ(onMenus.count(Actions().find(command.standsFor)), 1u) << "what it stands for is on a menu";
            break;
        case Reach::key:
            EXPECT_FALSE(action->shortcuts().isEmpty());
            EXPECT_TRUE(Frame().actions().contains(action)) << "its keys work in the frame";
            break;
        case Reach::sent: {
            const Command* sender = AppCommandTable::Find(command.standsFor);
            ASSERT_NE(sender, nullptr);
            EXPECT_TRUE(sender->reach == Reach::menu || sender->reach == Reach::key) << "its sender is in reach";
            break;
        }
        }
        if (command.picture) {
            auto* button = plat::ui::item<MCButton2>(&Frame(), int(command.id));
            ASSERT_NE(button, nullptr) << "a toolbar button";
            EXPECT_EQ(button->objectName(), command.picture);
            EXPECT_GE(button->GetStateCount(), 3) << "up, down and disabled pictures";
        }
        if (command.hotKey) {
            const MCHotKey* key = Frame().HotKeys().Find(unsigned(command.hotKey), 0, 0, 0);
            ASSERT_NE(key, nullptr);
            EXPECT_EQ(key->GetOutput(), command.id);
            EXPECT_EQ(key->GetAllowRepeat() != 0, command.hotKeyRepeats);
        }
        EXPECT_EQ(Router().update(command.id).enabled, rules[command.id].withoutDocument) << "without a document";
    }

    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc, nullptr);
    Actions().updateAll();
    for (const Command& command : AppCommandTable::Commands()) {
        SCOPED_TRACE(command.id);
        EXPECT_EQ(Router().update(command.id).enabled, rules[command.id].withDocument) << "with a document";
        EXPECT_EQ(Actions().find(command.id)->isEnabled(), rules[command.id].withDocument) << "after an update pass";
    }

    // What each command opens; the dialogs are turned down.
    const std::map<uint32_t, std::type_index> dialogs = {
        {FileNew, typeid(CNewMusicDlg)},
        {FileSave, typeid(MCSaveDialog)},
        {FileSaveAs, typeid(MCSaveDialog)},
        {SaveAsTemplate, typeid(CSaveTemplateDlg)},
        {SelectEvents, typeid(CSelectEventsDlg)},
        {MouseSelectOptions, typeid(CMouseSelectDlg)},
        {UndoHistory, typeid(CUndoHistoryDlg)},
        {AddStaff, typeid(CAddStaffDlg)},
        {RemoveStaves, typeid(CRemoveStavesDlg)},
        {AddMeasures, typeid(CAddMeasuresDlg)},
        {RemoveMeasures, typeid(CRemoveMeasuresDlg)},
        {SystemExclusive, typeid(CSysExDlg)},
        {ChannelMode, typeid(CChanModeDlg)},
        {GoTo, typeid(CGoToDlg)},
        {PerformanceOptions, typeid(CPerformanceOptionsDlg)},
        {TipOfTheDay, typeid(TipDialog)},
        {DeviceWizard, typeid(MCDeviceWizard)},
        {FilePrintSetup, typeid(QPageSetupDialog)},
    };
    // These end the document or the program, or play: they run last.
    const std::set<uint32_t> last = {FileClose, CloseWindow, CloseAllWindows, Exit, Play, Stop, Pause, Record,
                                     Step, Rewind, FastForward, PreviousMarker, NextMarker};
    for (const Command& command : AppCommandTable::Commands()) {
        if (last.count(command.id))
            continue;
        SCOPED_TRACE(command.id);
        if (command.id == AppCommandIds::ContextMenu)
            Frame().Client()->setFocus();
        m_dialogs.clear();
        const bool enabled = Router().update(command.id).enabled;
        EXPECT_EQ(Router().execute(command.id), enabled) << "a command runs exactly when it is enabled";
        const auto dialog = dialogs.find(command.id);
        if (dialog != dialogs.end()) {
            ASSERT_EQ(m_dialogs.size(), 1u);
            EXPECT_EQ(m_dialogs[0], dialog->second);
        } else {
            EXPECT_TRUE(m_dialogs.empty());
        }
    }
    // The edit mode is the program's, not the document's: back to selecting.
    EXPECT_TRUE(Router().execute(SelectMode));
    EXPECT_EQ(m_fileChoosers, 1) << "Open asks for a file";
    EXPECT_EQ(m_opened.size(), 4u) << "the four web links";

    // Each transport command reaches the document as its state: from a stopped piece, or
    // while it plays for those that act on a running piece.
    std::vector<long> heard;
    const plat::Connection view = doc->AddView([&](long hint, SCBase*) { heard.push_back(hint); });
    const auto run = [&](uint32_t id) {
        heard.clear();
        EXPECT_TRUE(Router().update(id).enabled) << id;
        EXPECT_TRUE(Router().execute(id)) << id;
        plat::MessageLoop::current().pump();
    };
    const auto heardCode = [&](long code) { return std::find(heard.begin(), heard.end(), code) != heard.end(); };
    // A stop ends on the device's thread: wait until the piece has stopped.
    const auto stop = [&] {
        run(Stop);
        EXPECT_TRUE(heardCode(3300));
        QElapsedTimer clock;
        clock.start();
        const CSequence* sequence = doc->GetSequence();
        while ((!sequence->TestState(CSequence::stateStopped) || sequence->TestState(CSequence::stateStopping)) &&
               clock.elapsed() < 10000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            plat::MessageLoop::current().pump();
        }
        ASSERT_TRUE(sequence->TestState(CSequence::stateStopped));
    };
    struct Transport {
        uint32_t id;
        long code;
        bool playing;
    };
    for (const Transport& t : {Transport{Play, 3302, false}, Transport{Record, 3304, false},
                               Transport{PreviousMarker, 3306, false}, Transport{NextMarker, 3305, false},
                               Transport{Pause, 3301, true}, Transport{Rewind, 3308, true},
                               Transport{FastForward, 3307, true}, Transport{Step, 3303, false}}) {
        SCOPED_TRACE(t.id);
        if (t.playing)
            run(Play);
        run(t.id);
        EXPECT_TRUE(heardCode(t.code));
        stop();
    }

    EXPECT_TRUE(Router().execute(CloseWindow));
    EXPECT_TRUE(m_app->Template()->GetDocuments().empty());
    EXPECT_FALSE(Router().update(CloseAllWindows).enabled);
    NewDocument();
    NewDocument();
    EXPECT_TRUE(Router().execute(CloseAllWindows));
    EXPECT_TRUE(m_app->Template()->GetDocuments().empty());
    NewDocument();
    EXPECT_TRUE(Router().execute(FileClose));
    EXPECT_TRUE(m_app->Template()->GetDocuments().empty());
    EXPECT_TRUE(Router().execute(Exit));
    EXPECT_FALSE(Frame().isVisible());
}

TEST_F(ProgramCommandsTest, MenusKeepThePlacesOfThePlugInsMenus)
{
    QStringList titles;
    for (const QAction* top : Frame().menuBar()->actions())
        titles << top->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Music", "&Actions", "T&ransport", "&Tools", "&Window", "&Help"}))
        << "a view's own \"&View\" menu comes right after \"&Edit\"";
    const auto submenu = [](QMenu* menu, const QString& title) -> QMenu* {
        for (QAction* action : menu ? menu->actions() : QList<QAction*>()) {
            if (action->menu() && action->text() == title)
                return action->menu();
        }
        return nullptr;
    };
    QMenu* palette = submenu(TopMenu("&Music"), "&Palette");
    ASSERT_NE(palette, nullptr);
    ASSERT_FALSE(palette->actions().isEmpty()) << "its last item is the builder's to replace";
    EXPECT_TRUE(palette->actions().last()->isSeparator());
    // The preference categories are there from the start, with no document open.
    QMenu* preferences = submenu(TopMenu("&Tools"), "&Preferences");
    ASSERT_NE(preferences, nullptr);
    QStringList categories;
    for (const QAction* action : preferences->actions())
        categories << action->text();
    EXPECT_EQ(categories, (QStringList{"General...", "Sequencer..."}));
    ASSERT_EQ(preferences->actions().size(), 2);
    EXPECT_EQ(preferences->actions()[0], Actions().find(FirstPreferences));
    EXPECT_EQ(preferences->actions()[1], Actions().find(FirstPreferences + 1));
    ASSERT_NE(TopMenu("&Tools"), nullptr);
    EXPECT_TRUE(TopMenu("&Tools")->actions().last()->isSeparator()) << "the views replace it";

    // No two items of one menu share a mnemonic.
    std::function<void(const QMenu*)> check = [&](const QMenu* menu) {
        std::map<QChar, QString> mnemonics;
        for (const QAction* action : menu->actions()) {
            const QString text = action->text();
            const qsizetype amp = text.indexOf('&');
            if (amp >= 0 && amp + 1 < text.size()) {
                const auto [it, added] = mnemonics.emplace(text[amp + 1].toLower(), text);
                EXPECT_TRUE(added) << menu->title().toStdString() << ": " << text.toStdString() << " and "
                                   << it->second.toStdString();
            }
            if (action->menu())
                check(action->menu());
        }
    };
    for (const QAction* top : Frame().menuBar()->actions())
        check(top->menu());
}

TEST_F(ProgramCommandsTest, ScreenshotsOfEveryMenu)
{
    NewDocument();
    Frame().resize(1000, 700);
    QCoreApplication::processEvents();
    for (QAction* top : Frame().menuBar()->actions()) {
        QMenu* menu = top->menu();
        if (!menu || menu->isEmpty())
            continue;
        const QRect item = Frame().menuBar()->actionGeometry(top);
        const QPoint at = Frame().menuBar()->mapTo(&Frame(), item.bottomLeft());
        menu->popup(Frame().mapToGlobal(at));
        QCoreApplication::processEvents();
        ASSERT_TRUE(menu->isVisible()) << top->text().toStdString();
        // The frame with the menu drawn where it opened.
        QPixmap shot = Frame().grab();
        QPainter painter(&shot);
        painter.drawPixmap(Frame().mapFromGlobal(menu->pos()), menu->grab());
        painter.end();
        QString name = top->text().remove('&').toLower();
        std::filesystem::create_directories(QUAVIX_SCREENSHOT_DIR);
        EXPECT_TRUE(shot.save(QString(QUAVIX_SCREENSHOT_DIR) + "/menu-" + name + ".png"));
        // Every item's text fits the menu.
        const QFontMetrics metrics(menu->font());
        for (const QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->isVisible())
                continue;
            const QRect geometry = menu->actionGeometry(const_cast<QAction*>(action));
            QString text = action->text();
            text.remove('&');
            EXPECT_LT(metrics.horizontalAdvance(text.section('\t', 0, 0)), geometry.width())
                << text.toStdString();
        }
        menu->hide();
    }
}

TEST_F(ProgramCommandsTest, HotKeysOAndXOpenTheirDialogs)
{
    MCOpusDoc* doc = NewDocument();
    ASSERT_NE(doc, nullptr);
    Frame().HotKeys().Enable(1);
    QWidget* view = m_app->Template()->GetFrames(doc).front()->widget();
    view->setFocus();
    for (const auto& [key, dialog] :
         {std::pair{Qt::Key_O, std::type_index(typeid(CPerformanceOptionsDlg))},
          std::pair{Qt::Key_X, std::type_index(typeid(CSysExDlg))}, std::pair{Qt::Key_G, std::type_index(typeid(CGoToDlg))}}) {
        m_dialogs.clear();
        QTest::keyClick(view, key);
        ASSERT_EQ(m_dialogs.size(), 1u) << key;
        EXPECT_EQ(m_dialogs[0], dialog) << key;
    }
    // Switched off, the keys are the view's.
    Frame().HotKeys().Enable(0);
    m_dialogs.clear();
    QTest::keyClick(view, Qt::Key_O);
    EXPECT_TRUE(m_dialogs.empty());
}

TEST_F(ProgramCommandsTest, PerformanceOptionsCanRunAndItsLoopButtonShowsTheLoop)
{
    EXPECT_FALSE(Router().update(PerformanceOptions).enabled) << "no document";
    MCOpusDoc* doc = NewDocument();
    CTransportBar& bar = *Frame().TransportBar();
    MCButton2* loop = bar.Button(PerformanceOptions);
    Actions().updateAll();
    EXPECT_TRUE(loop->isEnabled());
    EXPECT_EQ(loop->GetButtonState(), 0);

    doc->GetSequence()->EnableLoopRegion(1);
    Actions().updateAll();
    EXPECT_TRUE(Actions().find(PerformanceOptions)->isChecked()) << "the loop mark";
    EXPECT_EQ(loop->GetButtonState(), 1) << "LOOP shows the loop";
    m_dialogs.clear();
    QTest::mouseClick(loop, Qt::LeftButton);
    ASSERT_EQ(m_dialogs.size(), 1u) << "LOOP opens the options";
    EXPECT_EQ(m_dialogs[0], std::type_index(typeid(CPerformanceOptionsDlg)));
    EXPECT_EQ(loop->GetButtonState(), 1) << "a click does not change the mark";

    doc->GetSequence()->EnableLoopRegion(0);
    Actions().updateAll();
    EXPECT_EQ(loop->GetButtonState(), 0);
    // Playing: the options wait.
    doc->GetSequence()->AddState(0x10);
    EXPECT_FALSE(Router().update(PerformanceOptions).enabled);
    doc->GetSequence()->ClearState(0x10);
}

TEST_F(ProgramCommandsTest, UndoAndRedoNameTheirStepAndForgetItWithTheDocument)
{
    QAction* undo = Actions().find(EditUndo);
    Actions().updateAll();
    EXPECT_EQ(undo->text(), "&Undo");
    EXPECT_FALSE(undo->isEnabled());
    EXPECT_EQ(undo->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Z));
    EXPECT_EQ(Actions().find(EditRedo)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    // A document that names its step: the item takes the name while the document is active.
    MCOpusDoc* doc = NewDocument();
    struct Document : plat::ui::CommandTarget {
        bool onCommand(uint32_t) override { return false; }
        bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override
        {
            if (id != AppCommandIds::EditUndo || !MCOpusDoc::GetActiveDoc())
                return false;
            state.text = "&Undo Add Note";
            return true;
        }
    } document;
    Router().setTarget(plat::ui::CommandRouter::Link::document, &document);
    Actions().updateAll();
    EXPECT_EQ(undo->text(), "&Undo Add Note");
    EXPECT_TRUE(undo->isEnabled());
    m_app->Template()->CloseDocument(doc);
    Actions().updateAll();
    Router().setTarget(plat::ui::CommandRouter::Link::document, nullptr);
    EXPECT_EQ(undo->text(), "&Undo") << "no document, no step to name";
    EXPECT_FALSE(undo->isEnabled());
}

TEST_F(ProgramCommandsTest, HelpSaysThatNoHelpFileShipsUnlessTheFocusHasAContext)
{
    // Help Topics, Context Help and help with no context all say so plainly.
    const std::string noHelp = AppStrings::text(AppStrings::noHelpFile);
    ASSERT_FALSE(noHelp.empty());
    const QMenu* help = TopMenu("&Help");
    ASSERT_NE(help, nullptr);
    Actions().updateAll();
    for (const uint32_t id : {HelpTopics, ContextHelp}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(help->actions().contains(Actions().find(id))) << "on the Help menu";
        const size_t before = m_prompts.Texts().size();
        Actions().find(id)->trigger();
        ASSERT_EQ(m_prompts.Texts().size(), before + 1);
        EXPECT_EQ(m_prompts.Texts().back(), noHelp);
    }
    EXPECT_EQ(Actions().find(Help)->shortcut(), QKeySequence(Qt::Key_F1));
    EXPECT_EQ(Actions().find(ContextHelp)->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F1));
    QApplication::setActiveWindow(&Frame());
    Frame().Client()->setFocus();
    size_t before = m_prompts.Texts().size();
    Actions().find(Help)->trigger();
    ASSERT_EQ(m_prompts.Texts().size(), before + 1) << "the document area has no help context";
    EXPECT_EQ(m_prompts.Texts().back(), noHelp);

    // A toolbar button with the focus: its bar's context shows in the status bar.
    MCButton2* open = plat::ui::item<MCButton2>(&Frame(), int(FileOpen));
    ASSERT_NE(open, nullptr);
    open->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), open);
    before = m_prompts.Texts().size();
    Actions().find(Help)->trigger();
    EXPECT_EQ(m_prompts.Texts().size(), before);
    EXPECT_EQ(Frame().statusBar()->currentMessage(), "File");
}

TEST_F(ProgramCommandsTest, PrintSetupKeepsTheChosenPageForTheNextTime)
{
    const QMenu* file = TopMenu("&File");
    ASSERT_NE(file, nullptr);
    EXPECT_TRUE(file->actions().contains(Actions().find(FilePrintSetup)));
    // The real dialog runs: landscape is clicked and the dialog accepted; then it is opened
    // again and only looked at.
    std::vector<bool> shownLandscape;
    bool choose = true;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        EXPECT_NE(dynamic_cast<QPageSetupDialog*>(&dialog), nullptr);
        QRadioButton* landscape = nullptr;
        for (QRadioButton* button : dialog.findChildren<QRadioButton*>()) {
            if (button->text().remove('&') == "Landscape")
                landscape = button;
        }
        QTimer::singleShot(0, &dialog, [&, landscape] {
            shownLandscape.push_back(landscape && landscape->isChecked());
            if (choose && landscape)
                landscape->click();
            dialog.accept();
        });
        return dialog.exec();
    };
    plat::ui::ModalHooks::Scoped scope(hooks);
    ASSERT_TRUE(Router().execute(FilePrintSetup));
    EXPECT_EQ(m_app->Printer().pageLayout().orientation(), QPageLayout::Landscape);
    choose = false;
    ASSERT_TRUE(Router().execute(FilePrintSetup));
    EXPECT_EQ(shownLandscape, (std::vector<bool>{false, true})) << "the second opening shows what was chosen";
    EXPECT_EQ(m_app->Printer().pageLayout().orientation(), QPageLayout::Landscape);
}

TEST_F(ProgramCommandsTest, AWebLinkWithoutABrowserSaysSo)
{
    m_browser = false;
    m_prompts.Clear();
    ASSERT_TRUE(Router().execute(WebSupport));
    ASSERT_EQ(m_opened.size(), 1u);
    ASSERT_EQ(m_prompts.Texts().size(), 1u);
    EXPECT_EQ(m_prompts.Texts()[0], "No web browser could be started to show " + m_opened[0] +
                                        ".  Please open the address in a web browser yourself.");
    EXPECT_EQ(m_prompts.Icons()[0], plat::UserPrompt::Icon::warning);
    m_browser = true;
    m_prompts.Clear();
    ASSERT_TRUE(Router().execute(WebHome));
    EXPECT_TRUE(m_prompts.Texts().empty()) << "opened: nothing to say";
}

}  // namespace

namespace {

TEST_F(ProgramCommandsTest, EachPreferenceCommandOpensItsSheetWhoseOkTheFrameHearsAtOnce)
{
    std::vector<int> categories;
    plat::ui::ModalHooks::Hooks hooks;
    hooks.runDialog = [&](QDialog& dialog) {
        auto* sheet = dynamic_cast<CPrefsWnd*>(&dialog);
        if (!sheet)
            return int(QDialog::Rejected);
        categories.push_back(sheet->GetCategory());
        if (sheet->GetCategory() != 0)
            return int(QDialog::Rejected);
        // The general sheet: no background picture.
        EXPECT_TRUE(sheet->setActivePage(1));
        auto* images = plat::ui::item<QListWidget>(sheet->page(1), CPrefsPgWorkspace::kImages);
        EXPECT_NE(images, nullptr);
        images->setCurrentRow(0);
        sheet->OnCommand(CPrefsWnd::kOk);
        return sheet->result();
    };
    const plat::ui::ModalHooks::Scoped scoped(hooks);
    Frame().Client()->LoadBackground();
    ASSERT_NE(Frame().Client()->Background(), nullptr);
    for (const uint32_t id : {FirstPreferences + 1, FirstPreferences}) {
        SCOPED_TRACE(id);
        EXPECT_TRUE(Router().update(id).enabled) << "with no document open";
        EXPECT_TRUE(Router().execute(id));
    }
    EXPECT_EQ(categories, (std::vector<int>{1, 0}));
    EXPECT_EQ(LoadIntPreference("Settings\\Background", "Image", 0), -1);
    EXPECT_EQ(Frame().Client()->Background(), nullptr) << "the frame took the new picture at once";
}

// The user types a transposition into the inspector and, without applying it, saves or closes
// the piece in each of the ways the program offers: the file holds the change. A value that
// does not validate is reported, and the piece is neither saved nor closed without it.
TEST_F(ProgramCommandsTest, AChangeTypedIntoTheInspectorIsSavedWithThePiece)
{
    struct Way {
        const char* name;
        std::function<void(MCOpusDoc& doc)> run;
        // Whether the piece closes, asking first to save its changes.
        bool closes;
    };
    const auto execute = [this](uint32_t id) { return [this, id](MCOpusDoc&) { EXPECT_TRUE(Router().execute(id)); }; };
    const std::vector<Way> ways = {
        {"File > Save", execute(FileSave), false},
        {"File > Save As", execute(FileSaveAs), false},
        {"File > Close", execute(FileClose), true},
        {"Window > Close", execute(CloseWindow), true},
        {"Window > Close All", execute(CloseAllWindows), true},
        {"its window's close button",
         [this](MCOpusDoc& doc) { m_app->Template()->GetFrames(&doc).front()->close(); }, true},
        // Quitting ends the program: it comes last.
        {"File > Exit", execute(Exit), true},
    };
    const MCOpusDoc::SaveDialog previousDialog = MCOpusDoc::SetSaveDialog([](std::string&, int& format, int) {
        format = MCOpusHeader::formatNative;
        return true;
    });
    const auto transposition = [](MCOpusDoc& doc) {
        auto* staff = doc.GetBaseEvent()->GetConductor()->GetTrack(ECConductor::staffTrack, 1, 0);
        auto* data = staff ? plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 1)) : nullptr;
        return data ? int(data->GetTrackTransposition()) : -1000;
    };
    int step = 0;
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        const std::string path = File("piece" + std::to_string(++step) + ".kvd");
        {
            MCOpusDoc piece;
            FillPiece(piece, 1, 4);
            piece.GetHeader()->SetFormat(MCOpusHeader::formatNative);
            ASSERT_TRUE(piece.OnSaveDocument(path));
            piece.OnCloseDocument();
        }
        MCOpusDoc* doc = m_app->OpenFile(path);
        ASSERT_NE(doc, nullptr);
        // The selection the opened piece starts with comes first; then the user picks the staff.
        plat::MessageLoop::current().pump();
        auto* select = new SCSelection(SCSelection::kReplace, doc->GetBaseEvent()->GetConductor()->GetTrack(1, 1, 0));
        select->SetSynchronous(1);
        select->Apply(doc->GetBaseEvent());
        plat::MessageLoop::current().pump();
        auto* inspector = dynamic_cast<CPropertiesWnd*>(Frame().ToolWindow(CMainFrame::kInspector));
        ASSERT_NE(inspector, nullptr);
        inspector->show();
        ASSERT_EQ(inspector->GetShownState(), CPropertiesWnd::kShowingPages);
        CInspector* sheet = inspector->GetInspector();
        sheet->SetActivePageChoice("&Performance");
        auto* halfSteps = plat::ui::item<QLineEdit>(sheet->ActivePage(), PCsqStaffPerform::IDC_HALF_STEPS);
        ASSERT_NE(halfSteps, nullptr);
        const auto type = [halfSteps](const QString& text) {
            halfSteps->setFocus();
            halfSteps->selectAll();
            QTest::keyClick(halfSteps, Qt::Key_Backspace);
            QTest::keyClicks(halfSteps, text);
        };

        // Out of range: said so, and the piece stays as it was, open.
        type("300");
        m_prompts.Clear();
        way.run(*doc);
        plat::MessageLoop::current().pump();
        ASSERT_EQ(m_prompts.Texts().size(), 1u);
        EXPECT_EQ(m_prompts.Texts()[0].find("Save changes"), std::string::npos) << m_prompts.Texts()[0];
        ASSERT_EQ(m_app->Template()->GetDocuments(), std::vector<MCOpusDoc*>{doc});
        EXPECT_FALSE(doc->IsModified());
        EXPECT_EQ(transposition(*doc), 0);
        EXPECT_TRUE(Frame().isVisible());
        EXPECT_EQ(halfSteps->text(), "300") << "the user can put it right";

        type("5");
        m_prompts.Clear();
        m_prompts.Answer(plat::UserPrompt::Answer::yes);
        way.run(*doc);
        plat::MessageLoop::current().pump();
        for (int round = 0; round < 3; ++round) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        if (way.closes) {
            ASSERT_EQ(m_prompts.Texts().size(), 1u);
            EXPECT_NE(m_prompts.Texts()[0].find("Save changes"), std::string::npos) << m_prompts.Texts()[0];
            EXPECT_TRUE(m_app->Template()->GetDocuments().empty());
        } else {
            EXPECT_TRUE(m_prompts.Texts().empty());
            EXPECT_EQ(transposition(*doc), 5);
            EXPECT_FALSE(doc->IsModified()) << "saved";
            m_app->Template()->CloseDocument(doc);
        }
        MCOpusDoc saved;
        ASSERT_TRUE(saved.OnOpenDocument(path));
        EXPECT_EQ(transposition(saved), 5);
        saved.OnCloseDocument();
    }
    EXPECT_FALSE(Frame().isVisible());
    MCOpusDoc::SetSaveDialog(previousDialog);
}

}  // namespace
