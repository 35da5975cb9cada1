#include "interface/views/MCOleDropTarget.h"

#include "interface/views/MCScrollView.h"
#include "notabase/clipboard/MCClipFormat.h"
#include "platform/ui/timer/UiTimers.h"

#include <QDragMoveEvent>
#include <QMimeData>

#include <algorithm>
#include <cstdlib>

namespace {

uint32_t keyEffect(Qt::KeyboardModifiers keys)
{
    const bool ctrl = keys & Qt::ControlModifier, shift = keys & Qt::ShiftModifier;
    if (ctrl && shift)
        return MCOleDropTarget::kEffectLink;
    if (ctrl)
        return MCOleDropTarget::kEffectCopy;
    return MCOleDropTarget::kEffectMove;
}

Qt::DropAction toAction(uint32_t effect)
{
    if (effect & MCOleDropTarget::kEffectLink)
        return Qt::LinkAction;
    if (effect & MCOleDropTarget::kEffectCopy)
        return Qt::CopyAction;
    return Qt::MoveAction;
}

}  // namespace

int MCOleDropTarget::Accelerate(int d)
{
    const int magnitude = std::abs(d);
    if (magnitude <= kInset)
        return d;
    // Capped well before overflow: the view clamps any scroll to its extent anyway.
    const int over = std::min(magnitude - kInset, 1000);
    const int fast = over * over * over + kInset;
    return d < 0 ? -fast : fast;
}

MCOleDropTarget::MCOleDropTarget(MCScrollView* view) : QObject(view), m_view(view)
{
    view->setAcceptDrops(true);
    view->installEventFilter(this);
}

MCOleDropTarget::~MCOleDropTarget()
{
    stopRepeat();
}

void MCOleDropTarget::stopRepeat()
{
    if (m_repeat)
        plat::ui::UiTimers::kill(m_repeat);
    m_repeat = 0;
}

uint32_t MCOleDropTarget::OnDragScroll(Qt::KeyboardModifiers keys, QPoint point)
{
    m_lastPoint = point;
    m_lastKeys = keys;
    const scrollmath::Rect content = m_view->ContentRect();
    const scrollmath::Rect inner = scrollmath::Rect{content.left + kInset, content.top + kInset,
                                                    content.right - kInset, content.bottom - kInset}
                                       .Normalized();
    uint16_t code = kNoScroll;
    QSize size;
    if (!inner.Contains(point)) {
        int horizontal = 0xFF, vertical = 0xFF, dx = 0, dy = 0;
        if (point.x() < inner.left) {
            horizontal = 0;
            dx = point.x() - inner.left;
        } else if (point.x() >= inner.right) {
            horizontal = 1;
            dx = point.x() - inner.right;
        }
        if (point.y() < inner.top) {
            vertical = 0;
            dy = point.y() - inner.top;
        } else if (point.y() >= inner.bottom) {
            vertical = 1;
            dy = point.y() - inner.bottom;
        }
        if (m_view->IsFlipped())
            dy = -dy;
        size = m_view->DPtoVP(QSize(Accelerate(dx), Accelerate(dy)));
        if (m_view->OnScrollBy(size, false))
            code = uint16_t(horizontal | (vertical << 8));
    }
    if (code == kNoScroll) {
        m_scrollCode = kNoScroll;
        stopRepeat();
        return kEffectNone;
    }
    const uint32_t now = plat::ui::UiTimers::tickCount();
    if (code != m_scrollCode) {
        m_lastTick = now;
        m_delay = kFirstDelayMs;
    }
    if (now - m_lastTick > m_delay) {
        m_view->OnScrollBy(size, true);
        m_lastTick = now;
        m_delay = 0;
    }
    m_scrollCode = code;
    if (!m_repeat)
        m_repeat = plat::ui::UiTimers::set(kRepeatMs, [this] { OnDragScroll(m_lastKeys, m_lastPoint); });
    return kEffectScroll | keyEffect(keys);
}

bool MCOleDropTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_view)
        return false;

    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const QMimeData* data = drag->mimeData();
        if (!data || !data->hasFormat(QLatin1String(kMusicDataFormat))) {
            drag->ignore();
            return true;
        }
        const uint32_t effect = OnDragScroll(drag->modifiers(), drag->position().toPoint());
        drag->setDropAction(toAction(effect == kEffectNone ? keyEffect(drag->modifiers()) : effect));
        drag->accept();
        return true;
    }
    case QEvent::DragLeave:
    case QEvent::Drop:
        m_scrollCode = kNoScroll;
        stopRepeat();
        return false;
    default: return false;
    }
}
