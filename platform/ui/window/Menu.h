#pragma once

#include "platform/ui/PlatUiExport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace plat::ui {

// A menu whose items carry command ids: items, separators and submenus, found by command
// id wherever they lie in the tree (the first in menu order when an id is used twice).
// Texts mark their mnemonic with "&". Picking an item reports its id to the handler of the
// window the menu belongs to.
class PLATUI_API Menu {
public:
    Menu();
    ~Menu();
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    void appendItem(uint32_t id, std::string_view text);
    void appendSeparator();
    // A new submenu at the end, owned by this menu.
    Menu& appendSubMenu(std::string_view text);
    // Puts an item or a separator in front of the item beforeId (false when there is none).
    bool insertItem(uint32_t beforeId, uint32_t id, std::string_view text);
    bool insertSeparator(uint32_t beforeId);
    bool deleteItem(uint32_t id);

    bool contains(uint32_t id) const;
    bool checkItem(uint32_t id, bool checked);
    bool isChecked(uint32_t id) const;
    bool enableItem(uint32_t id, bool enabled);
    bool isEnabled(uint32_t id) const;
    bool setItemText(uint32_t id, std::string_view text);
    std::string itemText(uint32_t id) const;
    // Every command id in menu order, submenus included.
    std::vector<uint32_t> commandIds() const;

    // Picks the item as the user would; false when it is missing or greyed.
    bool trigger(uint32_t id);

    // Shows the menu as the menu bar of widget, reporting picked ids to handler.
    void attach(QWidget* widget, std::function<void(uint32_t id)> handler);
    // Takes the menu bar away again.
    void detach();
    QMenuBar* bar() const { return m_bar; }

private:
    QAction* find(uint32_t id) const;
    Menu* holderOf(const QAction* action);
    QAction* makeItem(uint32_t id, std::string_view text);
    void refreshBar();
    const Menu& root() const;

    std::unique_ptr<QMenu> m_menu;
    std::vector<std::unique_ptr<Menu>> m_subMenus;
    Menu* m_parent = nullptr;
    std::function<void(uint32_t)> m_handler;
    QMenuBar* m_bar = nullptr;
};

}  // namespace plat::ui
