#pragma once

#include "interface/InterfaceExport.h"

#include <QPoint>
#include <QSize>
#include <QWidget>

// The base of the floating tool windows (the inspector, the mixer and the program's own
// tools): a tool window that never docks, floats where it was last left (or inside its
// owner's top-right corner), captions itself from the string of its id, lets the shortcuts of
// its parent's frame act first, and hands system keys (Alt with a key) to its owner, whose
// menus they are meant for.
class INTERFACE_API MCToolWnd : public QWidget {
public:
    // The window frame and edge the default position keeps clear of the owner's border.
    static constexpr int kFrameWidth = 4;
    static constexpr int kEdge = 2;

    explicit MCToolWnd(QWidget* owner = nullptr);

    // Makes this a hidden tool window of parent with the item id id, its caption the string
    // id and its icon the image id.
    virtual bool InitToolLayout(QWidget* parent, int id);
    // The stored "x" and "y" of section; without both, inside the owner's top-right corner;
    // without an owner, (0, 0).
    virtual QPoint GetDefaultPosition(const char* section) const;
    // Floats the window at its default position (only when it has a parent).
    virtual void LoadPrefs(const char* section);
    virtual void SavePrefs(const char* section) const;

    QWidget* GetOwner() const { return m_owner; }
    QSize GetDefaultSize() const { return m_sizeDefault; }
    QSize sizeHint() const override { return m_sizeDefault; }

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    QSize m_sizeDefault{100, 100};

private:
    // Triggers the enabled action of the parent's frame whose shortcut the key is.
    bool triggerFrameShortcut(const QKeyEvent* event) const;
    QWidget* m_owner;
};
