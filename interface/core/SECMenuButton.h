#pragma once

#include "interface/InterfaceExport.h"

#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QPushButton>

class QMenu;

// A push button that drops a menu: a click shows the menu beside the button and the command
// picked (the picked action's data(), an int) goes to the window above that listens, as the
// notice of that id with code 0. The menu and the image belong to the caller; the button
// only points at them and lets go of them when it goes.
class INTERFACE_API SECMenuButton : public QPushButton {
public:
    explicit SECMenuButton(QWidget* parent = nullptr);
    ~SECMenuButton() override;

    void SetMenu(QMenu* menu) { m_menu = menu; }
    QMenu* GetMenu() const { return m_menu; }
    // 0 drops the menu below the button, any other value beside its top right.
    void SetDropDirection(int direction) { m_dropDirection = direction; }
    int GetDropDirection() const { return m_dropDirection; }
    void SetImage(const QIcon& image);
    bool IsDrawnUp() const { return m_drawnUp; }

    // Shows the menu and sends the command picked; the base drops it below the button.
    virtual void OnBnClicked();

protected:
    // Shows the menu at a screen position through the popup hook and sends what was picked.
    // False when there is no menu.
    bool ShowMenuAt(const QPoint& at);
    // Lets go of the menu and the image (their owner frees them).
    virtual void CleanUp();

    QPointer<QMenu> m_menu;
    int m_dropDirection = 0;
    bool m_drawnUp = true;
    QIcon m_image;
};
