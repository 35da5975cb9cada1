#include "platform/ui/rackwindow/WindowWidget.h"

#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/Screen.h"
#include "platform/ui/rackwindow/WindowStyle.h"
#include "platform/ui/rackwindow/ToolTip.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace plat::ui {

namespace {

int g_dispatchDepth = 0;

// A message posted to a window.
class PostedMessage final : public QEvent {
public:
    PostedMessage(MessageId message, uintptr_t wParam, intptr_t lParam)
        : QEvent(type()), message(message), wParam(wParam), lParam(lParam)
    {
    }

    static QEvent::Type type()
    {
        static const auto registered = QEvent::Type(QEvent::registerEventType());
        return registered;
    }

    const MessageId message;
    const uintptr_t wParam;
    const intptr_t lParam;
};

// The local files a drag carries, as full paths; empty when it carries anything else.
std::vector<std::string> droppedFiles(const QMimeData* data)
{
    std::vector<std::string> files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            return {};
        files.push_back(url.toLocalFile().toStdString());
    }
    return files;
}

uintptr_t mouseFlags(const QMouseEvent* event)
{
    uintptr_t flags = 0;
    if (event->buttons() & Qt::LeftButton)
        flags |= kLeftButtonFlag;
    if (event->buttons() & Qt::RightButton)
        flags |= kRightButtonFlag;
    if (event->modifiers() & Qt::ShiftModifier)
        flags |= kShiftFlag;
    if (event->modifiers() & Qt::ControlModifier)
        flags |= kControlFlag;
    return flags;
}

// The virtual key code of a key, 0 for keys windows are not told of.
uintptr_t virtualKey(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return uintptr_t('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return uintptr_t('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F12)
        return kKeyF1 + uintptr_t(key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return kKeyBack;
    case Qt::Key_Tab: return kKeyTab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return kKeyReturn;
    case Qt::Key_Escape: return kKeyEscape;
    case Qt::Key_Space: return kKeySpace;
    case Qt::Key_Left: return kKeyLeft;
    case Qt::Key_Up: return kKeyUp;
    case Qt::Key_Right: return kKeyRight;
    case Qt::Key_Down: return kKeyDown;
    case Qt::Key_Delete: return kKeyDelete;
    default: return 0;
    }
}

}  // namespace

WindowWidget::Dispatch::Dispatch()
{
    ++g_dispatchDepth;
}

WindowWidget::Dispatch::~Dispatch()
{
    --g_dispatchDepth;
}

int WindowWidget::dispatchDepth()
{
    return g_dispatchDepth;
}

WindowWidget::WindowWidget(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), m_window(this)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    // Every move reaches the window, with or without a button held, as the classic windows see it.
    setMouseTracking(true);
}

WindowWidget::~WindowWidget()
{
    m_window.tearDown();
}

void WindowWidget::imageChanged()
{
    if (!m_painting)
        update();
}

void WindowWidget::postMessage(MessageId message, uintptr_t wParam, intptr_t lParam)
{
    QCoreApplication::postEvent(this, new PostedMessage(message, wParam, lParam));
}

bool WindowWidget::event(QEvent* event)
{
    const Dispatch dispatch;
    if (event->type() == PostedMessage::type()) {
        const auto* posted = static_cast<PostedMessage*>(event);
        m_window.send(posted->message, posted->wParam, posted->lParam);
        return true;
    }
    // Tips come from the window layer's own tool tips.
    if (event->type() == QEvent::ToolTip)
        return true;
    return QWidget::event(event);
}

void WindowWidget::paintEvent(QPaintEvent*)
{
    m_painting = true;
    if (m_window.m_alive && m_window.m_needsPaint)
        m_window.paintNow();
    m_painting = false;
    QPainter painter(this);
    const QMargins margins = m_window.nonClientMargins();
    if ((m_window.style() & style::kDialogFrame) != 0) {
        // A raised frame: light on the top and left, shadow on the bottom and right.
        const QSize frame = Screen::dialogFrame();
        const QRect outer = rect();
        painter.fillRect(outer, QColor(192, 192, 192));
        painter.fillRect(QRect(0, 0, outer.width(), 1), Qt::white);
        painter.fillRect(QRect(0, 0, 1, outer.height()), Qt::white);
        painter.fillRect(QRect(0, outer.height() - 1, outer.width(), 1), Qt::black);
        painter.fillRect(QRect(outer.width() - 1, 0, 1, outer.height()), Qt::black);
        painter.fillRect(QRect(frame.width() - 1, frame.height() - 1, outer.width() - 2 * frame.width() + 2, 1),
                         QColor(128, 128, 128));
        painter.fillRect(QRect(frame.width() - 1, frame.height() - 1, 1, outer.height() - 2 * frame.height() + 2),
                         QColor(128, 128, 128));
    }
    painter.drawImage(QPoint(margins.left(), margins.top()), m_window.m_image);
}

void WindowWidget::resizeEvent(QResizeEvent*)
{
    if (m_window.m_alive)
        m_window.reportGeometry();
}

void WindowWidget::moveEvent(QMoveEvent*)
{
    if (m_window.m_alive)
        m_window.reportGeometry();
}

void WindowWidget::forwardMouse(QMouseEvent* event, MessageId message)
{
    if (!m_window.m_alive)
        return;
    QPoint global = mapToGlobal(event->position().toPoint());
    if (message == kMouseMoveMessage) {
        const QPoint inside = Cursor::clipped(global);
        if (inside != global) {
            QCursor::setPos(inside);
            global = inside;
        }
    }
    Window* capture = Window::capture();
    Window* target = capture ? capture : &m_window;
    const QPoint point = target->screenToClient(global);
    ToolTip::relayMouse(target, message, point);
    target->send(message, mouseFlags(event), makeLParam(point.x(), point.y()));
}

void WindowWidget::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        forwardMouse(event, kLeftButtonDownMessage);
    else if (event->button() == Qt::RightButton)
        forwardMouse(event, kRightButtonDownMessage);
}

void WindowWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    // No window class asks for double clicks: the second click is a press like the first.
    mousePressEvent(event);
}

void WindowWidget::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        forwardMouse(event, kLeftButtonUpMessage);
    else if (event->button() == Qt::RightButton)
        forwardMouse(event, kRightButtonUpMessage);
}

void WindowWidget::mouseMoveEvent(QMouseEvent* event)
{
    forwardMouse(event, kMouseMoveMessage);
}

void WindowWidget::keyPressEvent(QKeyEvent* event)
{
    const uintptr_t key = virtualKey(event->key());
    if (!m_window.m_alive || key == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    const intptr_t repeat = makeLParam(1, 0) | (event->isAutoRepeat() ? intptr_t(1) << 30 : 0);
    m_window.send(kKeyDownMessage, key, repeat);
}

void WindowWidget::focusInEvent(QFocusEvent*)
{
    if (m_window.m_alive)
        m_window.send(kSetFocusMessage);
}

void WindowWidget::closeEvent(QCloseEvent* event)
{
    // The window decides: its procedure destroys it, or keeps it open.
    event->ignore();
    if (m_window.m_alive)
        m_window.send(kCloseMessage);
}

void WindowWidget::leaveEvent(QEvent*)
{
    if (m_window.m_alive)
        ToolTip::relayLeave(&m_window);
}

void WindowWidget::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_window.m_alive && !droppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void WindowWidget::dragMoveEvent(QDragMoveEvent* event)
{
    if (m_window.m_alive && !droppedFiles(event->mimeData()).empty())
        event->acceptProposedAction();
}

void WindowWidget::dropEvent(QDropEvent* event)
{
    const std::vector<std::string> files = droppedFiles(event->mimeData());
    if (!m_window.m_alive || files.empty())
        return;
    event->acceptProposedAction();
    const QMargins margins = m_window.nonClientMargins();
    const QPoint point = event->position().toPoint() - QPoint(margins.left(), margins.top());
    m_window.send(kDropFilesMessage, reinterpret_cast<uintptr_t>(&files), makeLParam(point.x(), point.y()));
}

}  // namespace plat::ui
