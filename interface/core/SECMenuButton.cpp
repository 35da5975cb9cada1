#include "interface/core/SECMenuButton.h"

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QAction>
#include <QMenu>

SECMenuButton::SECMenuButton(QWidget* parent) : QPushButton(parent)
{
    // The click that closes the menu over the button must not press it again.
    setAttribute(Qt::WA_NoMouseReplay);
    connect(this, &QPushButton::clicked, this, [this] { OnBnClicked(); });
}

SECMenuButton::~SECMenuButton()
{
    CleanUp();
}

void SECMenuButton::SetImage(const QIcon& image)
{
    m_image = image;
    setIcon(image);
}

void SECMenuButton::OnBnClicked()
{
    ShowMenuAt(mapToGlobal(rect().bottomLeft() + QPoint(0, 1)));
}

bool SECMenuButton::ShowMenuAt(const QPoint& at)
{
    if (!m_menu)
        return false;
    QAction* picked = plat::ui::ModalHooks::popupMenu(*m_menu, at);
    if (picked && picked->data().isValid())
        plat::ui::notifyParent(this, picked->data().toInt(), 0);
    return true;
}

void SECMenuButton::CleanUp()
{
    m_menu = nullptr;
    m_image = QIcon();
}
