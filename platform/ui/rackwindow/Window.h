#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/WindowClass.h"
#include "platform/ui/rackwindow/WindowMessage.h"

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QRect>

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

class QWidget;

namespace plat::ui {

class Menu;
class WindowWidget;

// What kCreateMessage's lParam points to.
struct PLATUI_API CreateInfo {
    const void* createParam;
    class Window* parent;
    uintptr_t id;
    QRect rect;
    uint32_t style;
    std::string className;
    std::string text;
};

// A window driven by the procedure of its class: the widget that shows it forwards its
// mouse, key, size, move, focus and close events to the procedure as messages, and the
// procedure draws into the window's retained client image, which the widget shows.
//
// A window is made with create() and ends with destroy() (or when its parent ends); the
// pointer is the window's handle until then. Afterwards only isWindow() may be asked about
// it: a window destroyed while one of its messages is handled lives on, dead, until control
// is back in the event loop (its sends answer 0 meanwhile), any other is deleted at once.
// Everything runs on the interface thread. Sending calls the procedure at once; posting
// queues the message for the event loop.
class PLATUI_API Window {
public:
    // Makes a window of a registered class. rect is the outer rectangle, in the parent's
    // client coordinates for a child and on the screen for a top-level window; a top-level
    // window's parent is its owner. A top-level window's place is that of the frame the
    // desktop draws around it (its title bar), whose size is the desktop's and not counted. Sends kCreateMessage (answering -1 refuses), then
    // kSizeMessage and kMoveMessage, and shows it when the style asks. Answers null for an
    // unknown class, a child without a parent, or a refusal.
    static Window* create(std::string_view className, std::string_view text, uint32_t style, const QRect& rect,
                          Window* parent, uintptr_t id = 0, const void* createParam = nullptr);
    // Whether window is a live window (the handle of a destroyed window answers false).
    static bool isWindow(const Window* window);

    // Sends kDestroyMessage to the window, then to its children (which are destroyed in
    // turn), kills its timers, drops its properties and takes it off the screen.
    void destroy();

    // Calls the procedure now and answers its result; 0 once the window is destroyed.
    intptr_t send(MessageId message, uintptr_t wParam = 0, intptr_t lParam = 0);
    // Queues the message; false once the window is destroyed. It is dropped if the window
    // ends before the event loop delivers it.
    bool post(MessageId message, uintptr_t wParam = 0, intptr_t lParam = 0);

    uintptr_t id() const { return m_id; }
    uint32_t style() const { return m_style; }
    const std::string& className() const;
    // The parent of a child window, the owner of a top-level one.
    Window* parent() const { return m_parent; }
    const std::vector<Window*>& children() const { return m_children; }
    const std::string& text() const { return m_text; }
    // A top-level window shows its text as its title.
    void setText(std::string_view text);

    // Named values hung on the window, each shared with whoever uses it, so a block stays
    // valid for the whole of a use even if the window ends meanwhile.
    template <class T>
    void setProperty(std::string_view name, std::shared_ptr<T> value)
    {
        setPropertyValue(name, std::move(value), typeid(T));
    }
    // The value, or null when there is none or it is of another type.
    template <class T>
    std::shared_ptr<T> property(std::string_view name) const
    {
        return std::static_pointer_cast<T>(propertyValue(name, typeid(T)));
    }
    bool removeProperty(std::string_view name);

    // (0, 0, client width, client height).
    QRect clientRect() const;
    // The outer rectangle on the screen (a top-level window's from its desktop frame's corner).
    QRect windowRect() const;
    // Moves and sizes the window (rect as in create).
    void move(const QRect& rect, bool repaint = true);
    QPoint clientToScreen(const QPoint& point) const;
    QPoint screenToClient(const QPoint& point) const;

    void show(bool visible);
    bool isVisible() const;
    // Enables or disables mouse and key input; a change sends kEnableMessage.
    void enable(bool enabled);
    bool isEnabled() const;
    void setFocus();

    // A top-level window kept above the windows of other programs, or in the normal layer;
    // its position and size stay. A shown window stays shown.
    void setTopmost(bool topmost);
    bool isTopmost() const;
    // Whether files dragged from a file manager may be dropped here (kDropFilesMessage).
    void acceptFiles(bool accept);
    bool acceptsFiles() const;

    // Marks the client image for painting (erasing it with the class background first):
    // kPaintMessage comes from the event loop, or at once from update().
    void invalidate(bool erase = true);
    // Sends kPaintMessage now when the window is marked for painting.
    void update();
    bool needsPaint() const { return m_needsPaint; }
    // For kPaintMessage: erases when asked, clears the mark, and draws on the client image.
    DrawContext beginPaint();
    // Draws on the client image at any time; what is drawn shows when the handle ends.
    DrawContext drawContext();
    const QImage& image() const { return m_image; }

    // A window timer: kTimerMessage with wParam = id every ms milliseconds (0 counts as 1).
    // Setting an id again restarts it.
    bool setTimer(uintptr_t id, uint32_t ms);
    bool killTimer(uintptr_t id);

    // Mouse messages go to this window, wherever the pointer is, until the capture ends.
    void setCapture();
    static Window* capture();
    static void releaseCapture();

    // The menu bar of a top-level window: picking an item sends kCommandMessage with the
    // item's command id. Null removes it.
    void setMenu(std::unique_ptr<Menu> menu);
    Menu* menu() const { return m_menu.get(); }

    // The widget that shows the window.
    QWidget* widget() const;
    // The window a widget shows, null for other widgets.
    static Window* fromWidget(const QWidget* widget);

    // The border between the outer rectangle and the client area.
    QMargins nonClientMargins() const;

private:
    friend class WindowWidget;

    explicit Window(WindowWidget* widget);
    ~Window();

    void setPropertyValue(std::string_view name, std::shared_ptr<void> value, std::type_index type);
    std::shared_ptr<void> propertyValue(std::string_view name, std::type_index type) const;

    void tearDown();
    void reportGeometry();
    void resizeImage(const QSize& size);
    void paintNow();
    void layoutMenuBar();

    struct Property {
        std::shared_ptr<void> value;
        std::type_index type;
    };

    WindowWidget* m_widget;
    std::shared_ptr<const WindowClass> m_class;
    Window* m_parent = nullptr;
    std::vector<Window*> m_children;
    uintptr_t m_id = 0;
    uint32_t m_style = 0;
    std::string m_text;
    std::map<std::string, Property, std::less<>> m_properties;
    std::map<uintptr_t, uint32_t> m_timers;  // window timer id -> timer service id
    std::unique_ptr<Menu> m_menu;
    QImage m_image;
    QRect m_reportedGeometry;
    bool m_needsPaint = true;
    bool m_needsErase = true;
    bool m_alive = false;
    bool m_created = false;
    bool m_tearingDown = false;
};

// What a window does with a message its procedure leaves: paints nothing but the
// background, closes by destroying itself, and answers 0.
PLATUI_API intptr_t defWindowProc(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam);

}  // namespace plat::ui
