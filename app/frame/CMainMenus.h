#pragma once

class CMainFrame;
namespace plat::ui {
class CommandActions;
}

// The commands of the program as the user reaches them: the text, key and check style of each
// command id, the menu bar and the toolbars' buttons.
class CMainMenus {
public:
    static void AddCommands(plat::ui::CommandActions& actions);
    // The frame's menu bar and its keys.
    static void Build(CMainFrame& frame, plat::ui::CommandActions& actions);
};
