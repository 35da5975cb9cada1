#include "app/frame/CMainFrame.h"

#include "app/core/AppCommandIds.h"
#include "app/core/AppCommandTable.h"
#include "app/core/AppImages.h"
#include "app/core/AppStrings.h"
#include "app/core/CTransportEnable.h"
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
#include "app/frame/CSplashWnd.h"
#include "app/frame/CEditBar.h"
#include "app/frame/CFileBar.h"
#include "app/frame/CMainStatusBar.h"
#include "app/frame/CTimeBar.h"
#include "app/frame/CToolPlaceholderWnd.h"
#include "app/frame/CTransportBar.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCImageMgr.h"
#include "interface/core/MCPalette.h"
#include "interface/core/MCPaths.h"
#include "interface/core/MCProgress.h"
#include "interface/document/CPluginEffects.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "interface/document/MCOpusWnd.h"
#include "interface/document/MCRecovery.h"
#include "interface/document/SCEffect.h"
#include "interface/document/SCHotKey.h"
#include "interface/views/MCToolWnd.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCMode.h"
#include "notabase/states/SCPrefs.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/IniFile.h"
#include "platform/core/Paths.h"
#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "interface/controls/MCTimeSource.h"
#include "platform/ui/timer/UiTimers.h"
#include "preferences/sheet/CPrefsWnd.h"
#include "sequencer/states/SCMaster.h"
#include "sequencer/states/SCPerform.h"
#include "wavegate/CWGDevice.h"
#include "wavegate/CWavegate.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QMdiSubWindow>
#include <QPointer>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QToolBar>

#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

namespace {

constexpr const char* kSaveSection = "Settings\\Save";
constexpr const char* kToolbarSection = "Main\\Toolbars\\v2";
constexpr const char* kToolWindowNames[3] = {"Music Palette", "Mixer", "Inspector"};

// The notices that follow a playing piece many times a second: the current time, the
// metronome's lead-in count and the tempo shown. No command's state depends on them.
bool changesNoCommand(int code)
{
    return code == 1900 || code == 1902 || code == SCMaster::codeTempoDisplay;
}

bool exists(const std::string& path)
{
    std::error_code error;
    return std::filesystem::exists(path, error);
}

}  // namespace

CMainFrame::Hooks& CMainFrame::hooks()
{
    static Hooks installed;
    return installed;
}

void CMainFrame::SetHooks(Hooks installed)
{
    hooks() = std::move(installed);
}

std::array<CMainFrame::ToolWindowMaker, 3>& CMainFrame::toolWindowMakers()
{
    static std::array<ToolWindowMaker, 3> makers;
    return makers;
}

CMainFrame::ToolWindowMaker CMainFrame::SetToolWindowMaker(ToolSlot slot, ToolWindowMaker maker)
{
    return std::exchange(toolWindowMakers()[static_cast<size_t>(slot)], std::move(maker));
}

CMainFrame::CMainFrame(plat::ui::CommandActions& actions, MCOpusTemplate& docTemplate)
    : m_actions(actions), m_template(docTemplate)
{
    setObjectName("MainFrame");
    m_hotKeys.AddDefaults();
}

CMainFrame::~CMainFrame()
{
    qApp->removeEventFilter(this);
    if (m_router) {
        for (const auto link : {plat::ui::CommandRouter::Link::activeView, plat::ui::CommandRouter::Link::document,
                                plat::ui::CommandRouter::Link::childFrame, plat::ui::CommandRouter::Link::mainFrame})
            m_router->setTarget(link, nullptr);
    }
    MCTimeSource::SetActiveProvider(nullptr);
    if (m_autoNewTimer)
        plat::ui::UiTimers::kill(m_autoNewTimer);
    if (m_autoSaveTimer)
        plat::ui::UiTimers::kill(m_autoSaveTimer);
    MCStateMgr::SetGlobalHandler(nullptr, nullptr);
    // The tool windows go while the frame they may still speak to stands.
    for (QPointer<MCToolWnd>& window : m_toolWindows)
        delete window.data();
    if (MCPalette::GetSharedPalette() == m_palette.get()) {
        MCPalette::SetSharedPalette(nullptr);
        MCImageMgr::GetImageMgr().SetPalette(nullptr);
    }
}

MCOpusDoc* CMainFrame::ActiveDocument()
{
    return MCOpusDoc::GetActiveDoc();
}

void CMainFrame::LinkCommandRouter(plat::ui::CommandRouter& router)
{
    using Link = plat::ui::CommandRouter::Link;
    m_router = &router;
    router.setLink(Link::activeView, [this]() -> plat::ui::CommandTarget* {
        const MCOpusWnd* frame = ActiveChildFrame();
        return frame ? dynamic_cast<plat::ui::CommandTarget*>(frame->widget()) : nullptr;
    });
    router.setLink(Link::document, [this]() -> plat::ui::CommandTarget* {
        const MCOpusWnd* frame = ActiveChildFrame();
        return frame ? frame->GetDocument() : nullptr;
    });
    router.setLink(Link::childFrame, [this]() -> plat::ui::CommandTarget* { return ActiveChildFrame(); });
    router.setTarget(Link::mainFrame, this);
}

MCOpusWnd* CMainFrame::ActiveChildFrame() const
{
    // The current child stays current while a dialog or another program has the focus.
    return m_client ? dynamic_cast<MCOpusWnd*>(m_client->currentSubWindow()) : nullptr;
}

bool CMainFrame::ApplyInspectorChanges()
{
    auto* inspector = dynamic_cast<CPropertiesWnd*>(m_toolWindows[kInspector].data());
    return !inspector || inspector->ApplyChanges();
}

MCToolWnd* CMainFrame::ToolWindow(int index) const
{
    return m_toolWindows[static_cast<size_t>(index)].data();
}

int CMainFrame::Create()
{
    m_client = new CClientWnd(this);
    m_client->setViewMode(QMdiArea::SubWindowView);
    setCentralWidget(m_client);
    m_template.SetMdiArea(m_client);

    // The shared palette comes from the splash picture's colours.
    auto bitmap = std::make_unique<MCBitmap>();
    if (bitmap->Create(AppImages::splash)) {
        m_palette = std::make_unique<MCPalette>();
        if (m_palette->Create(bitmap.get())) {
            MCPalette::SetSharedPalette(m_palette.get());
            MCImageMgr::GetImageMgr().SetPalette(m_palette.get());
        } else {
            m_palette.reset();
        }
    }

    CSplashWnd::Create()->SetMessage(AppStrings::loadingResources);
    MCStateMgr::SetGlobalHandler(&CMainFrame::StateHandler, this);
    SetAutoSaveTimer(1);

    const auto activeStateWord = []() -> std::optional<uint32_t> {
        if (MCOpusDoc* doc = ActiveDocument())
            return doc->GetSequence()->GetState();
        return std::nullopt;
    };
    m_fileBar = new CFileBar(m_actions, this);
    m_editBar = new CEditBar(m_actions, this);
    m_transportBar = new CTransportBar(m_actions, activeStateWord, this);
    if (!m_fileBar->InitBar() || !m_editBar->InitBar() || !m_transportBar->InitBar())
        return 0;
    const auto fromActive = [](SCBase* state) {
        const MCOpusDoc* doc = ActiveDocument();
        return doc && state && doc->GetBaseEvent() &&
               static_cast<ECPerformanceBase*>(doc->GetBaseEvent()) == state->GetTarget();
    };
    m_timeBar = new CTimeBar(fromActive, [] { return ActiveDocument() != nullptr; },
                             [this](uint32_t id) { m_actions.action(id)->trigger(); }, m_displayTick, this);
    m_timeBar->InitBar();
    m_toolBars = {m_fileBar, m_editBar, m_transportBar, m_timeBar};
    for (QToolBar* bar : m_toolBars)
        addToolBar(Qt::TopToolBarArea, bar);
    m_editBar->Update(m_hotKeys.IsEnabled() ? 5000 : 5001, nullptr);
    // The time edits read the active document's meters.
    MCTimeSource::SetActiveProvider([this]() -> MCTimeSource* {
        MCOpusDoc* doc = ActiveDocument();
        if (!doc) {
            m_timeSource.reset();
            m_timeSourceSequence = nullptr;
            return nullptr;
        }
        if (!m_timeSource || m_timeSourceSequence != doc->GetSequence()) {
            m_timeSource = std::make_unique<MCSequenceTimeSource>(*doc->GetSequence());
            m_timeSourceSequence = doc->GetSequence();
        }
        return m_timeSource.get();
    });
    m_statusBar = new CMainStatusBar(activeStateWord, [this] { ApplyWithoutPerformance(new SCPrefs()); }, this);
    setStatusBar(m_statusBar);
    m_statusBar->setSizeGripEnabled(true);
    m_statusBar->showMessage(tr("Ready"));
    m_statusBar->OnUpdate(SCMode::GetMode(), nullptr);
    qApp->installEventFilter(this);
    CSplashWnd::Instance()->SetMessage(AppStrings::loadingApplication);
    return 1;
}

void CMainFrame::ActivateFrame()
{
    if (IsFirstActivationDone()) {
        show();
        return;
    }
    RestoreLayout();
    // The first run is over once the wizard ran; a program without one keeps it for later.
    if (LoadIntPreference("Settings", "FirstRun", 1) && hooks().deviceWizard) {
        hooks().deviceWizard();
        SaveIntPreference("Settings", "FirstRun", 0);
    }
    if (LoadIntPreference("Settings\\Tips", "ShowStartUp", 1) && hooks().tipOfTheDay)
        hooks().tipOfTheDay();
    if (LoadIntPreference("Settings\\New", "AutoNew", 1) && !m_autoNewTimer) {
        m_autoNewTimer = plat::ui::UiTimers::set(10, [this] {
            plat::ui::UiTimers::kill(m_autoNewTimer);
            m_autoNewTimer = 0;
            OpenAutoTemplate();
        });
    }
    m_flags |= 1;
}

void CMainFrame::RestoreLayout()
{
    plat::WindowPlacement placement;
    const bool stored = LoadWindowPrefs("Main", placement) != 0;
    // Nothing stored, or a frame that was closed minimised, opens maximised and 30 pixels
    // inside the work area when restored.
    if (!stored || placement.show == plat::WindowPlacement::Show::minimized) {
        auto& r = placement.normalPosition;
        r = {r.left + 30, r.top + 30, r.right - 30, r.bottom - 30};
        placement.show = plat::WindowPlacement::Show::maximized;
    }
    const auto& r = placement.normalPosition;
    setGeometry(r.left, r.top, std::max(200, r.width()), std::max(150, r.height()));
    if (placement.show == plat::WindowPlacement::Show::maximized)
        showMaximized();
    else
        showNormal();

    CreateToolWindows();
    onCommand(33210);
    m_hotKeys.Enable(LoadIntPreference("Main", "Hotkeys", 0) ? 0 : 1);
    onCommand(33212);
    if (const auto state = plat::Profile::instance().getBinary(kToolbarSection, "State"))
        restoreState(QByteArray(reinterpret_cast<const char*>(state->data()), static_cast<qsizetype>(state->size())));
}

void CMainFrame::SaveLayout()
{
    plat::WindowPlacement placement;
    const QRect normal = normalGeometry().isValid() ? normalGeometry() : geometry();
    placement.normalPosition = {normal.left(), normal.top(), normal.right() + 1, normal.bottom() + 1};
    placement.show = isMinimized()   ? plat::WindowPlacement::Show::minimized
                     : isMaximized() ? plat::WindowPlacement::Show::maximized
                                     : plat::WindowPlacement::Show::normal;
    SaveWindowPrefs("Main", placement);
    SaveIntPreference("Main", "Mode", SCMode::GetMode());
    SaveIntPreference("Main", "Hotkeys", m_hotKeys.IsEnabled());
}

void CMainFrame::CreateToolWindows()
{
    // Only the mixer docks, at the bottom; the palette and the inspector float.
    const Qt::DockWidgetAreas placeholderDocking[3] = {Qt::NoDockWidgetArea, Qt::BottomDockWidgetArea,
                                                       Qt::NoDockWidgetArea};
    for (size_t i = 0; i < m_toolWindows.size(); ++i) {
        if (m_toolWindows[i])
            continue;
        MCToolWnd* window = nullptr;
        if (const ToolWindowMaker& make = toolWindowMakers()[i])
            window = make(*this, m_client);
        if (!window)
            window = new CToolPlaceholderWnd(tr(kToolWindowNames[i]), placeholderDocking[i], this);
        // Stable names, so the saved layout finds each one again.
        QString name = kToolWindowNames[i];
        window->setObjectName(name.remove(' '));
        m_toolWindows[i] = window;
    }
}

// ---- State handling -------------------------------------------------------------------

int CMainFrame::StateHandler(ECBase*, int phase, void* state, void* user)
{
    auto* frame = static_cast<CMainFrame*>(user);
    auto* s = static_cast<SCBase*>(state);
    if (phase == 0 && frame && s)
        frame->OnStateChange(s->GetCode(), s);
    return 0;
}

void CMainFrame::OnStateChange(int code, SCBase* state)
{
    if (m_flags & 2)
        return;
    // A pass asks every command of the program again: it waits for a notice that may change one.
    if (!changesNoCommand(code))
        m_actions.requestUpdate();
    if (m_editBar)
        m_editBar->Update(code, state);
    if (m_transportBar)
        m_transportBar->Update(code, state);
    if (m_timeBar)
        m_timeBar->Update(code, state);
    if (m_statusBar)
        m_statusBar->OnUpdate(code, state);
    for (const QPointer<MCToolWnd>& window : m_toolWindows) {
        if (window)
            window->OnUpdate(code, state);
    }
    switch (code) {
    case 1303:
        UpdateEffectsMenu();
        break;
    case 1502:
        if (MCToolWnd* palette = m_toolWindows[kMusicPalette]) {
            palette->show();
            palette->setFocus();
        }
        if (m_toolWindows[kInspector] && LoadIntPreference("Components\\Inspector", "AutoHide", 1))
            m_toolWindows[kInspector]->hide();
        break;
    case 1600:
        m_client->LoadBackground();
        SetAutoSaveTimer(1);
        break;
    case 1700:
    case 1701:
    case 1702:
    case 1703:
    case 1705:
        if (auto* selection = dynamic_cast<SCSelection*>(state); !selection || !selection->IsDynamic())
            UpdateEffectsMenu();
        break;
    case 3304: {
        MCOpusDoc* doc = ActiveDocument();
        if (!doc)
            break;
        if (doc->GetSequence()->TestState(0x00020000) && m_toolWindows[kMusicPalette])
            m_toolWindows[kMusicPalette]->show();
        DeviceReleaseCheck();
        break;
    }
    case 5000:
        m_hotKeys.Enable(1);
        break;
    case 5001:
        m_hotKeys.Enable(0);
        break;
    case 5002: {
        auto* hotKey = dynamic_cast<SCHotKey*>(state);
        MCOpusDoc* doc = ActiveDocument();
        if (!hotKey || !hotKey->GetHotKey() || hotKey->GetHotKey()->GetInput() != CHotKeyTable::VK_SPACE || !doc ||
            !doc->GetBaseEvent())
            break;
        const CSequence* sequence = doc->GetSequence();
        const int transport = sequence->TestState(0x00020000) ? 3303 : sequence->TestState(0x10) ? 3300 : 3302;
        auto* perform = new SCPerform(transport);
        perform->SetSynchronous(1);
        perform->Apply(doc->GetBaseEvent());
        break;
    }
    default:
        if ((code >= 3300 && code <= 3303) || (code >= 3305 && code <= 3312))
            DeviceReleaseCheck();
        break;
    }
}

void CMainFrame::DeviceReleaseCheck()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    const bool busy = wavegate && wavegate->IsActive();
    if (!m_appActive && !busy) {
        EnableMediaDevices(0);
        return;
    }
    if ((m_flags & 4) && !busy) {
        m_flags &= ~4;
        if (m_appActive) {
            if (m_autoSaveTimer)
                plat::ui::UiTimers::kill(m_autoSaveTimer);
            m_autoSaveTimer = plat::ui::UiTimers::set(kRetryAutoSaveMs, [this] { OnAutoSave(); });
        }
    }
}

void CMainFrame::OnStateWithoutPerformance(SCBase* state)
{
    // The sender's choice comes back afterwards: a state on the sender's stack stays its own.
    const int autoDelete = state->IsAutoDelete();
    state->SetAutoDelete(0);
    state->SetSynchronous(1);
    m_flags |= 2;
    for (MCOpusDoc* doc : m_template.GetDocuments()) {
        if (doc->GetBaseEvent())
            state->Apply(doc->GetBaseEvent());
    }
    m_flags &= ~2;
    state->SetAutoDelete(autoDelete);
    state->SetTarget(nullptr);
    OnStateChange(state->GetCode(), state);
}

void CMainFrame::ApplyWithoutPerformance(SCBase* state)
{
    state->SetSynchronous(1);
    MCStateMgr::ApplyState(state, nullptr);
}

void CMainFrame::OnActivateApp(bool active)
{
    m_appActive = active;
    if (!IsFirstActivationDone())
        return;
    SetAutoSaveTimer(active ? 1 : 0);
    EnableMediaDevices(active ? 1 : 0);
}

// ---- Devices, timers and auto-save ------------------------------------------------------

int CMainFrame::EnableMediaDevices(int open)
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate || wavegate->IsActive())
        return 0;
    int result = 0;
    if (open) {
        wavegate->Initialize(0xFFFF);
        wavegate->EnableDevice(CWavegate::WG_MIDI, CWavegate::WG_IN, CWavegate::WG_ALL_DEVICES, 1);
        wavegate->EnableDevice(CWavegate::WG_MIDI, CWavegate::WG_OUT, CWavegate::WG_ALL_DEVICES, 1);
        wavegate->EnableDevice(CWavegate::WG_WAVE, CWavegate::WG_IN, CWavegate::WG_ALL_DEVICES, 0);
        wavegate->EnableDevice(CWavegate::WG_WAVE, CWavegate::WG_OUT, CWavegate::WG_ALL_DEVICES, 1);
        WG_DevFormat format{};
        CWGDevice::FillFormat(&format, LoadIntPreference("Sequencer\\WaveAudio", "Default Input Format", 8));
        wavegate->SetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_IN, CWavegate::WG_ALL_DEVICES, &format);
        CWGDevice::FillFormat(&format, LoadIntPreference("Sequencer\\WaveAudio", "Default Output Format", 9));
        wavegate->SetDeviceFormat(CWavegate::WG_WAVE, CWavegate::WG_OUT, CWavegate::WG_ALL_DEVICES, &format);
        result = wavegate->OpenDevices();
        if (wavegate->GetSyncMode() == 2)
            result = wavegate->StartDevice(CWavegate::WG_MIDI, CWavegate::WG_IN, 0);
        else
            result = wavegate->StartDevices();
        for (MCOpusDoc* doc : m_template.GetDocuments()) {
            CSequence* sequence = doc->GetSequence();
            sequence->GetWavePrefetchMgr().DoPrefetch(sequence->GetLocation(), 1);
        }
    } else {
        for (MCOpusDoc* doc : m_template.GetDocuments())
            doc->GetSequence()->GetWavePrefetchMgr().Reset(MCTime::TimeNull());
        result = wavegate->CloseDevices();
    }
    return result;
}

void CMainFrame::SetAutoSaveTimer(int arm)
{
    if (m_autoSaveTimer) {
        plat::ui::UiTimers::kill(m_autoSaveTimer);
        m_autoSaveTimer = 0;
    }
    // At most a day, so the period in milliseconds fits the timer.
    const int period = LoadIntPreference(kSaveSection, "AutoSavePeriod", 10, 0, 1440);
    if (arm && LoadIntPreference(kSaveSection, "AutoSave", 1) && period > 0)
        m_autoSaveTimer = plat::ui::UiTimers::set(static_cast<uint32_t>(period) * 60000u, [this] { OnAutoSave(); });
}

void CMainFrame::OnAutoSave()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (wavegate && wavegate->IsActive()) {
        if (m_autoSaveTimer)
            plat::ui::UiTimers::kill(m_autoSaveTimer);
        m_autoSaveTimer = 0;
        m_flags |= 4;
        return;
    }
    SetAutoSaveTimer(0);
    const bool saveNew = LoadIntPreference(kSaveSection, "AutoSaveNew", 0) != 0;
    const std::vector<MCOpusDoc*> docs = m_template.GetDocuments();
    if (!docs.empty()) {
        MCProgressBegin(AppStrings::text(AppStrings::autosaving), 0, static_cast<int>(docs.size()));
        for (MCOpusDoc* doc : docs) {
            // An untitled document is kept in a folder of its own, never by asking for a name
            // from a timer.
            MCRecovery::SaveCopy(*doc, saveNew && doc->GetPathName().empty());
            MCProgressStep();
        }
        MCProgressEnd();
    }
    SetAutoSaveTimer(1);
}

void CMainFrame::OpenAutoTemplate()
{
    if (!m_template.GetDocuments().empty())
        return;
    const std::string name = LoadStringPreference("Settings\\New", "AutoTemplate", "Single Staff");
    const std::string path = MCGetAppPath("Templates/" + name + ".kvt");
    if (!exists(path))
        return;
    if (m_templateOpener) {
        m_templateOpener(path);
        return;
    }
    if (MCOpusDoc* doc = m_template.OpenDocumentTemplate(path)) {
        for (MCOpusWnd* frame : m_template.GetFrames(doc))
            frame->ActivateFrame();
    }
}

// ---- Commands ------------------------------------------------------------------------

bool CMainFrame::AnyToolBarVisible() const
{
    for (const QToolBar* bar : m_toolBars) {
        if (bar && bar->isVisible())
            return true;
    }
    return false;
}

void CMainFrame::ToggleToolWindow(int index)
{
    MCToolWnd* window = m_toolWindows[static_cast<size_t>(index)];
    if (!window)
        return;
    if (window->isVisible()) {
        window->hide();
    } else {
        window->show();
        window->raise();
        if (window->widget())
            window->widget()->setFocus();
    }
}

void CMainFrame::UpdateEffectsMenu()
{
    const QString title = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuActions));
    QMenu* menu = nullptr;
    for (QAction* action : menuBar()->actions()) {
        if (action->text() == title)
            menu = action->menu();
    }
    if (!menu)
        return;
    menu->clear();
    if (const std::vector<MCMenuItem>* items = CPluginEffects::UpdateMenu()) {
        for (const MCMenuItem& item : *items) {
            QAction* action = m_actions.action(item.command);
            action->setText(QString::fromStdString(item.text));
            menu->addAction(action);
        }
    }
    menu->setEnabled(!menu->isEmpty());
}

std::string CMainFrame::WebLink(const std::string& key)
{
    const plat::IniFile file(plat::paths::join(plat::paths::programFolder(), "addr.sys"));
    std::string address = file.getString("URL", key, "");
    if (address.size() > 512)
        address.resize(512);
    return address;
}

void CMainFrame::SaveAsTemplate()
{
    MCOpusDoc* doc = ActiveDocument();
    if (!doc || !ApplyInspectorChanges())
        return;
    CSaveTemplateDlg dialog(this);
    if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
        return;
    const std::string path = dialog.GetTemplatePath();
    namespace fs = std::filesystem;
    std::error_code error;
    if (exists(path))
        fs::permissions(path, fs::perms::owner_write, fs::perm_options::add, error);
    const std::string previous = doc->GetPathName();
    const int format = doc->GetHeader()->GetFormat();
    // The template is a copy: changes the document's own file does not hold yet are still
    // unsaved, and closing the document must still ask about them.
    const int modified = doc->IsModified();
    doc->GetHeader()->SetFormat(MCOpusHeader::formatNative);
    const int saved = doc->OnSaveDocument(path);
    doc->GetHeader()->SetFormat(format);
    doc->SetModifiedFlag(modified);
    // Saving left the document holding the template's file (and its backup beside it): it
    // goes back to its own, so neither a later save nor the auto-save touches the template.
    if (saved) {
        doc->ReleaseRootStorage();
        doc->DeleteBackupFile();
        if (!previous.empty()) {
            try {
                doc->CreateRootStorage(previous);
            } catch (const std::exception& error) {
                plat::trace("CMainFrame::SaveAsTemplate -- %s stays closed: %s", previous.c_str(), error.what());
            }
        }
    }
    if (!previous.empty())
        doc->SetPathName(previous, 0);
    if (exists(path))
        fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                        fs::perm_options::remove, error);
}

void CMainFrame::CloseAllChildren()
{
    // Every child is asked once, the active one first. Closing a document's last frame
    // deletes all its frames and brings another document's frame to the front, so the
    // children are taken from a list made beforehand. A child that stays visible after it was
    // asked (its document's save was cancelled) ends the command.
    std::vector<QPointer<QMdiSubWindow>> children;
    if (QMdiSubWindow* active = m_client->activeSubWindow())
        children.emplace_back(active);
    const QList<QMdiSubWindow*> stacked = m_client->subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacked.crbegin(); it != stacked.crend(); ++it) {
        if (*it != m_client->activeSubWindow())
            children.emplace_back(*it);
    }
    for (const QPointer<QMdiSubWindow>& child : children) {
        if (!child || !child->isVisible())
            continue;
        child->close();
        if (child && child->isVisible())
            break;
    }
}

bool CMainFrame::onCommand(uint32_t id)
{
    using namespace AppCommandIds;
    MCOpusDoc* doc = ActiveDocument();
    if (CTransportEnable::StateOf(id)) {
        if (!doc || !doc->GetBaseEvent())
            return true;
        if (id == 778 || id == 775)
            m_silentNotice.Check(CWavegate::GetWavegate());
        auto* state = new SCPerform(CTransportEnable::StateOf(id));
        state->Apply(doc->GetBaseEvent());
        return true;
    }
    if (id >= PaletteButton && id <= InspectorButton) {
        // The button latched up hides its window; latched down it shows it.
        QAction* button = m_actions.find(id);
        QDockWidget* window = m_toolWindows[id - PaletteButton];
        if (button && !button->isChecked() && window)
            window->hide();
        else
            ToggleToolWindow(static_cast<int>(id - PaletteButton));
        return true;
    }
    if (id >= FileToolbar && id <= TimeToolbar) {
        if (QToolBar* bar = m_toolBars[id - FileToolbar])
            bar->setVisible(!bar->isVisible());
        return true;
    }
    if (id >= MusicPalette && id <= Inspector) {
        ToggleToolWindow(static_cast<int>(id - MusicPalette));
        return true;
    }
    if (id >= FirstPalettePage && id <= LastPalettePage) {
        // The palette's page items bring that page of the palette forward.
        auto* palette = dynamic_cast<plat::ui::CommandTarget*>(m_toolWindows[kMusicPalette].data());
        return palette ? palette->onCommand(id) : false;
    }
    if (id >= FirstView && id <= LastView) {
        if (MCOpusWnd* frame = doc ? m_template.GetViewFrame(doc, id) : nullptr) {
            if (frame->isMinimized())
                frame->showNormal();
            else
                frame->show();
            m_client->setActiveSubWindow(frame);
            frame->setFocus();
        }
        return true;
    }
    if (id >= FirstPreferences && id <= LastPreferences) {
        CPrefsWnd sheet(static_cast<int>(id - FirstPreferences), this);
        plat::ui::ModalHooks::runDialog(sheet);
        return true;
    }
    if (id >= FirstEffect && id <= LastEffect) {
        if (QDockWidget* inspector = m_toolWindows[2]; inspector && !inspector->isVisible())
            inspector->show();
        auto* effect = new SCEffect(5100);
        effect->SetCommandID(id);
        ApplyWithoutPerformance(effect);
        return true;
    }
    switch (id) {
    case SelectModeButton:
    case InsertModeButton:
    case HotKeySwitchButton: return onCommand(id - SelectModeButton + SelectMode);
    case MidiPanic:
        if (CWavegate* wavegate = CWavegate::GetWavegate())
            wavegate->OnPanicButton();
        return true;
    case SelectMode:
    case InsertMode:
        ApplyWithoutPerformance(new SCMode(id == SelectMode ? 1500 : 1502));
        return true;
    case HotKeySwitch:
        ApplyWithoutPerformance(new SCHotKey(m_hotKeys.IsEnabled() ? 5001 : 5000));
        return true;
    case UndoHistory:
        if (doc && doc->GetBaseEvent()) {
            CUndoHistoryDlg dialog(doc->GetBaseEvent(), this);
            plat::ui::ModalHooks::runDialog(dialog);
        }
        return true;
    case ClearSelection:
        if (ECPerformance* performance = ECPerformance::GetActivePerformance()) {
            auto* clear = new SCSelection(1700);
            clear->Apply(performance);
        }
        return true;
    case SelectEvents:
        if (doc)
            CSelectEventsDlg::Run(doc, this);
        return true;
    case MouseSelectOptions:
        if (doc) {
            CMouseSelectDlg dialog(this);
            plat::ui::ModalHooks::runDialog(dialog);
        }
        return true;
    case HideAllToolbars: {
        const bool hide = AnyToolBarVisible();
        for (QToolBar* bar : m_toolBars) {
            if (bar)
                bar->setVisible(!hide);
        }
        return true;
    }
    case SystemExclusive:
        if (doc) {
            CSysExDlg dialog(doc, this);
            plat::ui::ModalHooks::runDialog(dialog);
        }
        return true;
    case ChannelMode:
        if (doc) {
            CChanModeDlg dialog(doc, this);
            plat::ui::ModalHooks::runDialog(dialog);
        }
        return true;
    case WebHome:
    case WebNews:
    case WebSupport:
    case WebFree: {
        const char* key = id == WebHome ? "Home" : id == WebNews ? "News" : id == WebSupport ? "Support" : "Free";
        const std::string address = WebLink(key);
        const auto warn = [](const std::string& text) {
            plat::UserPrompt::ask({plat::Profile::application(), text, plat::UserPrompt::Buttons::ok,
                                   plat::UserPrompt::Icon::warning, std::nullopt});
        };
        if (address.empty())
            warn(AppStrings::text(AppStrings::urlFileMissing));
        else if (!plat::ui::ModalHooks::openUrl(address))
            warn(plat::format(AppStrings::text(AppStrings::browserMissing).c_str(), address.c_str()));
        return true;
    }
    case TipOfTheDay:
        if (hooks().tipOfTheDay)
            hooks().tipOfTheDay();
        return true;
    case DeviceWizard:
        if (hooks().deviceWizard)
            hooks().deviceWizard();
        return true;
    case AppCommandIds::SaveAsTemplate:
        SaveAsTemplate();
        return true;
    case PerformanceOptions:
        if (doc)
            CPerformanceOptionsDlg::Run(doc, this);
        return true;
    case GoTo:
        if (doc && doc->GetBaseEvent() && m_timeBar)
            CGoToDlg::Run(doc->GetBaseEvent(), m_timeBar->GetTime(), this);
        return true;
    case AddStaff:
        if (doc)
            CAddStaffDlg::Run(doc, this);
        return true;
    case RemoveStaves:
        if (doc)
            CRemoveStavesDlg::Run(doc, this);
        return true;
    case AddMeasures:
        if (doc)
            CAddMeasuresDlg::Run(doc, this);
        return true;
    case RemoveMeasures:
        if (doc)
            CRemoveMeasuresDlg::Run(doc, this);
        return true;
    case Properties:
        if (QDockWidget* inspector = m_toolWindows[2]) {
            inspector->show();
            if (inspector->widget())
                inspector->widget()->setFocus();
        }
        return true;
    case CloseWindow:
        if (QMdiSubWindow* child = m_client->activeSubWindow())
            child->close();
        return true;
    case CloseAllWindows:
        CloseAllChildren();
        return true;
    default: return false;
    }
}

bool CMainFrame::onUpdateCommand(uint32_t id, plat::ui::CommandState& state)
{
    using namespace AppCommandIds;
    MCOpusDoc* doc = ActiveDocument();
    if (CTransportEnable::IsTransportCommand(id)) {
        CTransportEnable::Document info;
        if (doc) {
            info.state = doc->GetSequence()->GetState();
            info.loopRegion = doc->GetSequence()->LoopRegionEnabled() != 0;
            info.stepMode = doc->GetSequence()->GetStepMode() != 0;
        }
        state = CTransportEnable::Update(id, doc ? &info : nullptr);
        return true;
    }
    if (id >= PaletteButton && id <= InspectorButton) {
        const QDockWidget* window = m_toolWindows[id - PaletteButton];
        state.checked = window && window->isVisible();
        return true;
    }
    if (id >= FileToolbar && id <= TimeToolbar) {
        // An update pass may come while the frame is still being made.
        const QToolBar* bar = m_toolBars[id - FileToolbar];
        state.enabled = bar != nullptr;
        state.checked = bar && bar->isVisible();
        return true;
    }
    if (id >= FirstPalettePage && id <= LastPalettePage) {
        auto* palette = dynamic_cast<plat::ui::CommandTarget*>(m_toolWindows[kMusicPalette].data());
        return palette ? palette->onUpdateCommand(id, state) : false;
    }
    if (id >= MusicPalette && id <= Inspector) {
        const QDockWidget* window = m_toolWindows[id - MusicPalette];
        state.checked = window && window->isVisible();
        return true;
    }
    if (id >= FirstView && id <= LastView) {
        state.enabled = doc != nullptr;
        return true;
    }
    if ((id >= FirstEffect && id <= LastEffect) || (id >= FirstPreferences && id <= LastPreferences))
        return true;
    switch (id) {
    case SelectModeButton:
    case InsertModeButton:
    case HotKeySwitchButton: return onUpdateCommand(id - SelectModeButton + SelectMode, state);
    case SelectMode:
    case InsertMode:
        state.enabled = doc != nullptr;
        state.checked = SCMode::GetMode() == (id == SelectMode ? 1500 : 1502);
        return true;
    case HotKeySwitch:
        state.enabled = doc != nullptr;
        state.checked = m_hotKeys.IsEnabled() != 0;
        return true;
    case HideAllToolbars:
        state.text = AppStrings::text(AnyToolBarVisible() ? AppStrings::hideAll : AppStrings::showAll);
        return true;
    case AppCommandIds::SaveAsTemplate:
    case UndoHistory:
    case GoTo:
        state.enabled = doc != nullptr;
        return true;
    case CloseWindow:
    case CloseAllWindows:
        state.enabled = m_client && m_client->activeSubWindow() != nullptr;
        return true;
    // The editing commands belong to the active view and document; they reach the frame only
    // when neither takes them, and then there is nothing to edit. Undo and Redo lose the name
    // of the step the last document gave them.
    case EditUndo:
    case EditRedo:
        state.enabled = false;
        state.text = AppCommandTable::Text(id);
        return true;
    case EditCut:
    case EditCopy:
    case EditPaste:
    case EditClear:
        state.enabled = false;
        return true;
    case MidiPanic:
    case ClearSelection:
    case SelectEvents:
    case MouseSelectOptions:
    case SystemExclusive:
    case ChannelMode:
    case WebHome:
    case WebNews:
    case WebSupport:
    case WebFree:
    case TipOfTheDay:
    case DeviceWizard:
    case Properties:
    case AddStaff:
    case RemoveStaves:
    case AddMeasures:
    case RemoveMeasures: return true;
    default: return false;
    }
}

// ---- Window events --------------------------------------------------------------------

bool CMainFrame::eventFilter(QObject* watched, QEvent* event)
{
    // A document window asked to close (its close button, its system menu, the window
    // commands) closes with the change typed for its elements, or not at all.
    if (event->type() == QEvent::Close) {
        auto* child = qobject_cast<QMdiSubWindow*>(watched);
        if (child && child->mdiArea() == m_client && !ApplyInspectorChanges()) {
            event->ignore();
            return true;
        }
        return QMainWindow::eventFilter(watched, event);
    }
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return QMainWindow::eventFilter(watched, event);
    auto* widget = static_cast<QWidget*>(watched);
    // Only keys meant for this frame's windows, and only once per key (Qt offers a key to
    // the focus widget and then to its parents).
    const QWidget* focus = QApplication::focusWidget();
    if (widget->window() != this || widget != (focus ? focus : this))
        return QMainWindow::eventFilter(watched, event);
    if (CHotKeyTable::KeepsKeys(widget))
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const unsigned vk = CHotKeyTable::VirtualKey(key->key());
    if (!vk)
        return false;
    const Qt::KeyboardModifiers mods = key->modifiers();
    return m_hotKeys.Translate(vk, mods.testFlag(Qt::ControlModifier), mods.testFlag(Qt::AltModifier),
                               mods.testFlag(Qt::ShiftModifier), key->isAutoRepeat()) != 0;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event)
{
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile() && m_openFile)
            m_openFile(url.toLocalFile().toStdString());
    }
    event->acceptProposedAction();
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (!ApplyInspectorChanges()) {
        event->ignore();
        return;
    }
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (wavegate && wavegate->IsActive()) {
        for (MCOpusDoc* doc : m_template.GetDocuments()) {
            doc->GetSequence()->Stop(1);
            doc->GetSequence()->GetWavePrefetchMgr().Reset(MCTime::TimeNull());
        }
        QThread::msleep(1000);
    }
    const QByteArray state = saveState();
    plat::Profile::instance().setBinary(kToolbarSection, "State",
                                        std::vector<uint8_t>(state.begin(), state.end()));
    for (MCOpusDoc* doc : m_template.GetDocuments()) {
        if (!m_template.CloseDocument(doc)) {
            event->ignore();
            return;
        }
    }
    SaveLayout();
    event->accept();
}
