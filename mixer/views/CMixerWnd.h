#pragma once

#include "mixer/MixerExport.h"

#include "interface/views/MCToolWnd.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/timer/DisplayTick.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <set>

class CCAdd;
class CCEdit;
class CMasterArea;
class CMeterLevelMgr;
class CSequence;
class CTrackList;
class CWavegate;
class CWGEventData;
class ECConductor;
class MCButton;
class MCOpusDoc;
class SCBase;
class SCCommand;

// The mixer tool window, docked at the bottom of the main frame (or floating): three layout
// buttons, the track list with a strip per track of the active document, and the master
// section. It follows the active document through the states the frame hands it, rebuilds or
// refreshes strips as edits add, remove, order and rename staves, polls the sequence's level
// meters every 100 ms while shown (on the display tick it shares with the frame's time read-out,
// so both paint in one pass), and lights the master section's MIDI-in lamp while MIDI
// comes in. Its layout mode (shared by all mixers) and its floating width are kept under
// "Components\Mixer".
//
// Threads: everything runs on the interface thread but the MIDI input monitor, which runs on
// the input device's thread and only queues the lamp's lighting to the interface thread.
class MIXER_API CMixerWnd : public MCToolWnd, public plat::ui::NoticeListener, public plat::ui::CommandTarget {
public:
    enum Mode : int { mini = 0, normal = 1, full = 2 };
    enum : int { kDialogId = 5120, kMiniButton = 37130, kNormalButton = 37131, kFullButton = 37132 };
    static constexpr uint32_t kMeterMs = plat::ui::DisplayTick::kPeriodMs;
    static constexpr unsigned kHelpContext = 0x21400;
    // What of a floating width is not strips: 30 less two borders.
    static constexpr int kSnapBase = 30 - 2 * 1;
    static constexpr const char* kSection = "Components\\Mixer";

    // parent is the window whose width the docked mixer takes (the frame's MDI area); tick is
    // the display tick the meters step on (without one, the mixer has a tick of its own).
    CMixerWnd(QWidget* mainFrame, QWidget* parent, std::shared_ptr<plat::ui::DisplayTick> tick = nullptr);
    ~CMixerWnd() override;

    static int GetMixerMode();
    static void SetMixerMode(int mode);

    // A floating width for a proposed length: whole strips plus kSnapBase, at least the master
    // section's width plus kSnapBase.
    static int SnapWidth(int length, int stripWidth, int masterWidth);

    bool InitToolLayout(QWidget* mainFrame, int id) override;
    void LoadPrefs(const char* section) override;
    void SavePrefs(const char* section) const override;
    // (The MDI area's width, or without one the floating width; the bar height.)
    QSize SizeToMdi() const;
    QSize CalcFixedLayout(bool stretch, bool horizontal) const override;
    QSize CalcDynamicLayout(int length, unsigned mode) const override;
    void OnUpdate(long hint, SCBase* state) override;
    void OnInitialUpdate();
    int OnCommandHelp(unsigned helpId) override;
    unsigned OnHelpHitTest() const override;

    MCOpusDoc* GetDocument() const { return m_doc; }
    CSequence* GetSequence() const { return m_sequence; }
    // Bit 0 set once the layout is made; bit 1 set by 1304 and cleared by 1305.
    uint32_t GetState() const { return m_flags; }
    int GetBarHeight() const { return m_barHeight; }
    int GetFloatWidth() const { return m_floatWidth; }

    void StartTrackTimer();
    void StopTrackTimer();
    bool TrackTimerRunning() const { return m_meterListener != 0; }
    // Whether the next tick can change what the mixer shows: the transport plays, records or
    // is on its way to stopping, a meter has not fallen yet or the lamp is lit.
    bool MetersCanMove() const;
    void ResetMeters();
    // After a change of mode: strips and master section made anew on the mode's templates.
    void UpdateLayout(bool redraw);
    // Attaches a document (or, with null, none); with rebuild the strips are made anew.
    void UpdateDocument(MCOpusDoc* doc, bool rebuild);
    void ClearTracks();
    void UpdateTracks();
    void UpdateTrack(int track);
    // The master section's tempo: the tempo in force at the sequence's location times its speed.
    void UpdateTempo();
    // The tracks whose staves or track names the command adds or edits.
    static void OnAdd(CCAdd* command, std::set<int>& tracks);
    static void OnEdit(CCEdit* command, std::set<int>& tracks);
    void EnableModeButtons(bool enable);
    // One tick of the meter timer: levels to the strips and the master meter, and the lamp.
    void OnMeterTimer();

    // The MIDI input monitor (user is the mixer); any thread.
    static int MidiInputProc(uintptr_t user, int tag, CWGEventData* event);
    // Lights the lamp; from another thread the lighting is queued to the interface thread.
    void OnMidiInput();
    int GetMidiMonitorTag() const { return m_midiTag; }

    CTrackList* TrackList() const { return m_list; }
    CMasterArea* MasterArea() const { return m_master; }
    MCButton* LayoutButton(int id) const;

    void onNotice(int id, int code, QWidget* control) override;
    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The batch of a 500 state: which strips to refresh, or to rebuild them all.
    void AnalyseCommands(SCCommand* state);
    void CreateMasterArea();
    // Registers the MIDI input monitor once a device manager is there.
    void StartMidiMonitor();
    void StopMidiMonitor();
    // The attached document, made to follow the active one when that changed behind the
    // mixer's back (a document closes before its closing state arrives).
    bool FollowActiveDocument();
    bool IsOwnState(const SCBase* state) const;
    void SetLayoutMode(int mode);
    // Starts the meter timer again when the mixer is shown; it stops itself once nothing moves.
    void WakeMeterTimer();

    static int s_nMixerMode;

    QWidget* m_mdi;
    std::array<MCButton*, 3> m_buttons{};
    CTrackList* m_list = nullptr;
    CMasterArea* m_master = nullptr;
    std::shared_ptr<plat::ui::DisplayTick> m_tick;
    // The meters' listener on the tick while it runs for them, else 0.
    uint32_t m_meterListener = 0;
    int m_lampTicks = 0;
    bool m_lampLit = false;
    int m_midiTag = 0;
    CWavegate* m_midiWavegate = nullptr;
    std::atomic<bool> m_lampQueued{false};
    uint32_t m_flags = 0;
    MCOpusDoc* m_doc = nullptr;
    CSequence* m_sequence = nullptr;
    ECConductor* m_conductor = nullptr;
    CMeterLevelMgr* m_levels = nullptr;
    mutable int m_floatWidth = 0;
    int m_barHeight = 0;
    mutable QSize m_dockedSize;
};
