#include "app/frame/CMainMenus.h"

#include "app/core/AppCommandIds.h"
#include "app/core/AppCommandTable.h"
#include "app/frame/CMainFrame.h"
#include "interface/document/CPluginPrefs.h"
#include "interface/document/DocumentStrings.h"
#include "platform/ui/command/CommandActions.h"

#include <QAction>
#include <QActionGroup>
#include <QMenuBar>

#include <string>

namespace {

using plat::ui::CommandActions;
using plat::ui::MenuEntry;
using namespace AppCommandIds;

MenuEntry item(uint32_t id)
{
    return {id, AppCommandTable::Text(id), {}};
}

MenuEntry separator()
{
    return {0, "", {}};
}

MenuEntry popup(const std::string& text, std::vector<MenuEntry> entries)
{
    return {0, text, std::move(entries)};
}

std::string documentText(uint32_t id)
{
    return DocumentStrings::text(id);
}

}  // namespace

void CMainMenus::AddCommands(CommandActions& actions)
{
    QActionGroup* group = nullptr;
    for (const AppCommandTable::Command& command : AppCommandTable::Commands()) {
        QList<QKeySequence> keys =
            QKeySequence::listFromString(QString::fromLatin1(command.keys), QKeySequence::PortableText);
        keys.removeAll(QKeySequence());
        actions.add({command.id, command.text, keys.value(0), {}, command.checkable});
        QAction* action = actions.action(command.id);
        if (keys.size() > 1)
            action->setShortcuts(keys);
        // Radio rows next to one another are one choice; the update pass sets the mark.
        if (!command.radio) {
            group = nullptr;
            continue;
        }
        if (!group) {
            group = new QActionGroup(&actions);
            group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
        }
        group->addAction(action);
    }
}

std::vector<MenuEntry> CMainMenus::MenuBar()
{
    // A plug-in menu's builder replaces the last item of its menu: a separator stands there
    // until then (a separator at the end of a menu is not shown).
    return {
        popup("&File", {item(FileNew), item(FileOpen), item(FileClose), separator(), item(FileSave), item(FileSaveAs),
                        item(SaveAsTemplate), separator(), item(FilePrint), item(FilePrintSetup), separator(), item(Exit)}),
        popup(documentText(DocumentStrings::menuEdit),
              {item(EditUndo), item(EditRedo), separator(), item(EditCut), item(EditCopy), item(EditPaste),
               item(EditClear), separator(), item(SelectEvents), item(ClearSelection), item(MouseSelectOptions),
               separator(), item(UndoHistory), item(Properties)}),
        // A view's own menu joins this one while the view is active.
        popup(documentText(DocumentStrings::menuView),
              {item(FileToolbar), item(MusicEditToolbar), item(TransportToolbar), item(TimeToolbar),
               item(HideAllToolbars), separator(), item(MusicPalette), item(Mixer), item(Inspector)}),
        popup(documentText(DocumentStrings::menuMusic),
              {popup(documentText(DocumentStrings::menuPalette), {separator()}), separator(), item(AddStaff),
               item(RemoveStaves), item(AddMeasures), item(RemoveMeasures), separator(), item(SystemExclusive),
               item(ChannelMode)}),
        // Filled with the effects of the selection as it changes.
        popup(documentText(DocumentStrings::menuActions), {}),
        popup("T&ransport",
              {item(Play), item(Stop), item(Pause), item(Record), item(Step), separator(), item(Rewind),
               item(FastForward), item(PreviousMarker), item(NextMarker), separator(), item(GoTo),
               item(PerformanceOptions)}),
        popup(documentText(DocumentStrings::menuTools),
              {item(SelectMode), item(InsertMode), item(HotKeySwitch), separator(), item(MidiPanic), separator(),
               popup(documentText(DocumentStrings::menuPreferences), {separator()}), item(DeviceWizard), separator(),
               separator()}),
        popup("&Window", {item(CloseWindow), item(CloseAllWindows)}),
        popup("&Help", {item(HelpTopics), item(ContextHelp), separator(), item(TipOfTheDay), separator(), item(WebHome), item(WebNews), item(WebSupport), item(WebFree),
                        separator(), item(About)}),
    };
}

void CMainMenus::FillPreferencesMenu(CMainFrame& frame, CommandActions& actions)
{
    const QString toolsText = QString::fromStdString(documentText(DocumentStrings::menuTools));
    const QString prefsText = QString::fromStdString(documentText(DocumentStrings::menuPreferences));
    QMenu* preferences = nullptr;
    for (QAction* top : frame.menuBar()->actions()) {
        if (!top->menu() || top->text() != toolsText)
            continue;
        for (QAction* entry : top->menu()->actions()) {
            if (entry->menu() && entry->text() == prefsText)
                preferences = entry->menu();
        }
    }
    if (!preferences)
        return;
    // Filled again each time it opens, so the categories of plug-ins registered later (and
    // of those gone) are as the registry has them.
    const auto fill = [preferences, &actions] {
        preferences->clear();
        for (const MCMenuItem& category : CPluginPrefs::UpdateMenu()) {
            QAction* action = actions.action(category.command);
            action->setText(QString::fromStdString(category.text));
            preferences->addAction(action);
        }
    };
    fill();
    constexpr const char* kFilledOnShow = "quavixFilledOnShow";
    if (!preferences->property(kFilledOnShow).toBool()) {
        QObject::connect(preferences, &QMenu::aboutToShow, preferences, fill);
        preferences->setProperty(kFilledOnShow, true);
    }
}

void CMainMenus::Build(CMainFrame& frame, CommandActions& actions)
{
    for (const MenuEntry& entry : MenuBar()) {
        QMenu* menu = frame.menuBar()->addMenu(QString::fromStdString(entry.text));
        actions.fillMenu(menu, entry.entries);
    }
    actions.addShortcutsTo(&frame);
}
