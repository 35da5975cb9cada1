#pragma once

#include <QToolBar>

#include <cstdint>
#include <functional>
#include <memory>

#include "app/core/AppCommandIds.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/timer/DisplayTick.h"

class CTimeDisplay;
class MCDialogBar;
class SCBase;

// The Time toolbar: one large read-out of the active document's position. Positions arrive
// as states on the interface thread; while a piece plays the bar keeps only the latest and
// shows it on the next tick of the display tick it shares with the level meters, so a burst
// of positions costs one drawing, made in the same paint pass as the meters', and nothing is
// done on the player's thread.
class CTimeBar : public QToolBar {
public:
    // A position shows within this.
    static constexpr uint32_t kRefreshMs = plat::ui::DisplayTick::kPeriodMs;
    // The id and caption string of the bar's panel.
    static constexpr int kTemplateId = 1024;
    static constexpr uint32_t kGotoCommand = AppCommandIds::GoTo;

    // fromActive answers whether a state comes from the active document's performance;
    // command sends the frame a command; tick is the display tick the bar shows positions on
    // (without one, the bar has a tick of its own).
    CTimeBar(std::function<bool(SCBase*)> fromActive, std::function<bool()> hasActive,
             std::function<void(uint32_t)> command, std::shared_ptr<plat::ui::DisplayTick> tick = nullptr,
             QWidget* parent = nullptr);
    ~CTimeBar() override;

    void InitBar();
    void Update(int code, SCBase* state);
    // The time shown (the latest position, also while it waits for the timer).
    MCTime GetTime() const;
    CTimeDisplay* Display() const { return m_display; }
    // Fits the bar to the read-out after a change of its layout.
    void ResizeBar();

    // The context menu's commands.
    void ToggleUnits();
    void ChooseBackground();
    void ChooseTimeFont();
    void ChooseUnitsFont();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowPending();

    std::function<bool(SCBase*)> m_fromActive;
    std::function<bool()> m_hasActive;
    std::function<void(uint32_t)> m_command;
    MCDialogBar* m_panel = nullptr;
    CTimeDisplay* m_display = nullptr;
    std::shared_ptr<plat::ui::DisplayTick> m_tick;
    MCTime m_pending;
    bool m_hasPending = false;
    // The listener on the tick while a position waits, else 0.
    uint32_t m_tickListener = 0;
};
