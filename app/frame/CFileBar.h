#pragma once

#include <QToolBar>

#include <array>
#include <cstdint>

class MCButton2;
namespace plat::ui {
class CommandActions;
}

// The File toolbar: new, open, save and print, drawn from the "Knobset" pictures; each button
// sends its command and is enabled as the command is.
class CFileBar : public QToolBar {
public:
    // The id and caption string of the bar's panel.
    static constexpr int kTemplateId = 656;

    explicit CFileBar(plat::ui::CommandActions& actions, QWidget* parent = nullptr);

    // Loads the pictures and places the buttons; false when the library is missing.
    bool InitBar();
    // The button of a command, or null.
    MCButton2* Button(uint32_t command) const;

private:
    plat::ui::CommandActions& m_actions;
    std::array<MCButton2*, 4> m_buttons{};
};
