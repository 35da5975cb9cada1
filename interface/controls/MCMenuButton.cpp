#include "interface/controls/MCMenuButton.h"

#include <QMouseEvent>
#include <QTimer>

MCMenuButton::MCMenuButton(QWidget* parent) : SECMenuButton(parent)
{
}

QPoint MCMenuButton::DropPoint() const
{
    const QRect screen(mapToGlobal(QPoint(0, 0)), size());
    return m_dropDirection == 0 ? QPoint(screen.left(), screen.top() + screen.height())
                                : QPoint(screen.left() + screen.width(), screen.top());
}

void MCMenuButton::OnBnClicked()
{
    m_drawnUp = false;
    if (ShowMenuAt(DropPoint())) {
        // A press that came in while the menu was open (the click that closed it over the
        // button) is dropped; one that comes later is the user's next click.
        m_swallowPress = true;
        QTimer::singleShot(0, this, [this] { m_swallowPress = false; });
    }
    m_drawnUp = true;
    repaint();
}

void MCMenuButton::mousePressEvent(QMouseEvent* event)
{
    if (m_swallowPress && event->button() == Qt::LeftButton) {
        m_swallowPress = false;
        event->accept();
        return;
    }
    SECMenuButton::mousePressEvent(event);
}
