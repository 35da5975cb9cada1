#include "interface/views/MCDialogBar.h"

#include "interface/views/MCToolWnd.h"
#include "interface/views/ToolTipProtocol.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QPainter>

MCDialogBar::MCDialogBar(QWidget* parent) : QWidget(parent) {}

bool MCDialogBar::Create(QWidget* parent, int id)
{
    setParent(parent);
    plat::ui::setItemId(this, id);
    InitBar();
    setWindowTitle(QString::fromStdString(plat::Resources::string(uint32_t(id))));
    return true;
}

void MCDialogBar::SetDefaultSize(QSize size)
{
    m_sizeDefault = size;
    updateGeometry();
}

QSize MCDialogBar::CalcFixedLayout(bool, bool) const
{
    return m_sizeDefault;
}

QSize MCDialogBar::CalcDynamicLayout(int, int) const
{
    return m_sizeDefault;
}

void MCDialogBar::ShowChildren(int)
{
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!child->isWindow())
            child->show();
}

int MCDialogBar::OnCommandHelp(unsigned helpId)
{
    if (helpId == 0 && plat::ui::itemId(this) != 0)
        helpId = unsigned(OnHelpHitTest());
    if (helpId == 0)
        return 0;
    // There are no help files: the request shows what the status bar says of its context,
    // else the bar's caption.
    std::string text = MCToolWnd::HelpText(helpId);
    if (text.empty())
        text = windowTitle().toStdString();
    plat::ui::ModalHooks::help(text);
    return 1;
}

int MCDialogBar::OnHelpHitTest() const
{
    return plat::ui::itemId(this) + kHelpIdBase;
}

void MCDialogBar::DrawBorders(QPainter& painter, const QRect& rect)
{
    // A raised edge above and below, as the bar sits between other bars of the frame.
    painter.setPen(palette().color(QPalette::Light));
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
}

bool MCDialogBar::event(QEvent* event)
{
    return tooltips::HandleToolTipEvent(this, event) || QWidget::event(event);
}

void MCDialogBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    DrawBorders(painter, rect());
}
