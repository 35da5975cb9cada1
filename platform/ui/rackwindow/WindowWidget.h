#pragma once

#include "platform/ui/rackwindow/Window.h"

#include <QWidget>

namespace plat::ui {

// The widget that shows a Window and turns its events into the window's messages. Only the
// window layer uses it.
class WindowWidget final : public QWidget {
public:
    WindowWidget(QWidget* parent, Qt::WindowFlags flags);
    ~WindowWidget() override;

    Window& window() { return m_window; }
    // Shows a change of the client image, unless the widget is painting right now.
    void imageChanged();
    // Queues a message for the window, delivered from the event loop.
    void postMessage(MessageId message, uintptr_t wParam, intptr_t lParam);

    // The number of message deliveries under way; a window destroyed inside one is deleted
    // once control is back in the event loop.
    static int dispatchDepth();

    class Dispatch {
    public:
        Dispatch();
        ~Dispatch();
        Dispatch(const Dispatch&) = delete;
        Dispatch& operator=(const Dispatch&) = delete;
    };

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void forwardMouse(QMouseEvent* event, MessageId message);

    Window m_window;
    bool m_painting = false;
};

}  // namespace plat::ui
