#include "interface/document/MCOpusWnd.h"

#include "interface/core/MCResourceModule.h"
#include "interface/document/CPluginMusic.h"
#include "interface/document/CPluginPrefs.h"
#include "interface/document/CPluginView.h"
#include "interface/document/DocumentStrings.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/document/MCOpusTemplate.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/SCSelection.h"
#include "notabase/states/SCTime.h"
#include "platform/core/Strings.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/dialog/TitleRoom.h"
#include "platform/ui/resource/MenuResources.h"
#include "wavegate/CWavegate.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QShowEvent>
#include <QKeySequence>
#include <QMainWindow>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>

#include <functional>
#include <utility>

PLAT_IMPLEMENT_DYNCREATE(MCOpusWnd, plat::Object)

QEvent::Type MCOpusWnd::InitialUpdateEvent()
{
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

MCOpusWnd* MCOpusWnd::FrameOf(const QWidget* view)
{
    for (QWidget* w = view ? view->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* frame = dynamic_cast<MCOpusWnd*>(w))
            return frame;
    }
    return nullptr;
}

MCOpusWnd::MCOpusWnd()
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    plat::ui::TitleRoom::keep(*this);
    // On X11 the frame menu's Close takes Ctrl+W beside Ctrl+F4, which makes File > Close's
    // Ctrl+W ambiguous so that neither runs: the frame keeps Ctrl+F4 alone.
    if (QMenu* menu = systemMenu()) {
        const QKeySequence fileClose(Qt::CTRL | Qt::Key_W);
        for (QAction* action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(fileClose) > 0)
                action->setShortcuts(keys);
        }
    }
    connect(this, &QMdiSubWindow::windowStateChanged, this, [this](Qt::WindowStates before, Qt::WindowStates now) {
        const bool wasActive = before.testFlag(Qt::WindowActive);
        const bool isActive = now.testFlag(Qt::WindowActive);
        if (wasActive != isActive)
            OnMDIActivate(isActive);
    });
}

MCOpusWnd::~MCOpusWnd() = default;

void MCOpusWnd::SetDocument(MCOpusDoc* doc)
{
    m_document = doc;
    SetPerformance(doc ? doc->GetBaseEvent() : nullptr);
    m_nameConnection = doc ? doc->AddNameListener([this] { OnUpdateFrameTitle(); }) : plat::Connection();
}

void MCOpusWnd::InitFrame(MCOpusDoc* doc, unsigned viewId)
{
    SetDocument(doc);
    m_viewId = viewId;
    m_flags |= 1;
}

plat::WindowPlacement MCOpusWnd::GetDefaultPlacement(const char* section)
{
    plat::WindowPlacement placement;
    if (LoadWindowPrefs(section, placement))
        return placement;
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    placement.normalPosition = {0, 0, area.width(), area.height()};
    placement.show = plat::WindowPlacement::Show::normal;
    return placement;
}

void MCOpusWnd::InitialUpdate()
{
    if (IsActivated())
        return;
    m_flags |= 2;
    const QEvent::Type type = InitialUpdateEvent();
    for (QWidget* child : findChildren<QWidget*>()) {
        QEvent update(type);
        QCoreApplication::sendEvent(child, &update);
    }
    LoadPrefs();
}

void MCOpusWnd::ActivateFrame()
{
    InitialUpdate();
    show();
    if (QMdiArea* area = mdiArea())
        area->setActiveSubWindow(this);
    OnUpdateFrameTitle();
}

QMainWindow* MCOpusWnd::mainWindow() const
{
    return qobject_cast<QMainWindow*>(window());
}

void MCOpusWnd::OnUpdateFrameTitle()
{
    const CPluginView* plugin = CPluginView::FindPlugin(m_viewId);
    std::string viewTitle;
    if (m_document && plugin && plugin->LoadTitleString(viewTitle)) {
        setWindowTitle(QString::fromStdString(
            plat::format("%s - %s", m_document->GetTitle().c_str(), viewTitle.c_str())));
        return;
    }
    setWindowTitle(QString::fromStdString(m_document ? m_document->GetTitle() : std::string()));
}

void MCOpusWnd::OnUpdateFrameMenu(bool activate)
{
    if (!activate)
        return;
    BuildPluginMenus();
    ReplaceViewMenu();
}

namespace {

// Marks what a view put into the menu bar, so the next view takes out only that.
constexpr const char* kViewItem = "quavixViewItem";

bool isViewItem(const QObject* object)
{
    return object && object->property(kViewItem).toBool();
}

plat::ui::CommandActions*& commandActions()
{
    static plat::ui::CommandActions* actions = nullptr;
    return actions;
}

// The popup of a menu bar or a menu whose text is text.
QMenu* findPopup(const QWidget* owner, const std::string& text)
{
    const QString wanted = QString::fromStdString(text);
    for (QAction* action : owner ? owner->actions() : QList<QAction*>()) {
        if (action->menu() && action->text() == wanted)
            return action->menu();
    }
    return nullptr;
}

// Puts the registry's items where a menu keeps their place: a separator at its end stands in
// for them until then.
void fillPluginItems(QMenu* menu, const std::vector<MCMenuItem>& items, plat::ui::CommandActions& actions)
{
    const QList<QAction*> present = menu->actions();
    if (!present.isEmpty() && present.back()->isSeparator())
        menu->removeAction(present.back());
    else if (!present.isEmpty() && !items.empty())
        menu->addSeparator();
    for (const MCMenuItem& item : items) {
        QAction* action = actions.action(item.command);
        action->setText(QString::fromStdString(item.text));
        menu->addAction(action);
    }
}

}  // namespace

plat::ui::CommandActions* MCOpusWnd::SetCommandActions(plat::ui::CommandActions* actions)
{
    return std::exchange(commandActions(), actions);
}

void MCOpusWnd::BuildPluginMenus()
{
    QMainWindow* main = mainWindow();
    plat::ui::CommandActions* actions = commandActions();
    if (!main || !actions)
        return;
    QMenuBar* bar = main->menuBar();
    // Built once: the menu bar remembers each one.
    auto build = [&](const char* done, QMenu* menu, const std::function<std::vector<MCMenuItem>()>& items) {
        if (!menu || bar->property(done).toBool())
            return;
        fillPluginItems(menu, items(), *actions);
        bar->setProperty(done, true);
    };
    QMenu* tools = findPopup(bar, DocumentStrings::text(DocumentStrings::menuTools));
    build("quavixViewsMenu", tools, &CPluginView::UpdateMenu);
    build("quavixPrefsMenu", findPopup(tools, DocumentStrings::text(DocumentStrings::menuPreferences)),
          &CPluginPrefs::UpdateMenu);
    QMenu* music = findPopup(bar, DocumentStrings::text(DocumentStrings::menuMusic));
    build("quavixMusicMenu", findPopup(music, DocumentStrings::text(DocumentStrings::menuPalette)),
          &CPluginMusic::UpdateMenu);
}

void MCOpusWnd::ReplaceViewMenu()
{
    QMainWindow* main = mainWindow();
    if (!main)
        return;
    QMenuBar* bar = main->menuBar();
    const QString viewText = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuView));
    const QString editText = QString::fromStdString(DocumentStrings::text(DocumentStrings::menuEdit));
    QList<QAction*> actions = bar->actions();
    int position = -1;
    // A "&View" popup of the program's own stays: only what an earlier view put at its top
    // goes.
    QMenu* programView = nullptr;
    for (int i = 0; i < actions.size(); ++i) {
        if (actions[i]->text() != viewText)
            continue;
        position = i;
        QMenu* old = actions[i]->menu();
        if (isViewItem(actions[i]) || !old) {
            bar->removeAction(actions[i]);
            if (old)
                old->deleteLater();
        } else {
            programView = old;
            for (QAction* item : old->actions()) {
                if (!isViewItem(item))
                    continue;
                old->removeAction(item);
                item->setProperty(kViewItem, false);
                // The separators are the view's own; the commands are the registry's.
                if (item->isSeparator())
                    item->deleteLater();
            }
        }
        break;
    }
    if (position < 0) {
        position = 0;
        for (int i = 0; i < actions.size(); ++i) {
            if (actions[i]->text() == editText) {
                position = i + 1;
                break;
            }
        }
    }
    const CPluginView* plugin = CPluginView::FindPlugin(m_viewId);
    const std::vector<plat::ui::MenuEntry>* entries = plugin ? plugin->GetMenu() : nullptr;
    plat::ui::CommandActions* registry = commandActions();
    if (!entries || !registry)
        return;
    QMenu* popup = programView;
    if (!popup) {
        popup = new QMenu(viewText, bar);
        popup->menuAction()->setProperty(kViewItem, true);
    }
    QAction* before = programView && !programView->actions().isEmpty() ? programView->actions().front() : nullptr;
    const QList<QAction*> own = popup->actions();
    auto insert = [&](QAction* action) {
        action->setProperty(kViewItem, true);
        popup->insertAction(before, action);
    };
    for (const plat::ui::MenuEntry& entry : *entries) {
        if (entry.isSeparator()) {
            auto* separator = new QAction(popup);
            separator->setSeparator(true);
            insert(separator);
            continue;
        }
        QAction* action = registry->action(entry.id);
        // One action per command: a command the program already names keeps its name, and one
        // the program's own menu already shows is not shown twice.
        if (action->text().isEmpty())
            action->setText(QString::fromStdString(entry.text));
        if (!own.contains(action))
            insert(action);
    }
    if (programView && before) {
        auto* separator = new QAction(popup);
        separator->setSeparator(true);
        insert(separator);
    }
    if (!programView) {
        actions = bar->actions();
        bar->insertMenu(position < actions.size() ? actions[position] : nullptr, popup);
    }
}

unsigned MCOpusWnd::OnHelpHitTest() const
{
    const CPluginView* plugin = CPluginView::FindPlugin(m_viewId);
    return plugin ? plugin->GetResID() + 0x20000 : 0;
}

int MCOpusWnd::OnCommandHelp(unsigned helpId)
{
    const CPluginView* plugin = CPluginView::FindPlugin(m_viewId);
    if (!plugin)
        return 0;
    if (helpId == 0)
        helpId = plugin->GetResID() + 0x20000;
    // There are no help files: the request shows the status text of its context, a string of
    // the view's module (up to its first newline), else the frame's title.
    std::string text;
    plugin->LoadString(text, helpId >= 0x20000 ? helpId - 0x20000 : helpId);
    text = text.substr(0, text.find('\n'));
    if (const size_t amp = text.find('&'); amp != std::string::npos)
        text.erase(amp, 1);
    if (text.empty())
        text = windowTitle().toStdString();
    plat::ui::ModalHooks::help(text);
    return 1;
}

void MCOpusWnd::OnMDIActivate(bool activate)
{
    MCOpusDoc* const before = MCOpusDoc::GetActiveDoc();
    if (activate) {
        MCOpusDoc::SetActiveDoc(m_document);
        OnUpdateFrameMenu(true);
    } else {
        const QMdiArea* area = mdiArea();
        if (!area || !area->activeSubWindow() || area->activeSubWindow() == this)
            MCOpusDoc::SetActiveDoc(nullptr);
        return;
    }
    MCOpusDoc* const now = MCOpusDoc::GetActiveDoc();
    if (now == before || !now || !now->GetBaseEvent())
        return;
    // The devices take the controller and program settings of the document that came to the
    // front, unless they are busy playing another.
    auto* context = new SCSelection(1705);
    context->SetSynchronous(1);
    context->Apply(now->GetBaseEvent());
    const MCTime location = now->GetSequence()->GetLocation();
    auto* time = new SCTime(1900, location);
    time->SetSynchronous(1);
    time->Apply(now->GetBaseEvent());
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (wavegate && !wavegate->IsActive())
        wavegate->PlayBuffer(now->GetSequence()->GetPlayer().GetOutputState(location));
}

void MCOpusWnd::showEvent(QShowEvent* event)
{
    // A frame shown without ActivateFrame (a view brought up from the menu) still gives its
    // views their document before they first draw.
    InitialUpdate();
    QMdiSubWindow::showEvent(event);
}

void MCOpusWnd::closeEvent(QCloseEvent* event)
{
    event->ignore();
    if (!m_document || !m_template)
        return;
    for (MCOpusWnd* other : m_template->GetFrames(m_document)) {
        if (other != this && other->isVisible()) {
            if (QMdiArea* area = mdiArea())
                area->activateNextSubWindow();
            hide();
            return;
        }
    }
    m_template->CloseDocument(m_document);
}

void MCOpusWnd::OnDestroy()
{
    if (IsActivated())
        SavePrefs();
}
