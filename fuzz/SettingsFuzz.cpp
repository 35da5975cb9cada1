// Starts the program's windows over any stored settings: the bytes are the settings file, then
// the start-up reads them (the libraries' start-up, the recent-file list, the main frame with
// its stored placement, bars and tool windows), the tool windows are shown, a piece with a
// staff selected is shown in them (the inspector brings each page forward, the staff's
// instrument page its audition window when asked to), the two preference sheets are shown with
// each page forward, and everything closes and stores what it keeps. Whatever is stored, nothing
// may overflow, read outside what it holds or wait for a user.

#include "app/core/AppCommandIds.h"
#include "app/core/CRecentFileList.h"
#include "app/frame/CMainFrame.h"
#include "app/frame/CMainMenus.h"
#include "app/frame/CSplashWnd.h"
#include "app/program/CMainApp.h"
#include "fuzz/FuzzApplication.h"
#include "fuzz/FuzzDocument.h"
#include "glyphtray/core/InitGlyphtray.h"
#include "glyphtray/views/CMusicWnd.h"
#include "inspector/core/InitInspector.h"
#include "inspector/views/CInspector.h"
#include "inspector/views/CPropertiesWnd.h"
#include "interface/document/MCHotKey.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "mixer/views/CMixerWnd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECStaff.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Profile.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/ManualTimerService.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/timer/UiTimers.h"
#include "preferences/sheet/CPrefsWnd.h"
#include "preferences/sheet/InitPrefs.h"
#include "sequencer/InitSequencer.h"
#include "wavegate/CWavegate.h"

#include <QApplication>
#include <QDialog>

#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace {

// What the program's start-up reads: the libraries' own start-up and the recent-file list.
void startUp()
{
    InitSequencer();
    InitInspector();
    InitGlyphtray();
    InitPrefs();
    CRecentFileList(4).Load();
}

void setup()
{
    static const bool done = [] {
        // The windows load their picture libraries and let them go again; kept loaded, their
        // coverage counters stay where the fuzzer counts them.
        const std::filesystem::path folder = std::filesystem::read_symlink("/proc/self/exe").parent_path();
        for (const char* library : {"libKnobset.so", "libBackdrape.so"})
            dlopen((folder / library).c_str(), RTLD_NOW | RTLD_NODELETE);
        FuzzDocument::Setup();
        FuzzApplication::Setup(startUp);
        plat::Profile::setApplication(CMainApp::kApplication);
        // Nobody answers: every dialog is cancelled and every message takes its default.
        plat::ui::ModalHooks::Hooks hooks;
        hooks.runDialog = [](QDialog&) { return int(QDialog::Rejected); };
        hooks.popupMenu = [](QMenu&, const QPoint&) -> QAction* { return nullptr; };
        hooks.openUrl = [](const std::string&) { return false; };
        plat::ui::ModalHooks::install(hooks);
        plat::UserPrompt::setHook([](const plat::UserPrompt::Message& message) {
            return plat::UserPrompt::defaultAnswer(message);
        });
        // The tool windows the program makes.
        CMainFrame::SetToolWindowMaker(CMainFrame::kMixer, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
            return new CMixerWnd(&frame, client);
        });
        CMainFrame::SetToolWindowMaker(CMainFrame::kMusicPalette,
                                       [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
                                           return new CMusicWnd(&frame, client);
                                       });
        CMainFrame::SetToolWindowMaker(CMainFrame::kInspector, [](CMainFrame& frame, QWidget* client) -> MCToolWnd* {
            return new CPropertiesWnd(&frame, client);
        });
        return true;
    }();
    (void)done;
}

// The bytes become the settings file of a folder the profile has not open, so that it reads
// them afresh.
void storeSettings(const uint8_t* data, size_t size)
{
    static int round = 0;
    const std::filesystem::path folder = FuzzTempFolder::Path() / ("profile" + std::to_string(round++ % 2));
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    plat::Profile::setFolder(folder.string());
    std::filesystem::create_directories(plat::Profile::userFolder());
    const std::string file = plat::Profile::userFolder() + "/" + plat::Profile::application() + ".conf";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

void settle()
{
    plat::MessageLoop::current().pump();
    QApplication::processEvents();
}

// Two staves; the first one selected, as the user selects it.
void showPiece(CMainFrame& frame)
{
    MCOpusDoc doc;
    doc.OnNewDocument();
    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 2);
    add->SetSynchronous(1);
    add->Apply(doc.GetBaseEvent());
    doc.GetSequence()->CheckDataIntegrity();
    MCOpusDoc::SetActiveDoc(&doc);
    (new SCSelection(SCSelection::kContextChanged))->Apply(doc.GetBaseEvent());
    ECStaff* staff = doc.GetBaseEvent()->GetConductor()->GetConductorStaff()->GetStaff(1, 0);
    (new SCSelection(SCSelection::kReplace, staff))->Apply(doc.GetBaseEvent());
    settle();
    if (auto* inspector = dynamic_cast<CPropertiesWnd*>(frame.ToolWindow(CMainFrame::kInspector))) {
        CInspector* sheet = inspector->GetInspector();
        for (int page = 0; sheet && page < sheet->PageCount(); ++page) {
            sheet->SetActivePage(page);
            settle();
        }
    }
    (new SCSelection(SCSelection::kClear))->Apply(doc.GetBaseEvent());
    doc.OnCloseDocument();
    settle();
}

void showPreferences()
{
    for (int category : {0, 1}) {
        CPrefsWnd sheet(category);
        sheet.show();
        settle();
        for (int page = 0; page < sheet.pageCount(); ++page) {
            sheet.setActivePage(page);
            settle();
        }
        sheet.reject();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    setup();
    storeSettings(data, size);

    plat::media::ManualTimerService timers{0};
    plat::ui::UiTimers::ScopedService timerScope(timers);
    startUp();
    {
        auto wavegate = std::make_unique<CWavegate>();
        plat::ui::CommandRouter router;
        plat::ui::CommandActions actions(router);
        MCOpusTemplate documents(131, nullptr, nullptr);
        CMainMenus::AddCommands(actions);
        auto frame = std::make_unique<CMainFrame>(actions, documents);
        router.setTarget(plat::ui::CommandRouter::Link::mainFrame, frame.get());
        MCStateMgr::SetMainWindowHandler([&frame](SCBase* state) { frame->OnStateWithoutPerformance(state); });
        MCHotKey::SetCommandSender([&router](uint16_t id) { router.execute(id); });
        if (frame->Create() == 1) {
            frame->EnableMediaDevices(1);
            CMainMenus::Build(*frame, actions);
            CSplashWnd::Instance()->Hide();
            frame->ActivateFrame();
            frame->show();
            settle();
            for (int slot : {CMainFrame::kMusicPalette, CMainFrame::kMixer, CMainFrame::kInspector}) {
                MCToolWnd* window = frame->ToolWindow(slot);
                if (window && !window->isVisible())
                    frame->onCommand(AppCommandIds::MusicPalette + static_cast<uint32_t>(slot));
                settle();
            }
            showPiece(*frame);
            showPreferences();
            // Closing with the devices open waits for them to fall silent.
            frame->EnableMediaDevices(0);
            frame->close();
            settle();
        }
        MCHotKey::SetCommandSender({});
        MCStateMgr::SetMainWindowHandler({});
        router.setTarget(plat::ui::CommandRouter::Link::mainFrame, nullptr);
        frame.reset();
        CSplashWnd::Destroy();
        wavegate.reset();
        settle();
    }
    return 0;
}
