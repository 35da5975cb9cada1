#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/command/CommandRouter.h"
#include "platform/ui/resource/MenuResources.h"

#include <QIcon>
#include <QKeySequence>
#include <QObject>

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QToolBar;
class QWidget;

namespace plat::ui {

// One QAction per command id, shared by every menu, toolbar and key that gives the command,
// so none of them can disagree. An action's status prompt and tool tip come from the string
// table: the string of the command id holds the prompt, then "\n" and the tip. Triggering an
// action routes its command; before it runs, its update is asked again, so a command that
// is disabled never runs, however it was reached.
//
// States are refreshed in one pass over every action: when a menu is about to show, and once
// per turn of the event loop after input, focus or activation changes and after
// requestUpdate() (which the program calls when a state arrives).
class PLATUI_API CommandActions : public QObject {
public:
    struct Row {
        uint32_t id = 0;
        std::string text;
        QKeySequence shortcut;
        QIcon icon;
        bool checkable = false;
    };

    explicit CommandActions(CommandRouter& router, QObject* parent = nullptr);
    ~CommandActions() override;

    // The action of id, made on first use (its text is then "" until a row or a menu gives
    // one).
    QAction* action(uint32_t id);
    QAction* find(uint32_t id) const;
    void add(const Row& row);
    void add(std::span<const Row> rows);

    // Fills menu with the entries (popups become submenus); the menu updates its actions
    // before it shows.
    void fillMenu(QMenu* menu, std::span<const MenuEntry> entries);
    // Fills toolbar with the actions of ids; id 0 is a separator.
    void fillToolBar(QToolBar* toolBar, std::span<const uint32_t> ids);
    // Makes the shortcuts of every action work in window (an accelerator table).
    void addShortcutsTo(QWidget* window);

    // One pass: every action asks its update.
    void updateAll();
    void updateActions(const QList<QAction*>& actions);
    // Asks for one pass at the next turn of the event loop; many requests give one pass.
    void requestUpdate();
    int updatePassCount() const { return m_passes; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void apply(QAction* action, uint32_t id);
    void trigger(uint32_t id);

    CommandRouter& m_router;
    std::map<uint32_t, QAction*> m_actions;
    bool m_pending = false;
    int m_passes = 0;
};

}  // namespace plat::ui
