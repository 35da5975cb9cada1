#pragma once

#include "platform/ui/dialog/ControlNotice.h"

#include <QToolBar>

#include <array>
#include <cstdint>

class MCButton2;
class SCBase;
namespace plat::ui {
class CommandActions;
}

// The Music Edit toolbar: the select and insert modes and the hot-key switch, then the three
// tool windows. The mode buttons ask for their command when pressed and show the mode the
// states report, also when a view changed it; the tool-window buttons latch and follow their
// windows.
class CEditBar : public QToolBar, public plat::ui::NoticeListener {
public:
    // The id and caption string of the bar's panel.
    static constexpr int kTemplateId = 896;

    explicit CEditBar(plat::ui::CommandActions& actions, QWidget* parent = nullptr);

    bool InitBar();
    void Update(int code, SCBase* state);

    // Pressed states by index (0, 1, 2); a setter answers the previous state.
    int GetModeButton(int index) const;
    int SetModeButton(int index, int pressed);
    int GetToolButton(int index) const;
    int SetToolButton(int index, int pressed);
    int CurrentMode() const { return m_mode; }

    MCButton2* Button(uint32_t command) const;

    void onNotice(int id, int code, QWidget* control) override;

private:
    plat::ui::CommandActions& m_actions;
    std::array<MCButton2*, 3> m_modes{};
    std::array<MCButton2*, 3> m_tools{};
    int m_mode = 1500;
};
