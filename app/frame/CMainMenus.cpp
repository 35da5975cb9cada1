#include "app/frame/CMainMenus.h"

#include "app/frame/CMainFrame.h"
#include "interface/document/DocumentStrings.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/resource/MenuResources.h"

#include <QMenuBar>

#include <string>
#include <vector>

namespace {

using plat::ui::CommandActions;
using plat::ui::MenuEntry;

// The rows are made when the program runs: key sequences need the application object.
std::vector<CommandActions::Row> commandRows()
{
    return {
    {57600, "&New", QKeySequence::New, {}, false},
    {57601, "&Open...", QKeySequence::Open, {}, false},
    {57602, "&Close", {}, {}, false},
    {57603, "&Save", QKeySequence::Save, {}, false},
    {57604, "Save &As...", {}, {}, false},
    {38600, "Save as &Template...", {}, {}, false},
    {57665, "E&xit", {}, {}, false},
    {901, "Select", {}, {}, true},
    {902, "Insert", {}, {}, true},
    {903, "Hot Keys", {}, {}, true},
    {912, "Palette", {}, {}, true},
    {913, "Mixer", {}, {}, true},
    {914, "Inspector", {}, {}, true},
    {773, "Options", {}, {}, true},
    {774, "Step", {}, {}, true},
    {775, "Record", {}, {}, false},
    {776, "Pause", {}, {}, false},
    {777, "Stop", {}, {}, false},
    {778, "Play", {}, {}, false},
    {779, "Previous", {}, {}, false},
    {780, "Next", {}, {}, false},
    {781, "Rewind", {}, {}, false},
    {782, "Fast Forward", {}, {}, false},
    {33230, "&File Toolbar", {}, {}, true},
    {33231, "&Music Edit Toolbar", {}, {}, true},
    {33232, "&Transport Toolbar", {}, {}, true},
    {33233, "T&ime Toolbar", {}, {}, true},
    {33234, "Hide All", QKeySequence(Qt::CTRL | Qt::Key_K), {}, false},
    {33240, "Music &Palette", {}, {}, true},
    {33241, "&Mixer", {}, {}, true},
    {33242, "&Inspector", {}, {}, true},
    {33200, "MIDI &Panic", {}, {}, false},
    {33210, "&Select Mode", {}, {}, true},
    {33211, "&Insert Mode", {}, {}, true},
    {33212, "&Hot Keys", {}, {}, true},
    {33220, "&Clear Selection", {}, {}, false},
    {39000, "&Close Window", {}, {}, false},
    {39001, "Close &All Windows", {}, {}, false},
    {33310, "&Tip of the Day...", {}, {}, false},
    {33300, "Quavix &Home Page", {}, {}, false},
    {33302, "Quavix &News", {}, {}, false},
    {33303, "Technical &Support", {}, {}, false},
    {33304, "&Free Downloads", {}, {}, false},
    {57664, "&About Quavix...", {}, {}, false},
    };
}

MenuEntry item(uint32_t id, const char* text)
{
    return {id, text, {}};
}

MenuEntry separator()
{
    return {0, "", {}};
}

MenuEntry popup(const std::string& text, std::vector<MenuEntry> entries)
{
    return {0, text, std::move(entries)};
}

std::vector<MenuEntry> menuBar()
{
    return {
        popup("&File", {item(57600, "&New\tCtrl+N"), item(57601, "&Open...\tCtrl+O"), item(57602, "&Close"), item(57603, "&Save\tCtrl+S"),
                      item(57604, "Save &As..."), item(38600, "Save as &Template..."), separator(), item(57665, "E&xit")}),
        popup(DocumentStrings::text(DocumentStrings::menuEdit), {item(33220, "&Clear Selection")}),
        // Filled with the effects of the selection as it changes.
        popup(DocumentStrings::text(DocumentStrings::menuActions), {}),
        popup(DocumentStrings::text(DocumentStrings::menuView),
         {item(33230, "&File Toolbar"), item(33231, "&Music Edit Toolbar"), item(33232, "&Transport Toolbar"),
          item(33233, "T&ime Toolbar"), item(33234, "Hide All\tCtrl+K"), separator(), item(33240, "Music &Palette"), item(33241, "&Mixer"),
          item(33242, "&Inspector")}),
        popup("T&ransport",
         {item(778, "Play"), item(777, "Stop"), item(776, "Pause"), item(775, "Record"), item(774, "Step"), separator(), item(781, "Rewind"),
          item(782, "Fast Forward"), item(779, "Previous"), item(780, "Next")}),
        popup(DocumentStrings::text(DocumentStrings::menuTools),
         {item(33210, "&Select Mode"), item(33211, "&Insert Mode"), item(33212, "&Hot Keys"), separator(), item(33200, "MIDI &Panic")}),
        popup("&Window", {item(39000, "&Close Window"), item(39001, "Close &All Windows")}),
        popup("&Help",
         {item(33310, "&Tip of the Day..."), separator(), item(33300, "Quavix &Home Page"), item(33302, "Quavix &News"),
          item(33303, "Technical &Support"), item(33304, "&Free Downloads"), separator(), item(57664, "&About Quavix...")}),
    };
}

}  // namespace

void CMainMenus::AddCommands(plat::ui::CommandActions& actions)
{
    actions.add(commandRows());
}

void CMainMenus::Build(CMainFrame& frame, plat::ui::CommandActions& actions)
{
    for (const MenuEntry& popup : menuBar()) {
        QMenu* menu = frame.menuBar()->addMenu(QString::fromStdString(popup.text));
        actions.fillMenu(menu, popup.entries);
    }
    actions.addShortcutsTo(&frame);
}
