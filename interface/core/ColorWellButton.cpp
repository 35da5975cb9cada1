#include "interface/core/ColorWellButton.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QPainter>
#include <QStyleOptionButton>
#include <QStylePainter>

ColorWellButton::ColorWellButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setAccessibleName("Colour");
    connect(this, &QAbstractButton::clicked, this, [this] { choose(); });
}

bool ColorWellButton::Attach(QWidget* parent, int id)
{
    return plat::ui::attachToItem(parent, id, this);
}

void ColorWellButton::SetColor(plat::ui::ColorRef color)
{
    m_color = color & 0xFFFFFF;
    update();
}

void ColorWellButton::choose()
{
    const std::optional<plat::ui::ColorRef> chosen = plat::ui::ModalHooks::chooseColor(m_color, this);
    if (!chosen || (*chosen & 0xFFFFFF) == m_color)
        return;
    SetColor(*chosen);
    if (m_onChange)
        m_onChange(m_color);
    plat::ui::notifyParent(this, 0);
}

QSize ColorWellButton::sizeHint() const
{
    const int height = fontMetrics().height() + 10;
    return QSize(height * 2, height);
}

void ColorWellButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionButton option;
    option.initFrom(this);
    if (isDown())
        option.state |= QStyle::State_Sunken;
    painter.drawControl(QStyle::CE_PushButtonBevel, option);
    const QRect swatch = rect().adjusted(5, 5, -6, -6);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
    painter.setBrush(isEnabled() ? plat::ui::toQColor(m_color) : palette().color(QPalette::Disabled, QPalette::Button));
    painter.drawRect(swatch);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(3, 3, -3, -3);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}
