#include "platform/ui/command/CommandActions.h"

#include "platform/core/Resources.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QTimer>
#include <QToolBar>

namespace plat::ui {

namespace {

constexpr const char* kIdProperty = "plat.commandId";

QString toQString(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

CommandActions::CommandActions(CommandRouter& router, QObject* parent) : QObject(parent), m_router(router)
{
    if (qApp)
        qApp->installEventFilter(this);
}

CommandActions::~CommandActions()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

QAction* CommandActions::find(uint32_t id) const
{
    const auto found = m_actions.find(id);
    return found == m_actions.end() ? nullptr : found->second;
}

QAction* CommandActions::action(uint32_t id)
{
    if (QAction* existing = find(id))
        return existing;
    auto* created = new QAction(this);
    created->setProperty(kIdProperty, uint(id));
    const std::string prompt = Resources::string(id);
    if (!prompt.empty()) {
        const size_t newline = prompt.find('\n');
        created->setStatusTip(toQString(prompt.substr(0, newline)));
        if (newline != std::string::npos)
            created->setToolTip(toQString(prompt.substr(newline + 1)));
    }
    connect(created, &QAction::triggered, this, [this, id] { trigger(id); });
    m_actions.emplace(id, created);
    apply(created, id);
    return created;
}

void CommandActions::add(const Row& row)
{
    QAction* a = action(row.id);
    a->setText(toQString(row.text));
    if (!row.shortcut.isEmpty())
        a->setShortcut(row.shortcut);
    if (!row.icon.isNull())
        a->setIcon(row.icon);
    a->setCheckable(row.checkable);
    apply(a, row.id);
}

void CommandActions::add(std::span<const Row> rows)
{
    for (const Row& row : rows)
        add(row);
}

void CommandActions::fillMenu(QMenu* menu, std::span<const MenuEntry> entries)
{
    for (const MenuEntry& entry : entries) {
        if (entry.isSeparator()) {
            menu->addSeparator();
        } else if (entry.isPopup()) {
            QMenu* sub = menu->addMenu(toQString(entry.text));
            fillMenu(sub, entry.entries);
        } else {
            QAction* a = action(entry.id);
            // A menu text carries its shortcut after a tab; the action shows the shortcut itself.
            const std::string text = entry.text.substr(0, entry.text.find('\t'));
            if (a->text().isEmpty())
                a->setText(toQString(text));
            menu->addAction(a);
        }
    }
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { updateActions(menu->actions()); });
}

void CommandActions::fillToolBar(QToolBar* toolBar, std::span<const uint32_t> ids)
{
    for (const uint32_t id : ids) {
        if (id == 0)
            toolBar->addSeparator();
        else
            toolBar->addAction(action(id));
    }
}

void CommandActions::addShortcutsTo(QWidget* window)
{
    for (const auto& [id, a] : m_actions) {
        if (!a->shortcut().isEmpty() && !window->actions().contains(a))
            window->addAction(a);
    }
}

void CommandActions::apply(QAction* a, uint32_t id)
{
    const CommandState state = m_router.update(id);
    a->setEnabled(state.enabled);
    if (a->isCheckable())
        a->setChecked(state.checked);
    if (state.text)
        a->setText(toQString(*state.text));
}

void CommandActions::updateActions(const QList<QAction*>& actions)
{
    for (QAction* a : actions) {
        const QVariant id = a->property(kIdProperty);
        if (id.isValid() && find(id.toUInt()) == a)
            apply(a, id.toUInt());
    }
}

void CommandActions::updateAll()
{
    m_pending = false;
    ++m_passes;
    for (const auto& [id, a] : m_actions)
        apply(a, id);
}

void CommandActions::requestUpdate()
{
    if (m_pending)
        return;
    m_pending = true;
    QTimer::singleShot(0, this, [this] {
        if (m_pending)
            updateAll();
    });
}

bool CommandActions::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease:
    case QEvent::MouseButtonRelease:
    case QEvent::FocusIn:
    case QEvent::WindowActivate:
        requestUpdate();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void CommandActions::trigger(uint32_t id)
{
    QAction* a = find(id);
    // Asked again now: the state may have changed since the last pass.
    apply(a, id);
    if (a->isEnabled())
        m_router.execute(id);
    requestUpdate();
}

}  // namespace plat::ui
