#pragma once

#include "interface/InterfaceExport.h"

#include "interface/core/SECMenuButton.h"

// The option button beside a field: its menu drops below its left edge, or beside its top
// right with the drop direction set; the click that closes the menu over the button does not
// press it again.
class INTERFACE_API MCMenuButton : public SECMenuButton {
public:
    explicit MCMenuButton(QWidget* parent = nullptr);

    void OnBnClicked() override;
    // Where the menu drops, on the screen.
    QPoint DropPoint() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_swallowPress = false;
};
