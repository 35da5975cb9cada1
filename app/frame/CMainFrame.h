#pragma once

#include "app/core/CHotKeyTable.h"
#include "app/core/CSilentPlaybackNotice.h"
#include "interface/views/MCToolWnd.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/ui/timer/DisplayTick.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CClientWnd;
class CEditBar;
class CFileBar;
class CMainStatusBar;
class CTimeBar;
class MCSequenceTimeSource;
class CTransportBar;
class ECBase;
class MCOpusDoc;
class MCOpusTemplate;
class MCPalette;
class QToolBar;
class SCBase;
class MCOpusWnd;
namespace plat::ui {
class CommandActions;
class CommandRouter;
}

// The main window of the program: the MDI area with its background, the four toolbars, the
// status bar, the hot keys and the three tool windows. It is the one global state handler:
// every state reaches it after the performance's own handlers. It runs the timer that makes
// the first document and the auto-save timer, and holds the media devices only while the
// program is active or the transport busy.
class CMainFrame : public QMainWindow, public plat::ui::CommandTarget {
public:
    static constexpr int kAutoNewTimer = 125;
    static constexpr int kAutoSaveTimer = 130;
    static constexpr int kRetryAutoSaveMs = 1000;

    // What the first run and the tip command run; the program installs them (the device
    // wizard and the tip of the day), tests replace them.
    struct Hooks {
        std::function<void()> deviceWizard;
        std::function<void()> tipOfTheDay;
    };

    // The three tool windows, in the order they are made and hear the states.
    enum ToolSlot { kMusicPalette = 0, kMixer = 1, kInspector = 2 };
    // Makes the tool window of a slot, a child of frame, for frame and its MDI client. The
    // program installs the makers of the tool libraries it has; a slot without one gets an
    // empty tool window.
    using ToolWindowMaker = std::function<MCToolWnd*(CMainFrame& frame, QWidget* client)>;

    CMainFrame(plat::ui::CommandActions& actions, MCOpusTemplate& docTemplate);
    ~CMainFrame() override;

    static void SetHooks(Hooks hooks);
    // Installs the maker of slot's tool window (before the first activation makes them);
    // returns the one it replaces.
    static ToolWindowMaker SetToolWindowMaker(ToolSlot slot, ToolWindowMaker maker);

    // The create handler: background area, palette, splash, global state handler, auto-save
    // timer, toolbars and status bar. 0 on failure.
    int Create();
    // The first call restores the layout, makes the tool windows and runs the first-run
    // work; later calls only show the frame.
    void ActivateFrame();
    bool IsFirstActivationDone() const { return (m_flags & 1) != 0; }
    void RestoreLayout();
    void SaveLayout();

    // The state handler given to the state manager, with the frame as user value.
    static int StateHandler(ECBase* performance, int phase, void* state, void* user);
    void OnStateChange(int code, SCBase* state);
    // A state applied without a performance: every open document's performance gets it, then
    // the frame handles it once.
    void OnStateWithoutPerformance(SCBase* state);
    // The program became active or went to the background.
    void OnActivateApp(bool active);

    int EnableMediaDevices(int open);
    void SetAutoSaveTimer(int arm);
    void OnAutoSave();
    void OpenAutoTemplate();
    bool AutoSaveTimerRunning() const { return m_autoSaveTimer != 0; }
    bool AutoNewTimerRunning() const { return m_autoNewTimer != 0; }
    bool AutoSavePending() const { return (m_flags & 4) != 0; }

    // Opens a file dropped on the frame; the program installs it.
    void SetFileOpener(std::function<void(const std::string& path)> opener) { m_openFile = std::move(opener); }

    // The program's active state as the device check sees it; tests set it.
    void SetAppActive(bool active) { m_appActive = active; }

    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

    // Links router's view, document, child frame and main frame to this frame: a command goes
    // to the active child frame's view, its document and the child frame before the frame.
    // The links go with the frame.
    void LinkCommandRouter(plat::ui::CommandRouter& router);
    // The child frame the user works in, or null.
    MCOpusWnd* ActiveChildFrame() const;

    CHotKeyTable& HotKeys() { return m_hotKeys; }
    CClientWnd* Client() const { return m_client; }
    QToolBar* ToolBar(int index) const { return m_toolBars[static_cast<size_t>(index)]; }
    CFileBar* FileBar() const { return m_fileBar; }
    CEditBar* EditBar() const { return m_editBar; }
    CTransportBar* TransportBar() const { return m_transportBar; }
    CMainStatusBar* StatusBar() const { return m_statusBar; }
    CTimeBar* TimeBar() const { return m_timeBar; }
    // The tick the displays that follow a play share (the time bar's, the mixer's meters').
    const std::shared_ptr<plat::ui::DisplayTick>& GetDisplayTick() const { return m_displayTick; }
    MCToolWnd* ToolWindow(int index) const;
    MCOpusTemplate& Template() const { return m_template; }
    // Opens a template as a new document the way the application does; without it, the
    // document template opens it.
    using TemplateOpener = std::function<void(const std::string& path)>;
    void SetTemplateOpener(TemplateOpener opener) { m_templateOpener = std::move(opener); }
    // The document whose frame is active, as the commands see it.
    static MCOpusDoc* ActiveDocument();
    // The change typed into the inspector and not yet applied goes into its document before a
    // document is saved or closed. False when it does not validate: the user was told, and the
    // save or close does not go on.
    bool ApplyInspectorChanges();

    // The "&Actions" menu gets the effects of the active document's selection.
    void UpdateEffectsMenu();

    // The web address of a key of section "URL" in "addr.sys" beside the program, or "".
    static std::string WebLink(const std::string& key);

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void CreateToolWindows();
    void ToggleToolWindow(int index);
    void SaveAsTemplate();
    void CloseAllChildren();
    void ApplyWithoutPerformance(SCBase* state);
    void DeviceReleaseCheck();
    bool AnyToolBarVisible() const;
    static Hooks& hooks();
    static std::array<ToolWindowMaker, 3>& toolWindowMakers();

    plat::ui::CommandActions& m_actions;
    MCOpusTemplate& m_template;
    TemplateOpener m_templateOpener;
    CClientWnd* m_client = nullptr;
    std::array<QToolBar*, 4> m_toolBars{};
    CFileBar* m_fileBar = nullptr;
    CEditBar* m_editBar = nullptr;
    CTransportBar* m_transportBar = nullptr;
    CMainStatusBar* m_statusBar = nullptr;
    CTimeBar* m_timeBar = nullptr;
    std::shared_ptr<plat::ui::DisplayTick> m_displayTick = std::make_shared<plat::ui::DisplayTick>();
    // The time source the time edits read, for the active document's sequence.
    std::unique_ptr<MCSequenceTimeSource> m_timeSource;
    const void* m_timeSourceSequence = nullptr;
    CHotKeyTable m_hotKeys;
    // The music palette, the mixer and the inspector: children of the frame, which deletes
    // them first when it goes.
    std::array<QPointer<MCToolWnd>, 3> m_toolWindows{};
    uint32_t m_autoNewTimer = 0;
    uint32_t m_autoSaveTimer = 0;
    // Bit 0 first activation done, bit 1 broadcasting a state, bit 2 auto-save pending.
    uint8_t m_flags = 0;
    bool m_appActive = true;
    CSilentPlaybackNotice m_silentNotice;
    std::unique_ptr<MCPalette> m_palette;
    std::function<void(const std::string& path)> m_openFile;
    plat::ui::CommandRouter* m_router = nullptr;
};
