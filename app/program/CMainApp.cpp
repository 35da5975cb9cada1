#include "app/program/CMainApp.h"

#include "app/core/AppCommandIds.h"
#include "app/core/AppImages.h"
#include "app/core/AppStrings.h"
#include "app/core/CBugReport.h"
#include "app/core/CCommandLineInfo.h"
#include "app/core/CCopyData.h"
#include "app/frame/CMainFrame.h"
#include "app/frame/CMainMenus.h"
#include "app/frame/CSplashWnd.h"
#include "app/program/CNewMusicDlg.h"
#include "app/program/MCDocManager.h"
#include "interface/core/MCPaths.h"
#include "interface/core/TipDialog.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "glyphtray/core/InitGlyphtray.h"
#include "glyphtray/views/CMusicWnd.h"
#include "inspector/core/InitInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/document/MCOpusWnd.h"
#include "interface/document/MCPasswordDialog.h"
#include "interface/document/MCRecovery.h"
#include "interface/document/MCSaveDialog.h"
#include "interface/views/MCDialogBar.h"
#include "interface/views/MCToolWnd.h"
#include "interface/midifile/MCMidiFormats.h"
#include "mixer/views/CMixerWnd.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/plugins/CPlugin.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/Backend.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/window/InstanceChannel.h"
#include "preferences/sheet/InitPrefs.h"
#include "preferences/wizard/MCDeviceWizard.h"
#include "sequencer/InitSequencer.h"
#include "sequencer/play/CSeqMetronome.h"
#include "wavegate/CWavegate.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QStatusBar>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <filesystem>

namespace {

plat::UserPrompt::Answer tell(const std::string& text, plat::UserPrompt::Icon icon)
{
    return plat::UserPrompt::ask({CMainApp::kApplication, text, plat::UserPrompt::Buttons::ok, icon, std::nullopt});
}

}  // namespace

CMainApp::CMainApp(std::vector<std::string> args) : m_args(std::move(args)) {}

CMainApp::~CMainApp()
{
    MCStateMgr::SetMainWindowHandler({});
    MCHotKey::SetCommandSender({});
    MCOpusWnd::SetCommandActions(nullptr);
    MCOpusTemplate::SetCommandRouter({});
    CMainFrame::SetToolWindowMaker(CMainFrame::kMusicPalette, {});
    CMainFrame::SetToolWindowMaker(CMainFrame::kMixer, {});
    CMainFrame::SetToolWindowMaker(CMainFrame::kInspector, {});
    MCOpusDoc::SetRecentFileHook({});
    m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, nullptr);
    m_router.setTarget(plat::ui::CommandRouter::Link::application, nullptr);
    m_frame.reset();
    m_docManager.reset();
    m_template.reset();
    CSplashWnd::Destroy();
}

std::string CMainApp::InstanceKey()
{
    // One copy per user and display: a copy on another display (another X server, a nested
    // desktop) would hand its files to a window its user cannot see. The display is the one
    // Qt will connect to: the platform asked for, else Wayland where a compositor is named,
    // else X.
    const auto env = [](const char* name) {
        const char* value = std::getenv(name);
        return std::string(value ? value : "");
    };
    std::string platform = env("QT_QPA_PLATFORM");
    platform = platform.substr(0, platform.find(':'));
    if (const size_t semicolon = platform.find(';'); semicolon != std::string::npos)
        platform.resize(semicolon);
    if (platform.empty())
        platform = env("WAYLAND_DISPLAY").empty() ? "xcb" : "wayland";
    std::string display = platform;
    if (platform == "xcb") {
        // ":0", ":0.0" and "unix:0" name one server; a screen number is not another display.
        std::string name = env("DISPLAY");
        const size_t colon = name.rfind(':');
        if (colon != std::string::npos) {
            if (const size_t dot = name.find('.', colon); dot != std::string::npos)
                name.resize(dot);
            if (name.compare(0, colon, "unix") == 0)
                name.erase(0, colon);
        }
        display = "x11 " + name;
    } else if (platform.rfind("wayland", 0) == 0) {
        const std::string name = env("WAYLAND_DISPLAY");
        display = "wayland " + (name.empty() ? std::string("wayland-0") : name);
    }
    return AppStrings::text(AppStrings::frameClass) + " uid " + std::to_string(::geteuid()) + " on " + display;
}

std::string CMainApp::HandOverText() const
{
    std::vector<std::string> args;
    for (const std::string& arg : m_args) {
        // The running copy works in its own folder: paths go over whole.
        if (!CCommandLineInfo::IsFlag(arg) && !arg.empty() && arg[0] != '/') {
            std::error_code error;
            const std::filesystem::path absolute = std::filesystem::absolute(arg, error);
            args.push_back(error ? arg : absolute.string());
        } else {
            args.push_back(arg);
        }
    }
    return CCommandLineInfo::Join(args);
}

int CMainApp::ActivatePrevInstance()
{
    const std::string key = InstanceKey();
    if (LoadIntPreference("Settings", "Running", 0)) {
        // A copy that is starting may not answer yet; one that crashed never will.
        for (int elapsed = 0; elapsed < 1000 && !plat::ui::InstanceChannel::isRunning(key); elapsed += 100)
            QThread::msleep(100);
    }
    if (!plat::ui::InstanceChannel::isRunning(key))
        return 1;
    const auto answer =
        plat::ui::InstanceChannel::send(key, CCopyData::Encode(CCopyData::kCommandLineTag, HandOverText()));
    plat::trace("CMainApp::ActivatePrevInstance -- handed over: %s", answer ? answer->c_str() : "no answer");
    m_handedOver = answer.has_value();
    return answer ? 0 : 1;
}

int CMainApp::RegisterFrameClass()
{
    SaveIntPreference("Settings", "Running", 1);
    m_channel = std::make_unique<plat::ui::InstanceChannel>(InstanceKey());
    m_classRegistered = m_channel->listen([this](const std::string& request) { return OnCopyData(request); });
    return m_classRegistered ? 1 : 0;
}

std::string CMainApp::OnCopyData(const std::string& record)
{
    const std::optional<std::string> text = CCopyData::Decode(record, CCopyData::kCommandLineTag);
    if (!text)
        return "0";
    // Answered at once; opening may ask the user, so it waits for the event loop.
    QTimer::singleShot(0, qApp, [this, line = *text] {
        if (m_frame) {
            if (m_frame->isMinimized())
                m_frame->showNormal();
            m_frame->raise();
            m_frame->activateWindow();
        }
        ProcessCommandLine(line.c_str());
    });
    return "1";
}

bool CMainApp::InitInstance()
{
    plat::Profile::setApplication(kApplication);
    if (!ActivatePrevInstance())
        return false;
    if (!RegisterFrameClass()) {
        // Another copy began to listen meanwhile: it takes the command line. When none
        // answers either, the channel's folder cannot be used and this copy cannot run alone.
        m_handedOver = plat::ui::InstanceChannel::send(
                           InstanceKey(), CCopyData::Encode(CCopyData::kCommandLineTag, HandOverText()))
                           .has_value();
        if (!m_handedOver)
            std::fprintf(stderr, "Quavix: the channel between running copies cannot be opened in %s\n",
                         plat::ui::InstanceChannel::socketPath(InstanceKey()).c_str());
        return false;
    }
    m_queueDelivery = std::make_unique<plat::ui::EventLoop::QueueDelivery>();
    plat::ui::ModalHooks::installMessageBoxes();
    // There are no help files: a help request shows the status text of its context.
    plat::ui::ModalHooks::Hooks help;
    help.help = [this](const std::string& text) {
        if (m_frame)
            m_frame->statusBar()->showMessage(QString::fromStdString(text));
    };
    plat::ui::ModalHooks::install(help);
    QApplication::setWindowIcon(AppImages::ProgramIcon());
    OfferBugReport();
    MCOpusDoc::SetSaveDialog([](std::string& name, int& format, int replace) {
        MCSaveDialog dialog(QApplication::activeWindow());
        if (!dialog.GetSavePath(name, format, replace))
            return false;
        format = dialog.GetSaveFormat();
        return true;
    });
    MCOpusHeader::SetPasswordHook([](const std::string& prompt, const std::string& expected) {
        MCPasswordDialog dialog(QApplication::activeWindow());
        dialog.SetPrompt(prompt);
        dialog.SetPassword(expected);
        return dialog.VerifyPassword();
    });

    m_actions = std::make_unique<plat::ui::CommandActions>(m_router);
    CMainMenus::AddCommands(*m_actions);
    // MIDI and RIFF MIDI files open as documents from here on.
    MCMidiFormats::Install();
    m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
    m_docManager = std::make_unique<MCDocManager>(*m_template);
    m_frame = std::make_unique<CMainFrame>(*m_actions, *m_template);
    m_docManager->SetMainWindow(m_frame.get());
    m_docManager->SetFileOpener([this](const std::string& path) { return OpenFile(path); });
    m_docManager->SetNewMusicRunner([this](std::string& path) {
        CNewMusicDlg dialog(m_frame.get());
        if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
            return false;
        path = dialog.GetTemplatePath();
        return true;
    });
    m_frame->SetTemplateOpener([this](const std::string& path) {
        m_docManager->OpenTemplate(path.c_str());
        UpdateBugReportDocuments();
    });
    m_frame->LinkCommandRouter(m_router);
    m_router.setTarget(plat::ui::CommandRouter::Link::application, this);
    MCHotKey::SetCommandSender([this](uint16_t command) { m_router.execute(command); });
    MCOpusWnd::SetCommandActions(m_actions.get());
    MCOpusTemplate::SetCommandRouter([this](uint32_t id) { m_router.execute(id); });
    // A document saved under another name goes into the recent-file list.
    MCOpusDoc::SetRecentFileHook([this](const std::string& path) {
        AddToRecentFileList(path);
        UpdateBugReportDocuments();
    });
    MCStateMgr::SetMainWindowHandler([this](SCBase* state) {
        if (m_frame)
            m_frame->OnStateWithoutPerformance(state);
    });
    if (!m_frame->Create())
        return false;
    CMainMenus::Build(*m_frame, *m_actions);
    m_frame->UpdateEffectsMenu();
    m_recentFiles.Load();
    UpdateRecentFileMenu();
    // Idle time: when the event loop is about to wait.
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, m_frame.get(),
                     [this] { OnIdle(); });
    m_frame->setWindowTitle(kApplication);

    m_wavegate = std::make_unique<CWavegate>();
    // A metronome that does not click through MIDI beeps through the sound output.
    CSeqMetronome::SetBeepHook([] { plat::media::Backend::instance().beep(); });
    m_frame->EnableMediaDevices(1);
    // The built-in synthesizer plays when nothing else is chosen.
    for (int i = 0; i < m_wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT); ++i) {
        WG_DevCaps caps;
        if (m_wavegate->GetDeviceCaps(CWavegate::WG_MIDI, CWavegate::WG_OUT, i, &caps) &&
            std::string(caps.name) == "Quavix Synth") {
            m_wavegate->SetDefaultMidiDevice(i);
            break;
        }
    }
    m_frame->setAcceptDrops(true);
    m_frame->SetFileOpener([this](const std::string& path) { OpenFile(path); });

    InitComponents();
    // The mixer takes its slot among the tool windows, docked at the bottom of the frame.
    CMainFrame::SetToolWindowMaker(CMainFrame::kMixer, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
        return new CMixerWnd(&frame, client, frame.GetDisplayTick());
    });
    // The music palette and the inspector float over the frame.
    CMainFrame::SetToolWindowMaker(CMainFrame::kMusicPalette, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
        return new CMusicWnd(&frame, client);
    });
    CMainFrame::SetToolWindowMaker(CMainFrame::kInspector, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
        return new CPropertiesWnd(&frame, client);
    });
    CSplashWnd::Instance()->Hide();
    CMainFrame::Hooks hooks;
    hooks.deviceWizard = [] {
        MCDeviceWizard wizard(nullptr);
        wizard.DoWizard(-1, -1);
    };
    hooks.tipOfTheDay = [this] {
        const char* section = "Settings\\Tips";
        TipDialog dialog(MCGetAppPath("Music.tip"), LoadIntPreference(section, "TipNumber", 1),
                         LoadIntPreference(section, "ShowStartUp", 1) != 0, m_frame.get());
        plat::ui::ModalHooks::runDialog(dialog);
        SaveIntPreference(section, "ShowStartUp", dialog.GetShowAtStartUp() ? 1 : 0);
        SaveIntPreference(section, "TipNumber", dialog.GetTipNumber() + 1);
    };
    CMainFrame::SetHooks(hooks);
    // What an earlier run could not save comes back before anything else opens (an empty
    // new document among them).
    if (!MCRecovery::Offer(*m_template).empty())
        UpdateBugReportDocuments();
    m_frame->ActivateFrame();
    m_frame->show();
    ProcessCommandLine(nullptr);
    return true;
}

QPrinter& CMainApp::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>();
    return *m_printer;
}

bool CMainApp::ShowFocusHelp() const
{
    QWidget* start = QApplication::focusWidget() ? QApplication::focusWidget() : QApplication::activeWindow();
    for (QWidget* widget = start; widget; widget = widget->parentWidget()) {
        if (auto* tool = dynamic_cast<MCToolWnd*>(widget); tool && tool->OnCommandHelp(0))
            return true;
        if (auto* frame = dynamic_cast<MCOpusWnd*>(widget); frame && frame->OnCommandHelp(0))
            return true;
        if (auto* bar = dynamic_cast<MCDialogBar*>(widget); bar && bar->OnCommandHelp(0))
            return true;
    }
    return false;
}

void CMainApp::OnIdle()
{
    MCCommandMgr::OnIdle();
}

void CMainApp::InitComponents()
{
    CSplashWnd* splash = CSplashWnd::Instance();
    splash->SetMessage(AppStrings::loadingComponents);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
    plat::trace("CMainApp::InitComponents -- InitSequencer: %d", InitSequencer());
    plat::trace("CMainApp::InitComponents -- InitInspector: %d", InitInspector());
    plat::trace("CMainApp::InitComponents -- InitGlyphtray: %d", InitGlyphtray());
    plat::trace("CMainApp::InitComponents -- InitPrefs: %d", InitPrefs());
    splash->SetMessage(AppStrings::loadingPlugins);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
    plat::trace("CMainApp::InitComponents -- CPlugin::Initialize: %d", CPlugin::Initialize());
    // The plug-ins' preference categories are registered by now.
    CMainMenus::FillPreferencesMenu(*m_frame, *m_actions);
    splash->SetMessage(AppStrings::oneMoment);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
}

void CMainApp::OfferBugReport()
{
    const std::string path = CBugReport::ReportPath();
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0)
        return;
    const int stamp = static_cast<int>(info.st_mtime & 0x7FFFFFFF);
    if (LoadIntPreference("Settings", "BugReportSeen", 0) == stamp)
        return;
    SaveIntPreference("Settings", "BugReportSeen", stamp);
    tell(plat::format("Quavix ended unexpectedly the last time it ran. A report of what happened was written to\n%s\n"
                      "Please send it to Ombrelune technical support.",
                      path.c_str()),
         plat::UserPrompt::Icon::information);
}

MCOpusDoc* CMainApp::OpenFile(const std::string& path)
{
    const bool isTemplate = plat::paths::matches(plat::paths::name(path), "*.KVT");
    MCOpusDoc* doc = m_docManager->OpenDocumentFile(path.c_str());
    plat::trace("CMainApp::OpenFile -- %s %s", doc ? "opened" : "could not open", path.c_str());
    if (doc && !isTemplate)
        AddToRecentFileList(path);
    UpdateBugReportDocuments();
    return doc;
}

void CMainApp::AddToRecentFileList(const std::string& path)
{
    // Templates are opened as new documents and never come back by this list.
    if (plat::paths::matches(plat::paths::name(path), "*.KVT"))
        return;
    m_recentFiles.Add(path);
    m_recentFiles.Save();
    UpdateRecentFileMenu();
}

void CMainApp::UpdateRecentFileMenu()
{
    if (!m_frame || !m_actions)
        return;
    QAction* exit = m_actions->find(57665);
    QMenu* file = nullptr;
    for (QAction* entry : m_frame->menuBar()->actions()) {
        if (entry->menu() && exit && entry->menu()->actions().contains(exit))
            file = entry->menu();
    }
    if (!file)
        return;
    for (uint32_t i = 0; i < m_recentFiles.Size(); ++i) {
        if (QAction* old = m_actions->find(kFirstRecentFile + i))
            file->removeAction(old);
    }
    const std::vector<std::string>& items = m_recentFiles.Items();
    for (size_t i = 0; i < items.size(); ++i) {
        QAction* action = m_actions->action(kFirstRecentFile + static_cast<uint32_t>(i));
        action->setText(QString::fromStdString(plat::format("&%zu %s", i + 1, items[i].c_str())));
        file->insertAction(exit, action);
    }
}

void CMainApp::UpdateBugReportDocuments()
{
    std::vector<std::string> names;
    for (MCOpusDoc* doc : m_template->GetDocuments())
        names.push_back(doc->GetPathName().empty() ? doc->GetTitle() : doc->GetPathName());
    CBugReport::SetDocuments(names);
}

int CMainApp::ProcessCommandLine(const char* text)
{
    CCommandLineInfo info;
    info.Parse(text ? std::string(text) : CCommandLineInfo::Join(m_args));
    // A new document comes from the auto-new timer, and a DDE request carries nothing here.
    if (info.m_nShellCommand == CCommandLineInfo::FileNew || info.m_nShellCommand == CCommandLineInfo::FileDDE)
        return 1;
    int result = 1;
    for (const std::string& file : info.m_files) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(file, error);
        if (!OpenFile(error ? file : absolute.lexically_normal().string()))
            result = 0;
    }
    return result;
}

int CMainApp::ExitInstance()
{
    if (!m_classRegistered)
        return 0;
    m_frame.reset();
    m_docManager.reset();
    m_template.reset();
    // What the closing documents posted reaches its handlers (and is freed) before the end.
    plat::MessageLoop::current().pump();
    MCOpusDoc::WaitThreadsFinished(1);
    // The plug-ins go while the registries they left their registrations in still stand.
    CPlugin::UnInitialize();
    CSeqMetronome::SetBeepHook({});
    m_wavegate.reset();
    SaveIntPreference("Settings", "Running", 0);
    m_channel.reset();
    m_queueDelivery.reset();
    m_classRegistered = false;
    return 0;
}

void CMainApp::SaveRecoveryCopies()
{
    if (m_template) {
        for (MCOpusDoc* doc : m_template->GetDocuments()) {
            // An unchanged document's backup only repeats its file.
            if (doc->IsModified())
                MCRecovery::SaveCopy(*doc, true);
            else
                doc->DeleteBackupFile();
        }
    }
    SaveIntPreference("Settings", "Running", 0);
}

bool CMainApp::onCommand(uint32_t id)
{
    using namespace AppCommandIds;
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (id >= kFirstRecentFile && id < kFirstRecentFile + m_recentFiles.Size()) {
        const size_t index = id - kFirstRecentFile;
        // A copy: opening moves the entry up the list.
        const std::string path = index < m_recentFiles.Items().size() ? m_recentFiles.Items()[index] : std::string();
        if (!path.empty() && !OpenFile(path)) {
            // A file that is gone leaves the list.
            m_recentFiles.Remove(index);
            m_recentFiles.Save();
            UpdateRecentFileMenu();
        }
        return true;
    }
    switch (id) {
    case FileNew:
        m_docManager->OnFileNew();
        UpdateBugReportDocuments();
        return true;
    case FileOpen:
        m_docManager->OnFileOpen();
        return true;
    case FileClose:
        if (doc && m_frame->ApplyInspectorChanges())
            m_template->CloseDocument(doc);
        UpdateBugReportDocuments();
        return true;
    case FileSave:
        if (doc && m_frame->ApplyInspectorChanges())
            doc->OnFileSave();
        return true;
    case FileSaveAs:
        if (doc && m_frame->ApplyInspectorChanges())
            doc->OnFileSaveAs();
        return true;
    case Exit:
        m_frame->close();
        return true;
    case About:
        CSplashWnd::Create()->ShowCredits(AppStrings::credits);
        return true;
    case FilePrintSetup: {
        // The page set up here stays the program's for as long as it runs.
        QPageSetupDialog dialog(&Printer(), m_frame.get());
        plat::ui::ModalHooks::runDialog(dialog);
        return true;
    }
    case Help:
        if (!ShowFocusHelp())
            m_router.execute(DefaultHelp);
        return true;
    case HelpTopics:
    case ContextHelp:
    case DefaultHelp:
        plat::UserPrompt::ask({kApplication, AppStrings::text(AppStrings::noHelpFile), plat::UserPrompt::Buttons::ok,
                               plat::UserPrompt::Icon::information, std::nullopt});
        return true;
    case AppCommandIds::ContextMenu:
        if (QWidget* focus = QApplication::focusWidget()) {
            const QPoint centre = focus->rect().center();
            QContextMenuEvent event(QContextMenuEvent::Keyboard, centre, focus->mapToGlobal(centre));
            QApplication::sendEvent(focus, &event);
        }
        return true;
    default: return false;
    }
}

bool CMainApp::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    using namespace AppCommandIds;
    if (id >= kFirstRecentFile && id < kFirstRecentFile + m_recentFiles.Size())
        return true;
    switch (id) {
    case FileClose:
    case FileSave:
    case FileSaveAs:
        state.enabled = MCOpusDoc::GetActiveDoc() != nullptr;
        return true;
    case FileNew:
    case FileOpen:
    case FilePrintSetup:
    case About:
    case Exit:
    case HelpTopics:
    case ContextHelp:
    case Help:
    case DefaultHelp:
    case AppCommandIds::ContextMenu: return true;
    default: return false;
    }
}
