#include "platform/ui/rackwindow/Window.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/timer/UiTimers.h"
#include "platform/ui/window/Menu.h"
#include "platform/ui/rackwindow/Screen.h"
#include "platform/ui/rackwindow/ToolTip.h"
#include "platform/ui/rackwindow/WindowStyle.h"
#include "platform/ui/rackwindow/WindowWidget.h"

#include <QMenuBar>
#include <QPainter>
#include <QPointer>

#include <algorithm>
#include <unordered_set>

namespace plat::ui {

namespace {

std::unordered_set<const Window*>& liveWindows()
{
    static std::unordered_set<const Window*> windows;
    return windows;
}

Window*& captureWindow()
{
    static Window* window = nullptr;
    return window;
}

Qt::CursorShape qtCursor(CursorShape shape)
{
    switch (shape) {
    case CursorShape::wait: return Qt::WaitCursor;
    case CursorShape::help: return Qt::WhatsThisCursor;
    case CursorShape::cross: return Qt::CrossCursor;
    case CursorShape::arrow: break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

Window::Window(WindowWidget* widget) : m_widget(widget)
{
}

Window::~Window() = default;

Window* Window::create(std::string_view className, std::string_view text, uint32_t style, const QRect& rect,
                       Window* parent, uintptr_t id, const void* createParam)
{
    std::shared_ptr<const WindowClass> windowClass = WindowClass::find(className);
    const bool child = (style & style::kChild) != 0;
    if (!windowClass || (child && !parent) || (parent && !isWindow(parent)))
        return nullptr;

    Qt::WindowFlags flags = Qt::Widget;
    if (!child)
        flags = (style & style::kPopup) != 0
                    ? Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus
                    : Qt::Window;
    auto* widget = new WindowWidget(parent ? parent->m_widget : nullptr, flags);
    Window* window = &widget->window();
    window->m_class = std::move(windowClass);
    window->m_parent = parent;
    window->m_id = id;
    window->m_style = style;
    window->m_alive = true;
    window->setText(text);
    liveWindows().insert(window);
    if (parent)
        parent->m_children.push_back(window);
    widget->setCursor(qtCursor(window->m_class->cursor));
    if ((style & style::kPopup) != 0)
        widget->setAttribute(Qt::WA_ShowWithoutActivating);
    // Child windows leave the keyboard to the top-level window unless given the focus.
    widget->setFocusPolicy(child ? Qt::NoFocus : Qt::StrongFocus);
    if ((style & style::kDisabled) != 0)
        widget->setEnabled(false);
    window->move(rect, false);

    CreateInfo info{createParam, parent, id, rect, style, std::string(className), std::string(text)};
    if (window->send(kCreateMessage, 0, reinterpret_cast<intptr_t>(&info)) == -1) {
        window->destroy();
        return nullptr;
    }
    if (!isWindow(window))
        return nullptr;
    window->m_created = true;
    window->reportGeometry();
    if (isWindow(window) && (style & style::kVisible) != 0)
        window->show(true);
    return isWindow(window) ? window : nullptr;
}

bool Window::isWindow(const Window* window)
{
    return window && liveWindows().contains(window);
}

void Window::tearDown()
{
    // A procedure that destroys its window again while it hears of the end changes nothing.
    if (!m_alive || m_tearingDown)
        return;
    m_tearingDown = true;
    const WindowWidget::Dispatch dispatch;
    send(kDestroyMessage);
    ToolTip::windowDestroyed(this);
    const std::vector<Window*> children = m_children;
    for (Window* child : children)
        if (isWindow(child))
            child->destroy();
    for (const auto& [id, serviceId] : m_timers)
        UiTimers::kill(serviceId);
    m_timers.clear();
    if (captureWindow() == this)
        releaseCapture();
    m_alive = false;
    liveWindows().erase(this);
    m_properties.clear();
    if (m_parent) {
        auto& siblings = m_parent->m_children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void Window::destroy()
{
    if (!m_alive || m_tearingDown)
        return;
    tearDown();
    m_widget->hide();
    // Deleting the widget while a message to it is being handled would pull it from under
    // the handler: then it goes once control is back in the event loop.
    if (WindowWidget::dispatchDepth() == 0)
        delete m_widget;
    else
        m_widget->deleteLater();
}

intptr_t Window::send(MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (!m_alive)
        return 0;
    const WindowWidget::Dispatch dispatch;
    const std::shared_ptr<const WindowClass> windowClass = m_class;
    return windowClass->proc(this, message, wParam, lParam);
}

bool Window::post(MessageId message, uintptr_t wParam, intptr_t lParam)
{
    if (!m_alive)
        return false;
    m_widget->postMessage(message, wParam, lParam);
    return true;
}

const std::string& Window::className() const
{
    return m_class->name;
}

void Window::setText(std::string_view text)
{
    m_text = text;
    // The desktop shows a top-level window's text as its title.
    if ((m_style & style::kChild) == 0)
        m_widget->setWindowTitle(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void Window::setPropertyValue(std::string_view name, std::shared_ptr<void> value, std::type_index type)
{
    if (!m_alive)
        return;
    const auto found = m_properties.find(name);
    if (found != m_properties.end())
        found->second = Property{std::move(value), type};
    else
        m_properties.emplace(std::string(name), Property{std::move(value), type});
}

std::shared_ptr<void> Window::propertyValue(std::string_view name, std::type_index type) const
{
    const auto found = m_properties.find(name);
    if (found == m_properties.end() || found->second.type != type)
        return nullptr;
    return found->second.value;
}

bool Window::removeProperty(std::string_view name)
{
    const auto found = m_properties.find(name);
    if (found == m_properties.end())
        return false;
    m_properties.erase(found);
    return true;
}

QMargins Window::nonClientMargins() const
{
    QMargins margins;
    if ((m_style & style::kDialogFrame) != 0) {
        const QSize frame = Screen::dialogFrame();
        margins = QMargins(frame.width(), frame.height(), frame.width(), frame.height());
    }
    if (m_menu && m_menu->bar())
        margins.setTop(margins.top() + m_menu->bar()->sizeHint().height());
    return margins;
}

QRect Window::clientRect() const
{
    const QMargins margins = nonClientMargins();
    return QRect(0, 0, std::max(0, m_widget->width() - margins.left() - margins.right()),
                 std::max(0, m_widget->height() - margins.top() - margins.bottom()));
}

QRect Window::windowRect() const
{
    if ((m_style & style::kChild) == 0)
        return QRect(m_widget->frameGeometry().topLeft(), m_widget->size());
    return QRect(m_widget->mapToGlobal(QPoint(0, 0)), m_widget->size());
}

void Window::move(const QRect& rect, bool repaint)
{
    if (!m_alive)
        return;
    QRect geometry(rect.x(), rect.y(), std::max(0, rect.width()), std::max(0, rect.height()));
    if ((m_style & style::kChild) != 0) {
        if (m_parent) {
            const QMargins parentMargins = m_parent->nonClientMargins();
            geometry.translate(parentMargins.left(), parentMargins.top());
        }
        m_widget->setGeometry(geometry);
    } else {
        // The desktop's frame goes at the place asked for, so its title bar stays where the
        // user can reach it; the window inside it lies below and right of it.
        m_widget->resize(geometry.size());
        m_widget->move(geometry.topLeft());
    }
    reportGeometry();
    if (repaint && m_alive)
        invalidate();
}

QPoint Window::clientToScreen(const QPoint& point) const
{
    const QMargins margins = nonClientMargins();
    return m_widget->mapToGlobal(point + QPoint(margins.left(), margins.top()));
}

QPoint Window::screenToClient(const QPoint& point) const
{
    const QMargins margins = nonClientMargins();
    return m_widget->mapFromGlobal(point) - QPoint(margins.left(), margins.top());
}

void Window::reportGeometry()
{
    layoutMenuBar();
    const QSize clientSize = clientRect().size();
    if (clientSize.expandedTo(QSize(1, 1)) != m_image.size())
        resizeImage(clientSize);
    // Size and move messages start after the creation message.
    if (!m_created)
        return;
    QRect geometry = m_widget->geometry();
    if ((m_style & style::kChild) == 0)
        geometry.moveTopLeft(m_widget->mapToGlobal(QPoint(0, 0)));
    const QRect previous = std::exchange(m_reportedGeometry, geometry);
    if (geometry.size() != previous.size())
        send(kSizeMessage, 0, makeLParam(clientSize.width(), clientSize.height()));
    if (m_alive && geometry.topLeft() != previous.topLeft()) {
        const QMargins margins = nonClientMargins();
        QPoint origin = geometry.topLeft() + QPoint(margins.left(), margins.top());
        if ((m_style & style::kChild) != 0 && m_parent) {
            const QMargins parentMargins = m_parent->nonClientMargins();
            origin -= QPoint(parentMargins.left(), parentMargins.top());
        }
        send(kMoveMessage, 0, makeLParam(origin.x(), origin.y()));
    }
}

void Window::resizeImage(const QSize& size)
{
    // Kept at least one pixel, so drawing on a window of no size is harmless.
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(m_class && m_class->background && !m_class->background->isNull()
                   ? m_class->background->qbrush().color()
                   : QColor(Qt::black));
    if (!m_image.isNull()) {
        QPainter painter(&image);
        painter.drawImage(0, 0, m_image);
    }
    m_image = std::move(image);
    m_needsPaint = true;
    m_needsErase = true;
    m_widget->update();
}

void Window::show(bool visible)
{
    if (!m_alive)
        return;
    m_widget->setVisible(visible);
}

bool Window::isVisible() const
{
    return m_alive && m_widget->isVisible();
}

void Window::setTopmost(bool topmost)
{
    if (!m_alive || m_widget->parentWidget() != nullptr || isTopmost() == topmost)
        return;
    // Changing a window's flags takes it off the screen: put it back where it was.
    const bool visible = m_widget->isVisible();
    const QRect geometry = m_widget->geometry();
    m_widget->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    m_widget->setGeometry(geometry);
    if (visible)
        m_widget->show();
}

bool Window::isTopmost() const
{
    return m_alive && m_widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

void Window::acceptFiles(bool accept)
{
    if (m_alive)
        m_widget->setAcceptDrops(accept);
}

bool Window::acceptsFiles() const
{
    return m_alive && m_widget->acceptDrops();
}

void Window::enable(bool enabled)
{
    if (!m_alive || m_widget->isEnabled() == enabled)
        return;
    m_widget->setEnabled(enabled);
    send(kEnableMessage, enabled ? 1 : 0);
}

bool Window::isEnabled() const
{
    return m_alive && m_widget->isEnabled();
}

void Window::setFocus()
{
    if (m_alive)
        m_widget->setFocus(Qt::OtherFocusReason);
}

void Window::invalidate(bool erase)
{
    if (!m_alive)
        return;
    m_needsPaint = true;
    m_needsErase = m_needsErase || erase;
    m_widget->update();
}

void Window::update()
{
    paintNow();
}

void Window::paintNow()
{
    if (!m_alive || !m_needsPaint)
        return;
    send(kPaintMessage);
    // A procedure that did not paint is not asked again until the next change.
    m_needsPaint = false;
}

DrawContext Window::beginPaint()
{
    if (m_needsErase && m_class->background)
        QPainter(&m_image).fillRect(m_image.rect(), m_class->background->qbrush());
    m_needsErase = false;
    m_needsPaint = false;
    return drawContext();
}

DrawContext Window::drawContext()
{
    QPointer<WindowWidget> widget(m_widget);
    return DrawContext(m_image, [widget] {
        if (widget)
            widget->imageChanged();
    });
}

bool Window::setTimer(uintptr_t id, uint32_t ms)
{
    if (!m_alive)
        return false;
    killTimer(id);
    const uint32_t serviceId = UiTimers::set(ms, [this, id] {
        if (m_alive)
            send(kTimerMessage, id, 0);
    });
    if (serviceId == 0)
        return false;
    m_timers[id] = serviceId;
    return true;
}

bool Window::killTimer(uintptr_t id)
{
    const auto found = m_timers.find(id);
    if (found == m_timers.end())
        return false;
    UiTimers::kill(found->second);
    m_timers.erase(found);
    return true;
}

void Window::setCapture()
{
    if (!m_alive)
        return;
    if (captureWindow() && captureWindow() != this)
        releaseCapture();
    // The mouse stays with the widget it was pressed in until release; the window layer
    // sends what reaches any of its windows on to the capturing one.
    captureWindow() = this;
}

Window* Window::capture()
{
    return captureWindow();
}

void Window::releaseCapture()
{
    captureWindow() = nullptr;
}

void Window::setMenu(std::unique_ptr<Menu> menu)
{
    if (!m_alive)
        return;
    if (m_menu)
        m_menu->detach();
    m_menu = std::move(menu);
    if (m_menu)
        m_menu->attach(m_widget, [this](uint32_t id) { send(kCommandMessage, id, 0); });
    reportGeometry();
    invalidate();
}

void Window::layoutMenuBar()
{
    if (!m_menu || !m_menu->bar())
        return;
    QMargins frame;
    if ((m_style & style::kDialogFrame) != 0)
        frame = QMargins(Screen::dialogFrame().width(), Screen::dialogFrame().height(), 0, 0);
    QMenuBar* bar = m_menu->bar();
    bar->setGeometry(frame.left(), frame.top(), m_widget->width() - 2 * frame.left(), bar->sizeHint().height());
}

QWidget* Window::widget() const
{
    return m_widget;
}

Window* Window::fromWidget(const QWidget* widget)
{
    auto* windowWidget = dynamic_cast<const WindowWidget*>(widget);
    if (!windowWidget)
        return nullptr;
    Window* window = &const_cast<WindowWidget*>(windowWidget)->window();
    return isWindow(window) ? window : nullptr;
}

intptr_t defWindowProc(Window* window, MessageId message, uintptr_t, intptr_t)
{
    switch (message) {
    case kPaintMessage: {
        const DrawContext erased = window->beginPaint();
        return 0;
    }
    case kCloseMessage: window->destroy(); return 0;
    default: return 0;
    }
}

}  // namespace plat::ui
