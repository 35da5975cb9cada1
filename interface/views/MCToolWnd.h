#pragma once

#include "interface/InterfaceExport.h"

#include <QDockWidget>
#include <QPoint>
#include <QSize>

#include <string>

class QMainWindow;
class SCBase;

// The base of the main frame's tool windows (the music palette, the mixer, the inspector): a
// bar that floats where it was last left (or inside its owner's top-right corner) and docks
// only in the areas it allows (none unless it says so), captions itself from the string of
// its id, hears every state the frame hears, answers help requests with the status text of
// its context, lets the shortcuts of its frame act first, and hands system keys (Alt with a
// key) to its owner, whose menus they are meant for.
//
// A derived tool window puts its controls on Body() (the dock's widget) and sizes itself
// through CalcFixedLayout and CalcDynamicLayout.
class INTERFACE_API MCToolWnd : public QDockWidget {
public:
    // The window frame and edge the default position keeps clear of the owner's border.
    static constexpr int kFrameWidth = 4;
    static constexpr int kEdge = 2;
    static constexpr unsigned kHelpIdBase = 0x20000;

    // The layout requests of CalcDynamicLayout.
    enum LayoutMode : unsigned {
        LM_STRETCH = 0x01,
        LM_HORZ = 0x02,
        LM_MRUWIDTH = 0x04,
        LM_HORZDOCK = 0x08,
        LM_VERTDOCK = 0x10,
        LM_LENGTHY = 0x20,
        LM_COMMIT = 0x40,
    };

    explicit MCToolWnd(QWidget* owner = nullptr);

    // Makes this a hidden floating tool window of parent (a main window takes it among its
    // docks) with the item id id, its caption the string id and its icon the image id. It
    // docks nowhere until EnableDocking allows an area.
    virtual bool InitToolLayout(QWidget* parent, int id);
    // The stored "x" and "y" of section; without both, inside the owner's top-right corner;
    // without an owner, (0, 0).
    virtual QPoint GetDefaultPosition(const char* section) const;
    // Inside the owner's top-right corner; (0, 0) without an owner.
    QPoint OwnerCorner() const;
    // Floats the window at its default position and shows it (only when it has a parent).
    virtual void LoadPrefs(const char* section);
    // The floating window's position; a docked window has none to keep.
    virtual void SavePrefs(const char* section) const;

    // The areas of the frame the window may dock in (none: it only floats).
    void EnableDocking(Qt::DockWidgetAreas areas);
    Qt::DockWidgetAreas GetDockingAreas() const { return allowedAreas(); }
    // Docks into area of the frame; false when the area is not allowed or there is no frame.
    bool DockControlBar(Qt::DockWidgetArea area);
    // Floats with its frame's top-left corner at point (screen coordinates).
    void FloatControlBar(QPoint point);
    // The frame area it is docked in, or Qt::NoDockWidgetArea while floating.
    Qt::DockWidgetArea DockedArea() const;

    // Every state the frame hears: hint is the state's code.
    virtual void OnUpdate(long hint, SCBase* state);

    // Shows the status text of the help context helpId (0: this window's own); 0 when there
    // is no context.
    virtual int OnCommandHelp(unsigned helpId);
    // The help context of this window: its id plus kHelpIdBase (0 without an id).
    virtual unsigned OnHelpHitTest() const;
    // The status text of a help context: the string of its id up to the first newline.
    static std::string HelpText(unsigned helpId);

    // The size of the docked bar (the default size unless a derived window knows better).
    virtual QSize CalcFixedLayout(bool stretch, bool horizontal) const;
    // The size for a layout request (LayoutMode bits); length is the proposed width or
    // height, or -1.
    virtual QSize CalcDynamicLayout(int length, unsigned mode) const;

    QWidget* Body() const { return widget(); }
    QWidget* GetOwner() const { return m_owner; }
    QSize GetDefaultSize() const { return m_sizeDefault; }
    // The main window whose dock this is, or null.
    QMainWindow* Frame() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QSize m_sizeDefault{100, 100};

private:
    // Triggers the enabled action of the parent's frame whose shortcut the key is.
    bool triggerFrameShortcut(const QKeyEvent* event) const;
    QWidget* m_owner;
};
