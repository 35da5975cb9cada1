#pragma once

#include "app/core/AppCommandIds.h"
#include "app/core/CRecentFileList.h"
#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/ui/window/EventLoop.h"

#include <memory>
#include <string>
#include <vector>

class CMainFrame;
class MCDocManager;
class CWavegate;
class MCOpusDoc;
class MCOpusTemplate;
class QPrinter;
namespace plat::ui {
class CommandActions;
class InstanceChannel;
}

// The program: start-up in its fixed order, one running copy per user (a second copy hands
// its command line to the first and ends), the application's commands, and the orderly end.
class CMainApp : public plat::ui::CommandTarget {
public:
    // The application's settings and the key of the running copy's channel.
    static constexpr const char* kApplication = "Quavix";

    // args: the command line's arguments after the program's name.
    explicit CMainApp(std::vector<std::string> args);
    ~CMainApp() override;
    CMainApp(const CMainApp&) = delete;
    CMainApp& operator=(const CMainApp&) = delete;

    // The whole start-up; false when the program is to end now (another copy took the
    // command line, or a step failed).
    bool InitInstance();
    // The end: waits for the document threads, closes the devices, clears "Running".
    int ExitInstance();
    // The end when the display is gone: a recovery copy of every modified document, as
    // auto-save writes it, the backups of the others removed, and "Running" cleared. Nothing
    // is shown or asked.
    void SaveRecoveryCopies();

    // 1 when no running copy was found; 0 when the command line went to one.
    int ActivatePrevInstance();
    // Starts answering other copies and marks the program running; 0 on failure.
    int RegisterFrameClass();
    void InitComponents();
    // Idle time goes to the command manager, which frees the undo groups it let go.
    void OnIdle();
    // Runs a command line (this copy's own when text is null); 0 when a file named could not
    // be opened.
    int ProcessCommandLine(const char* text);
    // Opens a file of any kind the template reads (a template as a new document) and shows it.
    MCOpusDoc* OpenFile(const std::string& path);
    // Puts a file opened or saved into the recent-file list; templates never enter it.
    void AddToRecentFileList(const std::string& path);
    const CRecentFileList& RecentFiles() const { return m_recentFiles; }
    // The answer to another copy's request.
    std::string OnCopyData(const std::string& record);

    // The command line as this copy hands it on: paths made absolute, quoted where they hold
    // blanks.
    std::string HandOverText() const;
    // The key under which copies of the user on one display find each other.
    static std::string InstanceKey();

    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

    // Whether this copy's command line went to a running copy (start-up then ends normally).
    bool HandedOver() const { return m_handedOver; }
    CMainFrame* Frame() const { return m_frame.get(); }
    MCOpusTemplate* Template() const { return m_template.get(); }
    MCDocManager* DocManager() const { return m_docManager.get(); }
    plat::ui::CommandRouter& Router() { return m_router; }
    plat::ui::CommandActions* Actions() const { return m_actions.get(); }
    // The printer and page that Print Setup chose, kept while the program runs.
    QPrinter& Printer();

    static constexpr uint32_t kFirstRecentFile = AppCommandIds::FirstRecentFile;

private:
    // F1: the window with the focus, or the nearest window around it that has a help
    // context, shows that context's status text; false when none has one.
    bool ShowFocusHelp() const;
    void OfferBugReport();
    void UpdateRecentFileMenu();
    void UpdateBugReportDocuments();

    std::vector<std::string> m_args;
    // The documents, the sequencer and the devices post to the main thread's queue; the
    // interface's loop delivers it from start-up to the end.
    std::unique_ptr<plat::ui::EventLoop::QueueDelivery> m_queueDelivery;
    bool m_classRegistered = false;
    bool m_handedOver = false;
    plat::ui::CommandRouter m_router;
    std::unique_ptr<plat::ui::CommandActions> m_actions;
    std::unique_ptr<plat::ui::InstanceChannel> m_channel;
    std::unique_ptr<MCOpusTemplate> m_template;
    std::unique_ptr<MCDocManager> m_docManager;
    std::unique_ptr<CWavegate> m_wavegate;
    std::unique_ptr<CMainFrame> m_frame;
    CRecentFileList m_recentFiles{7};
    std::unique_ptr<QPrinter> m_printer;
};
