#include "platform/ui/window/Menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace plat::ui {

namespace {

constexpr const char* kCommandProperty = "commandId";

QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

bool isItem(const QAction* action, uint32_t id)
{
    const QVariant value = action->property(kCommandProperty);
    return value.isValid() && value.toUInt() == id;
}

// The action of the command id in menu, its submenus searched in order.
QAction* findIn(const QMenu* menu, uint32_t id)
{
    for (QAction* action : menu->actions()) {
        if (isItem(action, id))
            return action;
        if (const QMenu* sub = action->menu())
            if (QAction* found = findIn(sub, id))
                return found;
    }
    return nullptr;
}

void collectIds(const QMenu* menu, std::vector<uint32_t>& ids)
{
    for (const QAction* action : menu->actions()) {
        const QVariant value = action->property(kCommandProperty);
        if (value.isValid())
            ids.push_back(value.toUInt());
        if (const QMenu* sub = action->menu())
            collectIds(sub, ids);
    }
}

}  // namespace

Menu::Menu() : m_menu(std::make_unique<QMenu>())
{
}

Menu::~Menu() = default;

const Menu& Menu::root() const
{
    const Menu* menu = this;
    while (menu->m_parent)
        menu = menu->m_parent;
    return *menu;
}

QAction* Menu::makeItem(uint32_t id, std::string_view text)
{
    auto* action = new QAction(toQString(text), m_menu.get());
    action->setProperty(kCommandProperty, id);
    QObject::connect(action, &QAction::triggered, action, [this, id] {
        const Menu& top = root();
        if (top.m_handler)
            top.m_handler(id);
    });
    return action;
}

void Menu::appendItem(uint32_t id, std::string_view text)
{
    m_menu->addAction(makeItem(id, text));
    refreshBar();
}

void Menu::appendSeparator()
{
    m_menu->addSeparator();
    refreshBar();
}

Menu& Menu::appendSubMenu(std::string_view text)
{
    auto sub = std::make_unique<Menu>();
    sub->m_parent = this;
    sub->m_menu->setTitle(toQString(text));
    m_menu->addMenu(sub->m_menu.get());
    m_subMenus.push_back(std::move(sub));
    refreshBar();
    return *m_subMenus.back();
}

QAction* Menu::find(uint32_t id) const
{
    return findIn(m_menu.get(), id);
}

Menu* Menu::holderOf(const QAction* action)
{
    if (m_menu->actions().contains(const_cast<QAction*>(action)))
        return this;
    for (const std::unique_ptr<Menu>& sub : m_subMenus)
        if (Menu* holder = sub->holderOf(action))
            return holder;
    return nullptr;
}

bool Menu::insertItem(uint32_t beforeId, uint32_t id, std::string_view text)
{
    QAction* before = find(beforeId);
    Menu* holder = before ? holderOf(before) : nullptr;
    if (!holder)
        return false;
    holder->m_menu->insertAction(before, holder->makeItem(id, text));
    refreshBar();
    return true;
}

bool Menu::insertSeparator(uint32_t beforeId)
{
    QAction* before = find(beforeId);
    Menu* holder = before ? holderOf(before) : nullptr;
    if (!holder)
        return false;
    holder->m_menu->insertSeparator(before);
    refreshBar();
    return true;
}

bool Menu::deleteItem(uint32_t id)
{
    QAction* action = find(id);
    if (!action)
        return false;
    delete action;
    refreshBar();
    return true;
}

bool Menu::contains(uint32_t id) const
{
    return find(id) != nullptr;
}

bool Menu::checkItem(uint32_t id, bool checked)
{
    QAction* action = find(id);
    if (!action)
        return false;
    action->setCheckable(true);
    action->setChecked(checked);
    return true;
}

bool Menu::isChecked(uint32_t id) const
{
    const QAction* action = find(id);
    return action && action->isChecked();
}

bool Menu::enableItem(uint32_t id, bool enabled)
{
    QAction* action = find(id);
    if (!action)
        return false;
    action->setEnabled(enabled);
    return true;
}

bool Menu::isEnabled(uint32_t id) const
{
    const QAction* action = find(id);
    return action && action->isEnabled();
}

bool Menu::setItemText(uint32_t id, std::string_view text)
{
    QAction* action = find(id);
    if (!action)
        return false;
    action->setText(toQString(text));
    return true;
}

std::string Menu::itemText(uint32_t id) const
{
    const QAction* action = find(id);
    return action ? action->text().toStdString() : std::string();
}

std::vector<uint32_t> Menu::commandIds() const
{
    std::vector<uint32_t> ids;
    collectIds(m_menu.get(), ids);
    return ids;
}

bool Menu::trigger(uint32_t id)
{
    QAction* action = find(id);
    if (!action || !action->isEnabled())
        return false;
    action->trigger();
    return true;
}

void Menu::attach(QWidget* widget, std::function<void(uint32_t id)> handler)
{
    detach();
    m_handler = std::move(handler);
    m_bar = new QMenuBar(widget);
    refreshBar();
    m_bar->show();
}

void Menu::detach()
{
    delete m_bar;
    m_bar = nullptr;
    m_handler = nullptr;
}

void Menu::refreshBar()
{
    // The bar shows the top menu's entries; a change below shows by itself.
    const Menu& top = root();
    if (!top.m_bar)
        return;
    top.m_bar->clear();
    top.m_bar->addActions(top.m_menu->actions());
}

}  // namespace plat::ui
