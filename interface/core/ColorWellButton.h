#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QAbstractButton>

#include <functional>

// A button that shows a colour and lets the user choose another (through the colour chooser
// hook). A change tells the handler and the window above that listens (the button's id,
// code 0), so a page can mark itself modified.
class INTERFACE_API ColorWellButton : public QAbstractButton {
public:
    explicit ColorWellButton(QWidget* parent = nullptr);

    // Takes the place of the item id of parent; false when there is none.
    bool Attach(QWidget* parent, int id);
    void SetColor(plat::ui::ColorRef color);
    plat::ui::ColorRef GetColor() const { return m_color; }
    void SetChangeHandler(std::function<void(plat::ui::ColorRef)> handler) { m_onChange = std::move(handler); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void choose();

    plat::ui::ColorRef m_color = 0;
    std::function<void(plat::ui::ColorRef)> m_onChange;
};
