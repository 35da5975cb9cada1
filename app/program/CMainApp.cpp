#include "app/program/CMainApp.h"

#include "app/core/AppStrings.h"
#include "app/core/CBugReport.h"
#include "app/core/CCommandLineInfo.h"
#include "app/core/CCopyData.h"
#include "app/frame/CMainFrame.h"
#include "app/frame/CSplashWnd.h"
#include "interface/core/MCPaths.h"
#include "interface/core/TipDialog.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "interface/document/MCPasswordDialog.h"
#include "interface/document/MCSaveDialog.h"
#include "notabase/plugins/CPlugin.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/window/InstanceChannel.h"
#include "sequencer/InitSequencer.h"
#include "wavegate/CWavegate.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenuBar>
#include <QThread>
#include <QTimer>

#include <sys/stat.h>

#include <filesystem>

namespace {

using plat::ui::CommandActions;
using plat::ui::MenuEntry;

// The rows are made when the program runs: key sequences need the application object.
std::vector<CommandActions::Row> commandRows()
{
    return {
    {57600, "&New\tCtrl+N", QKeySequence::New, {}, false},
    {57601, "&Open...\tCtrl+O", QKeySequence::Open, {}, false},
    {57602, "&Close", {}, {}, false},
    {57603, "&Save\tCtrl+S", QKeySequence::Save, {}, false},
    {57604, "Save &As...", {}, {}, false},
    {38600, "Save as &Template...", {}, {}, false},
    {57665, "E&xit", {}, {}, false},
    {901, "Select", {}, {}, true},
    {902, "Insert", {}, {}, true},
    {903, "Hot Keys", {}, {}, true},
    {912, "Palette", {}, {}, true},
    {913, "Mixer", {}, {}, true},
    {914, "Inspector", {}, {}, true},
    {773, "Options", {}, {}, true},
    {774, "Step", {}, {}, true},
    {775, "Record", {}, {}, false},
    {776, "Pause", {}, {}, false},
    {777, "Stop", {}, {}, false},
    {778, "Play", {}, {}, false},
    {779, "Previous", {}, {}, false},
    {780, "Next", {}, {}, false},
    {781, "Rewind", {}, {}, false},
    {782, "Fast Forward", {}, {}, false},
    {33230, "&File Toolbar", {}, {}, true},
    {33231, "&Music Edit Toolbar", {}, {}, true},
    {33232, "&Transport Toolbar", {}, {}, true},
    {33233, "T&ime Toolbar", {}, {}, true},
    {33234, "Hide All\tCtrl+K", QKeySequence(Qt::CTRL | Qt::Key_K), {}, false},
    {33240, "Music &Palette", {}, {}, true},
    {33241, "&Mixer", {}, {}, true},
    {33242, "&Inspector", {}, {}, true},
    {33200, "MIDI &Panic", {}, {}, false},
    {33210, "&Select Mode", {}, {}, true},
    {33211, "&Insert Mode", {}, {}, true},
    {33212, "&Hot Keys", {}, {}, true},
    {33220, "&Clear Selection", {}, {}, false},
    {39000, "&Close Window", {}, {}, false},
    {39001, "Close &All Windows", {}, {}, false},
    {33310, "&Tip of the Day...", {}, {}, false},
    {33300, "Quavix &Home Page", {}, {}, false},
    {33302, "Quavix &News", {}, {}, false},
    {33303, "Technical &Support", {}, {}, false},
    {33304, "&Free Downloads", {}, {}, false},
    {57664, "&About Quavix...", {}, {}, false},
    };
}

MenuEntry item(uint32_t id, const char* text)
{
    return {id, text, {}};
}

MenuEntry separator()
{
    return {0, "", {}};
}

MenuEntry popup(const std::string& text, std::vector<MenuEntry> entries)
{
    return {0, text, std::move(entries)};
}

std::vector<MenuEntry> menuBar()
{
    return {
        popup("&File", {item(57600, "&New\tCtrl+N"), item(57601, "&Open...\tCtrl+O"), item(57602, "&Close"), item(57603, "&Save\tCtrl+S"),
                      item(57604, "Save &As..."), item(38600, "Save as &Template..."), separator(), item(57665, "E&xit")}),
        popup(DocumentStrings::text(DocumentStrings::menuEdit), {item(33220, "&Clear Selection")}),
        popup(DocumentStrings::text(DocumentStrings::menuView),
         {item(33230, "&File Toolbar"), item(33231, "&Music Edit Toolbar"), item(33232, "&Transport Toolbar"),
          item(33233, "T&ime Toolbar"), item(33234, "Hide All\tCtrl+K"), separator(), item(33240, "Music &Palette"), item(33241, "&Mixer"),
          item(33242, "&Inspector")}),
        popup("T&ransport",
         {item(778, "Play"), item(777, "Stop"), item(776, "Pause"), item(775, "Record"), item(774, "Step"), separator(), item(781, "Rewind"),
          item(782, "Fast Forward"), item(779, "Previous"), item(780, "Next")}),
        popup(DocumentStrings::text(DocumentStrings::menuTools),
         {item(33210, "&Select Mode"), item(33211, "&Insert Mode"), item(33212, "&Hot Keys"), separator(), item(33200, "MIDI &Panic")}),
        popup("&Window", {item(39000, "&Close Window"), item(39001, "Close &All Windows")}),
        popup("&Help",
         {item(33310, "&Tip of the Day..."), separator(), item(33300, "Quavix &Home Page"), item(33302, "Quavix &News"),
          item(33303, "Technical &Support"), item(33304, "&Free Downloads"), separator(), item(57664, "&About Quavix...")}),
    };
}

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
    MCOpusTemplate::SetCommandRouter({});
    m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, nullptr);
    m_router.setTarget(plat::ui::CommandRouter::Link::application, nullptr);
    m_frame.reset();
    m_template.reset();
    CSplashWnd::Destroy();
}

std::string CMainApp::InstanceKey()
{
    return AppStrings::text(AppStrings::frameClass);
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
        // Another copy began to listen meanwhile: it takes the command line.
        return !plat::ui::InstanceChannel::send(InstanceKey(),
                                                CCopyData::Encode(CCopyData::kCommandLineTag, HandOverText()));
    }
    plat::ui::ModalHooks::installMessageBoxes();
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

    m_actions = std::make_unique<CommandActions>(m_router);
    m_actions->add(commandRows());
    m_template = std::make_unique<MCOpusTemplate>(131, nullptr, nullptr);
    m_frame = std::make_unique<CMainFrame>(*m_actions, *m_template);
    m_router.setTarget(plat::ui::CommandRouter::Link::mainFrame, m_frame.get());
    m_router.setTarget(plat::ui::CommandRouter::Link::application, this);
    MCHotKey::SetCommandSender([this](uint16_t command) { m_router.execute(command); });
    MCOpusTemplate::SetCommandRouter([this](uint32_t id) { m_router.execute(id); });
    MCStateMgr::SetMainWindowHandler([this](SCBase* state) {
        if (m_frame)
            m_frame->OnStateWithoutPerformance(state);
    });
    if (!m_frame->Create())
        return false;
    BuildMenus();
    m_frame->setWindowTitle(kApplication);

    m_wavegate = std::make_unique<CWavegate>();
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
    CSplashWnd::Instance()->Hide();
    CMainFrame::SetHooks({{}, [this] {
        const char* section = "Settings\\Tips";
        TipDialog dialog(MCGetAppPath("Music.tip"), LoadIntPreference(section, "TipNumber", 1),
                         LoadIntPreference(section, "ShowStartUp", 1) != 0, m_frame.get());
        plat::ui::ModalHooks::runDialog(dialog);
        SaveIntPreference(section, "ShowStartUp", dialog.GetShowAtStartUp() ? 1 : 0);
        SaveIntPreference(section, "TipNumber", dialog.GetTipNumber() + 1);
    }});
    m_frame->ActivateFrame();
    m_frame->show();
    ProcessCommandLine(nullptr);
    return true;
}

void CMainApp::InitComponents()
{
    CSplashWnd* splash = CSplashWnd::Instance();
    splash->SetMessage(AppStrings::loadingComponents);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
    plat::trace("CMainApp::InitComponents -- InitSequencer: %d", InitSequencer());
    splash->SetMessage(AppStrings::loadingPlugins);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
    plat::trace("CMainApp::InitComponents -- CPlugin::Initialize: %d", CPlugin::Initialize());
    splash->SetMessage(AppStrings::oneMoment);
    plat::trace("CMainApp::InitComponents -- %s", splash->Message().c_str());
}

void CMainApp::BuildMenus()
{
    const std::vector<MenuEntry> entries = menuBar();
    for (const MenuEntry& popup : entries) {
        QMenu* menu = m_frame->menuBar()->addMenu(QString::fromStdString(popup.text));
        m_actions->fillMenu(menu, popup.entries);
    }
    m_actions->addShortcutsTo(m_frame.get());
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
    plat::trace("CMainApp::OpenFile -- %s", path.c_str());
    for (MCOpusDoc* doc : m_template->GetDocuments()) {
        if (doc->GetPathName() == path) {
            if (MCOpusWnd* frame = m_template->GetFrames(doc).empty() ? nullptr : m_template->GetFrames(doc).front())
                frame->ActivateFrame();
            return doc;
        }
    }
    const bool isTemplate = plat::paths::matches(plat::paths::name(path), "*.KVT");
    MCOpusDoc* doc = isTemplate ? m_template->OpenDocumentTemplate(path) : m_template->OpenDocumentFile(path);
    if (doc) {
        for (MCOpusWnd* frame : m_template->GetFrames(doc))
            frame->ActivateFrame();
    }
    UpdateBugReportDocuments();
    return doc;
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
        if (!OpenFile(file))
            result = 0;
    }
    return result;
}

int CMainApp::ExitInstance()
{
    if (!m_classRegistered)
        return 0;
    m_frame.reset();
    m_template.reset();
    MCOpusDoc::WaitThreadsFinished(1);
    m_wavegate.reset();
    SaveIntPreference("Settings", "Running", 0);
    m_channel.reset();
    m_classRegistered = false;
    return 0;
}

bool CMainApp::onCommand(uint32_t id)
{
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    switch (id) {
    case 57600:
        if (MCOpusDoc* created = m_template->OpenNewDocument()) {
            for (MCOpusWnd* frame : m_template->GetFrames(created))
                frame->ActivateFrame();
        }
        UpdateBugReportDocuments();
        return true;
    case 57601: {
        plat::ui::ModalHooks::FileRequest request;
        request.parent = m_frame.get();
        request.caption = "Open";
        request.folder = LoadStringPreference("Settings\\Open", "Directory", MCGetAppPath().c_str());
        request.filter = "Quavix Files (*.kvd *.kvt *.mid *.rmi);;All Files (*)";
        if (const auto path = plat::ui::ModalHooks::chooseFile(request))
            OpenFile(*path);
        return true;
    }
    case 57602:
        if (doc)
            m_template->CloseDocument(doc);
        UpdateBugReportDocuments();
        return true;
    case 57603:
        if (doc)
            doc->OnFileSave();
        return true;
    case 57604:
        if (doc)
            doc->OnFileSaveAs();
        return true;
    case 57665:
        m_frame->close();
        return true;
    case 57664:
        CSplashWnd::Create()->ShowCredits(AppStrings::credits);
        return true;
    case 32910:
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
    switch (id) {
    case 57602:
    case 57603:
    case 57604:
        state.enabled = MCOpusDoc::GetActiveDoc() != nullptr;
        return true;
    case 57600:
    case 57601:
    case 57664:
    case 57665:
    case 32910: return true;
    default: return false;
    }
}
