#pragma once

#include "interface/InterfaceExport.h"

#include <QSize>
#include <QWidget>

class QPainter;

// The base of the main frame's dialog bars: a bar of controls with a fixed size, tips for its
// controls from the string table, a caption from the string of its id, and the help id of its
// controls.
class INTERFACE_API MCDialogBar : public QWidget {
public:
    static constexpr int kHelpIdBase = 0x20000;

    explicit MCDialogBar(QWidget* parent = nullptr);

    // Puts the bar into parent with the item id id, lets the derived bar fill its controls
    // and captions it with the string id.
    virtual bool Create(QWidget* parent, int id);
    virtual void InitBar() {}
    // The bar keeps its default size whatever it is docked in.
    virtual QSize CalcFixedLayout(bool stretch, bool horizontal) const;
    virtual QSize CalcDynamicLayout(int length, int mode) const;
    // Shows every control without taking the focus.
    void ShowChildren(int);
    // Shows the status text of the help context helpId (0: the bar's own); 0 when there is no
    // context.
    virtual int OnCommandHelp(unsigned helpId);
    // The bar's help context: its id plus kHelpIdBase.
    virtual int OnHelpHitTest() const;

    QSize GetDefaultSize() const { return m_sizeDefault; }
    // The size the bar keeps, for a bar whose controls change its size after it was made.
    void SetDefaultSize(QSize size);
    QSize sizeHint() const override { return m_sizeDefault; }

protected:
    virtual void DrawBorders(QPainter& painter, const QRect& rect);
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

    QSize m_sizeDefault{100, 100};
};
