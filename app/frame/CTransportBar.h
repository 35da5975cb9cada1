#pragma once

#include <QToolBar>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

class MCButton2;
class MCDialogBar;
class SCBase;
namespace plat::ui {
class CommandActions;
}

// The Transport toolbar: loop, step, record, pause, stop, play and the pair that shows either
// the marker buttons (stopped, or stepping) or rewind and fast forward (running). Its pressed
// buttons follow the transport states the frame forwards; the enabled states and the loop and
// step marks follow the frame's command updates.
class CTransportBar : public QToolBar {
public:
    // The id and caption string of the bar's panel.
    static constexpr int kTemplateId = 768;

    static constexpr int kFirstId = 773;
    static constexpr int kLastId = 782;
    // The active document's transport state word; none without an active document.
    using StateWord = std::function<std::optional<uint32_t>()>;

    CTransportBar(plat::ui::CommandActions& actions, StateWord stateWord, QWidget* parent = nullptr);

    // Loads the "Knobset" images and places the buttons; false when the library is missing.
    bool InitBar();
    void Update(int code, SCBase* state);
    void SetLoopMark(int mark);
    void SetStepMark(int mark);

    MCButton2* Button(int id) const;
    // Bit 0 the running pair shown, bit 1 loop mark, bit 2 step mark.
    uint8_t Flags() const { return m_flags; }
    // The transport code a state word stands for when the bar catches up with a document.
    static int CodeOfStateWord(uint32_t word);

private:
    void ShowPairs(int running);
    void FollowAction(int id);
    int LoopDisabledState() const { return (m_flags & 2) ? 3 : 2; }

    plat::ui::CommandActions& m_actions;
    StateWord m_stateWord;
    MCDialogBar* m_panel = nullptr;
    std::array<MCButton2*, kLastId - kFirstId + 1> m_buttons{};
    uint8_t m_flags = 0;
};
