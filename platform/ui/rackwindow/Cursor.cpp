#include "platform/ui/rackwindow/Cursor.h"

#include <QCursor>
#include <QGuiApplication>

#include <algorithm>

namespace plat::ui {

namespace {

struct CursorState {
    CursorShape shape = CursorShape::arrow;
    int displayCount = 0;
    std::optional<QRect> clip;
    bool overridden = false;
};

CursorState& state()
{
    static CursorState instance;
    return instance;
}

}  // namespace

void Cursor::apply()
{
    // One override cursor at most: hidden beats busy, and neither means none.
    CursorState& s = state();
    std::optional<Qt::CursorShape> wanted;
    if (s.displayCount < 0)
        wanted = Qt::BlankCursor;
    else if (s.shape == CursorShape::wait)
        wanted = Qt::WaitCursor;
    if (!wanted) {
        if (s.overridden)
            QGuiApplication::restoreOverrideCursor();
        s.overridden = false;
    } else if (s.overridden) {
        QGuiApplication::changeOverrideCursor(QCursor(*wanted));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(*wanted));
        s.overridden = true;
    }
}

void Cursor::setShape(CursorShape shape)
{
    state().shape = shape;
    apply();
}

CursorShape Cursor::shape()
{
    return state().shape;
}

int Cursor::show(bool visible)
{
    state().displayCount += visible ? 1 : -1;
    apply();
    return state().displayCount;
}

QPoint Cursor::position()
{
    return QCursor::pos();
}

void Cursor::setPosition(const QPoint& screenPoint)
{
    QCursor::setPos(clipped(screenPoint));
}

void Cursor::clip(const std::optional<QRect>& screenRect)
{
    state().clip = screenRect && screenRect->isValid() ? screenRect : std::nullopt;
    if (state().clip) {
        const QPoint now = QCursor::pos();
        const QPoint inside = clipped(now);
        if (inside != now)
            QCursor::setPos(inside);
    }
}

std::optional<QRect> Cursor::clipRect()
{
    return state().clip;
}

QPoint Cursor::clipped(const QPoint& screenPoint)
{
    const std::optional<QRect>& clip = state().clip;
    if (!clip)
        return screenPoint;
    return QPoint(std::clamp(screenPoint.x(), clip->left(), clip->right()),
                  std::clamp(screenPoint.y(), clip->top(), clip->bottom()));
}

}  // namespace plat::ui
