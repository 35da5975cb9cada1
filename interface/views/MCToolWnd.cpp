#include "interface/views/MCToolWnd.h"

#include "interface/views/ToolTipProtocol.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "platform/ui/resource/ImageResources.h"

#include <QAction>
#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMainWindow>
#include <QPixmap>

namespace {

// The dock's widget: the controls of a derived tool window live on it, and it asks its tool
// window how large it is where it lies.
class ToolBody : public QWidget {
public:
    explicit ToolBody(MCToolWnd* tool) : QWidget(tool), m_tool(tool) {}

    QSize sizeHint() const override
    {
        switch (m_tool->DockedArea()) {
        case Qt::TopDockWidgetArea:
        case Qt::BottomDockWidgetArea:
            return m_tool->CalcDynamicLayout(-1, MCToolWnd::LM_HORZ | MCToolWnd::LM_HORZDOCK);
        case Qt::LeftDockWidgetArea:
        case Qt::RightDockWidgetArea: return m_tool->CalcDynamicLayout(-1, MCToolWnd::LM_VERTDOCK);
        default: return m_tool->CalcDynamicLayout(-1, MCToolWnd::LM_HORZ | MCToolWnd::LM_MRUWIDTH);
        }
    }

private:
    MCToolWnd* m_tool;
};

}  // namespace

MCToolWnd::MCToolWnd(QWidget* owner) : m_owner(owner)
{
    setWidget(new ToolBody(this));
    setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
    setAllowedAreas(Qt::NoDockWidgetArea);
    // A window that may not dock where it was put back (a double click on its caption) floats
    // again.
    connect(this, &QDockWidget::topLevelChanged, this, [this](bool floating) {
        if (!floating && !(allowedAreas() & DockedArea()))
            setFloating(true);
    });
}

bool MCToolWnd::InitToolLayout(QWidget* parent, int id)
{
    setParent(parent);
    if (auto* frame = qobject_cast<QMainWindow*>(parent)) {
        // The frame knows it among its docks (its layout is saved with them), but it floats.
        frame->addDockWidget(Qt::RightDockWidgetArea, this);
    }
    setFloating(true);
    plat::ui::setItemId(this, id);
    setWindowTitle(QString::fromStdString(plat::Resources::string(uint32_t(id))));
    if (const auto image = plat::ui::ImageResources::find(uint32_t(id)))
        setWindowIcon(QIcon(QPixmap::fromImage(*image)));
    EnableDocking(Qt::NoDockWidgetArea);
    hide();
    return true;
}

QMainWindow* MCToolWnd::Frame() const
{
    for (QWidget* w = parentWidget(); w; w = w->parentWidget()) {
        if (auto* frame = qobject_cast<QMainWindow*>(w))
            return frame;
    }
    return nullptr;
}

void MCToolWnd::EnableDocking(Qt::DockWidgetAreas areas)
{
    setAllowedAreas(areas);
    if (!isFloating() && !(areas & DockedArea()))
        setFloating(true);
}

Qt::DockWidgetArea MCToolWnd::DockedArea() const
{
    QMainWindow* frame = Frame();
    if (!frame || isFloating())
        return Qt::NoDockWidgetArea;
    return frame->dockWidgetArea(const_cast<MCToolWnd*>(this));
}

bool MCToolWnd::DockControlBar(Qt::DockWidgetArea area)
{
    QMainWindow* frame = Frame();
    if (!frame || !(allowedAreas() & area))
        return false;
    frame->addDockWidget(area, this);
    setFloating(false);
    return true;
}

void MCToolWnd::FloatControlBar(QPoint point)
{
    setFloating(true);
    move(point);
}

QPoint MCToolWnd::GetDefaultPosition(const char* section) const
{
    // Held to the screen's coordinates: the frame's edges are worked out from them.
    const int x = LoadIntPreference(section, "x", -1, -kScreenCoordinateLimit, kScreenCoordinateLimit);
    const int y = LoadIntPreference(section, "y", -1, -kScreenCoordinateLimit, kScreenCoordinateLimit);
    if (x != -1 && y != -1)
        return {x, y};
    return OwnerCorner();
}

QPoint MCToolWnd::OwnerCorner() const
{
    if (!m_owner)
        return {0, 0};
    const QRect owner = m_owner->isWindow()
                            ? m_owner->frameGeometry()
                            : QRect(m_owner->mapToGlobal(QPoint(0, 0)), m_owner->size());
    return {owner.x() + owner.width() - kFrameWidth - frameGeometry().width() - kEdge, owner.y() + kEdge};
}

void MCToolWnd::LoadPrefs(const char* section)
{
    if (!parentWidget())
        return;
    hide();
    FloatControlBar(GetDefaultPosition(section));
    show();
}

void MCToolWnd::SavePrefs(const char* section) const
{
    if (!isFloating())
        return;
    const QPoint at = frameGeometry().topLeft();
    SaveIntPreference(section, "x", at.x());
    SaveIntPreference(section, "y", at.y());
}

void MCToolWnd::OnUpdate(long, SCBase*) {}

unsigned MCToolWnd::OnHelpHitTest() const
{
    const int id = plat::ui::itemId(this);
    return id ? unsigned(id) + kHelpIdBase : 0;
}

std::string MCToolWnd::HelpText(unsigned helpId)
{
    const unsigned id = helpId >= kHelpIdBase ? helpId - kHelpIdBase : helpId;
    std::string text = plat::Resources::string(id);
    return text.substr(0, text.find('\n'));
}

int MCToolWnd::OnCommandHelp(unsigned helpId)
{
    if (helpId == 0)
        helpId = OnHelpHitTest();
    if (helpId == 0)
        return 0;
    // There are no help files: the request shows what the status bar says of its context.
    std::string text = HelpText(helpId);
    if (text.empty())
        text = windowTitle().toStdString();
    plat::ui::ModalHooks::help(text);
    return 1;
}

QSize MCToolWnd::CalcFixedLayout(bool, bool) const
{
    return m_sizeDefault;
}

QSize MCToolWnd::CalcDynamicLayout(int, unsigned mode) const
{
    return CalcFixedLayout((mode & LM_STRETCH) != 0, (mode & LM_HORZ) != 0);
}

bool MCToolWnd::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip && Body()) {
        const auto* help = static_cast<QHelpEvent*>(event);
        tooltips::ShowToolTip(Body(), Body()->mapFrom(this, help->pos()), help->globalPos());
        return true;
    }
    return QDockWidget::event(event);
}

bool MCToolWnd::triggerFrameShortcut(const QKeyEvent* event) const
{
    const QWidget* frame = parentWidget() ? parentWidget()->window() : nullptr;
    if (!frame || frame == this)
        return false;
    const QKeySequence pressed(event->keyCombination());
    for (QAction* action : frame->findChildren<QAction*>()) {
        if (action->isEnabled() && action->shortcuts().contains(pressed)) {
            action->trigger();
            return true;
        }
    }
    return false;
}

void MCToolWnd::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        event->setAccepted(OnCommandHelp(0) != 0);
        return;
    }
    // The frame's shortcuts work while a tool window has the focus, as its keys come first.
    if (triggerFrameShortcut(event)) {
        event->accept();
        return;
    }
    // A system key (Alt with another key) belongs to the owner's menus; Alt alone stays here.
    // Without an owner it is left to the window.
    if (m_owner && (event->modifiers() & Qt::AltModifier) && event->key() != Qt::Key_Alt) {
        QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                       ushort(event->count()));
        m_owner->setFocus(Qt::OtherFocusReason);
        QApplication::sendEvent(m_owner, &copy);
        event->setAccepted(copy.isAccepted());
        return;
    }
    QDockWidget::keyPressEvent(event);
}
