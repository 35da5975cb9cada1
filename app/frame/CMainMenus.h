#pragma once

#include "platform/ui/resource/MenuResources.h"

#include <vector>

class CMainFrame;
namespace plat::ui {
class CommandActions;
}

// The program's commands as the user reaches them: one action per row of the command table
// (its text, keys and check style) and the menu bar made of those actions.
//
// The menu bar leaves the places the plug-ins' menus go: the palette pages in "&Music" >
// "&Palette", the preference categories in "&Tools" > "&Preferences" and the views at the end
// of "&Tools" (each replaces the last item of its menu, a separator here), and the active
// view's own "&View" menu right after "&Edit". The frame's own windows (toolbars and tool
// windows) are in "&Window", so a view's menu never takes them away.
class CMainMenus {
public:
    static void AddCommands(plat::ui::CommandActions& actions);
    // The frame's menu bar and its keys.
    static void Build(CMainFrame& frame, plat::ui::CommandActions& actions);
    // The menu bar's popups with their items' texts from the command table.
    static std::vector<plat::ui::MenuEntry> MenuBar();
    // "&Tools" > "&Preferences" gets the categories of the registered preference pages, each
    // with its command (38650 + the category), now and each time it opens. actions must
    // outlive the menu.
    static void FillPreferencesMenu(CMainFrame& frame, plat::ui::CommandActions& actions);
};
