#include "inspector/pages/CAuditionWnd.h"

#include "inspector/pages/PCsqStaffInstrument.h"
#include "notabase/prefs/Preferences.h"

#include <QApplication>
#include <QMainWindow>

#include <algorithm>

namespace {

QWidget* mainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QMainWindow*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

}  // namespace

CAuditionWnd::CAuditionWnd(QWidget* parent) : MCAuditionWnd(parent)
{
    setModal(false);
}

CAuditionWnd::~CAuditionWnd()
{
    if (m_placed)
        SavePosition();
}

void CAuditionWnd::Attach(PCsqStaffInstrument* page)
{
    m_page = page;
}

void CAuditionWnd::Detach()
{
    if (m_placed)
        SavePosition();
    m_page = nullptr;
}

void CAuditionWnd::accept()
{
    if (m_page)
        m_page->OnAuditionClose();
    else
        hide();
}

void CAuditionWnd::reject()
{
    accept();
}

QPoint CAuditionWnd::InitialPosition() const
{
    // Stored positions are held to the screen's coordinates before anything is worked out
    // from them.
    constexpr int limit = kScreenCoordinateLimit;
    const int x = LoadIntPreference("Settings\\Audition", "x", -1, -limit, limit);
    const int y = LoadIntPreference("Settings\\Audition", "y", -1, -limit, limit);
    if (x != -1 && y != -1)
        return {x, y};
    const QSize size = frameGeometry().size().expandedTo(sizeHint());
    QWidget* main = mainWindow();
    const int inspectorX = LoadIntPreference("Components\\Inspector", "x", -1, -limit, limit);
    const int inspectorY = LoadIntPreference("Components\\Inspector", "y", -1, -limit, limit);
    QPoint at;
    if (inspectorX != -1 && inspectorY != -1)
        at = QPoint(inspectorX, inspectorY - size.height());
    else if (main)
        at = main->frameGeometry().center() - QPoint(size.width() / 2, size.height() / 2);
    else
        return pos();
    if (main) {
        const QRect bounds = main->frameGeometry();
        at.setX(std::clamp(at.x(), bounds.left(), std::max(bounds.left(), bounds.right() + 1 - size.width())));
        at.setY(std::clamp(at.y(), bounds.top(), std::max(bounds.top(), bounds.bottom() + 1 - size.height())));
    }
    return at;
}

void CAuditionWnd::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        move(InitialPosition());
        m_placed = true;
    }
    MCAuditionWnd::showEvent(event);
}

void CAuditionWnd::SavePosition() const
{
    SaveIntPreference("Settings\\Audition", "x", pos().x());
    SaveIntPreference("Settings\\Audition", "y", pos().y());
}
