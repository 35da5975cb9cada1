#include "interface/views/MCScrollView.h"

#include "platform/ui/timer/UiTimers.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QSizeGrip>
#include <QStyle>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace {

QRect toQRect(const scrollmath::Rect& r)
{
    const scrollmath::Rect n = r.Normalized();
    return QRect(n.left, n.top, n.Width(), n.Height());
}

}  // namespace

MCScrollView::MCScrollView(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_barHorz = new QScrollBar(Qt::Horizontal, this);
    m_barVert = new QScrollBar(Qt::Vertical, this);
    m_barSizeBox = new QSizeGrip(this);
    for (QScrollBar* bar : {m_barHorz, m_barVert}) {
        bar->setRange(0, kBarRange);
        bar->setFocusPolicy(Qt::NoFocus);
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar](int action) { barAction(bar, action); });
    }
    SetViewSize(GetViewSize());
    m_wFlags |= kCreated;
}

MCScrollView::~MCScrollView()
{
    stopAutoScroll();
}

void MCScrollView::SetQuickScrollCursors(const QCursor& ready, const QCursor& active)
{
    m_hcurQuickReady = ready;
    m_hcurQuickActive = active;
}

void MCScrollView::SetDragSelect(int style, bool clearOnEnd)
{
    m_nDragSelectStyle = uint8_t(style & 0xFF);
    setFlag(kClearDragOnEnd, clearOnEnd);
}

QSize MCScrollView::GetViewSize() const
{
    return {m_rectView.Width(), m_rectView.Height()};
}

void MCScrollView::SetViewSize(QSize size)
{
    const int cy = std::abs(size.height());
    m_rectView = {0, 0, std::abs(size.width()), IsFlipped() ? -cy : cy};
    TileViews(true);
}

void MCScrollView::OnPrepareDC(Mapping& mapping) const
{
    mapping.viewportOrg = QPoint(m_rectContent.left, m_rectContent.top);
}

MCScrollView::Mapping MCScrollView::PreparedMapping() const
{
    Mapping mapping;
    OnPrepareDC(mapping);
    return mapping;
}

void MCScrollView::Refresh(QPainter& painter, const Rect& rectVP)
{
    Rect lp = VPtoLP(rectVP);
    if (lp.Width() == 0)
        lp.right = lp.left + scrollmath::DPtoLP(PreparedMapping(), QSize(1, 1)).width();
    if (m_offscreen.isNull())
        return;
    // The offscreen picture holds the content rectangle, whose top-left is the logical origin.
    const Rect device = scrollmath::LPtoDP(PreparedMapping(), lp).Normalized();
    const QRect source = toQRect(device.Offset({-m_rectContent.left, -m_rectContent.top}));
    painter.save();
    painter.resetTransform();
    painter.drawPixmap(toQRect(device), m_offscreen, source);
    painter.restore();
}

QPoint MCScrollView::roundToDevice(QPoint vp) const
{
    return DPtoVP(VPtoDP(vp));
}

void MCScrollView::CalcRects(Rect& rc)
{
    const int cx = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int cy = cx;
    const Rect horz{rc.left, rc.bottom - cy, rc.right - cx, rc.bottom};
    const Rect vert{rc.right - cx, rc.top, rc.right, rc.bottom - cy};
    const Rect box{rc.right - cx, rc.bottom - cy, rc.right, rc.bottom};
    m_barHorz->setGeometry(toQRect(horz));
    m_barVert->setGeometry(toQRect(vert));
    m_barSizeBox->setGeometry(toQRect(box));
    rc.bottom = horz.top;
    rc.right = vert.left;
}

void MCScrollView::TileViews(bool)
{
    if (!(m_wFlags & kCreated))
        return;
    Rect rc{0, 0, width(), height()};
    CalcRects(rc);
    m_rectContent = rc;
    m_offscreen = QPixmap();
    UpdateScrollBars();
    GetScrollBarPos(m_ptScroll, 0);
    const Mapping m = PreparedMapping();
    m_ptScroll = scrollmath::DPtoLP(m, scrollmath::LPtoDP(m, m_ptScroll));
    m_wFlags |= kNeedsDraw;
}

void MCScrollView::UpdateScrollBars()
{
    const Rect visible = DPtoVP(m_rectContent).Normalized();
    const QSize view = GetViewSize();
    if (view.width() == 0 || view.height() == 0)
        return;
    auto set = [](QScrollBar* bar, double pageRatio, double posRatio) {
        const int page = std::min(int(pageRatio * kBarRange + 0.5), kBarRange + 1);
        const int pos = int(posRatio * kBarRange + (posRatio < 0 ? -0.5 : 0.5));
        const QSignalBlocker block(bar);
        bar->setPageStep(page);
        // The bar's range is kept 0..32767 with the page inside it, as the position maths expects.
        bar->setRange(0, std::max(kBarRange + 1 - page, 0));
        bar->setValue(std::abs(pos));
        bar->setEnabled(pageRatio < 1.0);
    };
    set(m_barHorz, double(visible.Width()) / view.width(), double(m_ptScroll.x()) / view.width());
    set(m_barVert, double(visible.Height()) / std::abs(view.height()),
        double(m_ptScroll.y()) / std::abs(view.height()));
}

void MCScrollView::GetScrollBarPos(QPoint& pt, int bar) const
{
    const QSize view = GetViewSize();
    // A flipped view's vertical bar counts down from its top at 0.
    if (bar != 2 && view.width() != 0)
        pt.setX(scrollmath::BarToPosition(m_barHorz->sliderPosition(), 0, kBarRange, view.width()));
    if (bar != 1 && view.height() != 0)
        pt.setY(scrollmath::BarToPosition(m_barVert->sliderPosition(), 0, kBarRange, view.height()));
}

void MCScrollView::SetScrollBarPos(const QPoint& pt, int bar)
{
    const QSize view = GetViewSize();
    const QSignalBlocker bh(m_barHorz), bv(m_barVert);
    if (bar != 2 && view.width() != 0)
        m_barHorz->setValue(scrollmath::PositionToBar(pt.x(), 0, kBarRange, view.width()));
    if (bar != 1 && view.height() != 0)
        m_barVert->setValue(scrollmath::PositionToBar(pt.y(), 0, kBarRange, view.height()));
}

QPoint MCScrollView::ScrollBy(QPoint delta, bool doScroll)
{
    const Rect visible = DPtoVP(m_rectContent);
    const bool flipped = IsFlipped();
    // Added without wrapping: a request far past one end must not come out at the other.
    auto wanted = [](int from, int by) {
        return int(std::clamp<int64_t>(int64_t(from) + by, std::numeric_limits<int>::min(),
                                       std::numeric_limits<int>::max()));
    };
    const int x = scrollmath::ClampScroll(wanted(m_ptScroll.x(), delta.x()), m_rectView.right, visible.Width(), false);
    const int visibleHeight = flipped ? visible.top - visible.bottom : visible.Height();
    const int y =
        scrollmath::ClampScroll(wanted(m_ptScroll.y(), delta.y()), m_rectView.bottom, visibleHeight, flipped);
    const Mapping m = PreparedMapping();
    const QPoint amount = scrollmath::DPtoLP(m, scrollmath::LPtoDP(m, QPoint(x, y) - m_ptScroll));
    if (!amount.isNull() && doScroll) {
        m_sizePending = QSize(amount.x(), amount.y());
        repaint(toQRect(m_rectContent));
    }
    return amount;
}

QPoint MCScrollView::ScrollTo(QPoint pt)
{
    const QPoint before = m_ptScroll;
    return before + ScrollBy(roundToDevice(pt) - m_ptScroll, true);
}

bool MCScrollView::OnScrollBy(QSize size, bool doScroll)
{
    QPoint delta(m_barHorz->isEnabled() ? size.width() : 0, m_barVert->isEnabled() ? size.height() : 0);
    const Mapping m = PreparedMapping();
    delta = scrollmath::DPtoLP(m, scrollmath::LPtoDP(m, delta));
    const QPoint amount = ScrollBy(delta, doScroll);
    if (!doScroll)
        return !amount.isNull();
    UpdateScrollBars();
    return true;
}

bool MCScrollView::ScrollRectToVisible(const Rect& rect, int margin)
{
    const QPoint corners[] = {{rect.left, rect.top}, {rect.right, rect.top}, {rect.left, rect.bottom},
                              {rect.right, rect.bottom}};
    return std::any_of(std::begin(corners), std::end(corners),
                       [&](QPoint p) { return ScrollPointToVisible(p, margin); });
}

bool MCScrollView::ScrollPointToVisible(QPoint pt, int margin)
{
    const QPoint dp = VPtoDP(pt);
    const Rect inner{m_rectContent.left + margin, m_rectContent.top + margin, m_rectContent.right - margin,
                     m_rectContent.bottom - margin};
    if (inner.Contains(dp))
        return false;
    auto beyond = [](int p, int low, int high) { return p >= high ? p - high : p < low ? p - low : 0; };
    const QPoint distance(beyond(dp.x(), inner.left, inner.right), beyond(dp.y(), inner.top, inner.bottom));
    const QPoint delta = scrollmath::DPtoLP(PreparedMapping(), distance + QPoint(m_rectContent.left, m_rectContent.top));
    if (ScrollBy(delta, true).isNull())
        return false;
    UpdateScrollBars();
    if (m_wFlags & kDragging)
        startAutoScroll();
    return true;
}

void MCScrollView::PerformScroll()
{
    const Mapping m = PreparedMapping();
    // Where the content moves on the device: a flipped view moves opposite to its y.
    const QPoint moved = scrollmath::LPtoDP(m, QPoint(m_sizePending.width(), m_sizePending.height())) -
                         scrollmath::LPtoDP(m, QPoint(0, 0));
    const QSize device(moved.x(), moved.y());
    const int cw = m_rectContent.Width(), ch = m_rectContent.Height();
    const bool full = m_offscreen.isNull() || (m_sizePending.width() != 0 && m_sizePending.height() != 0) ||
                      std::abs(device.width()) >= cw || std::abs(device.height()) >= ch;
    if (full) {
        m_rectInvalid = m_rectContent;
    } else {
        QRegion exposed;
        m_offscreen.scroll(-device.width(), -device.height(), m_offscreen.rect(), &exposed);
        const QRect strip = exposed.boundingRect();
        if (strip.isEmpty() || strip == m_offscreen.rect())
            m_rectInvalid = m_rectContent;
        else
            m_rectInvalid = scrollmath::Union(m_rectInvalid, Rect{strip.left(), strip.top(), strip.right() + 1,
                                                                  strip.bottom() + 1}
                                                                 .Offset({m_rectContent.left, m_rectContent.top}));
    }
    m_ptScroll += QPoint(m_sizePending.width(), m_sizePending.height());
    m_ptScroll = scrollmath::DPtoLP(m, scrollmath::LPtoDP(m, m_ptScroll));
    m_sizePending = QSize(0, 0);
    m_wFlags |= kNeedsDraw;
}

void MCScrollView::OnPreDraw(QPainter& painter)
{
    painter.fillRect(toQRect(VPtoLP(m_rectDraw)), palette().color(QPalette::Base));
}

void MCScrollView::OnPostPaint(QPainter& painter)
{
    if (m_rectDrag.IsEmpty() || m_nDragSelectStyle > 1)
        return;
    const QRect r = toQRect(scrollmath::Intersect(VPtoDP(m_rectDrag).Normalized(), m_rectContent));
    if (r.isEmpty())
        return;
    painter.save();
    painter.setClipRect(toQRect(m_rectContent));
    if (m_nDragSelectStyle == 0) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(r, Qt::white);
    }
    painter.restore();
}

void MCScrollView::paintEvent(QPaintEvent* event)
{
    if (event->rect().isEmpty() || m_rectContent.IsEmpty())
        return;
    if (!m_sizePending.isNull())
        PerformScroll();
    Rect area = m_rectContent;
    if (!m_rectInvalid.IsEmpty()) {
        area = scrollmath::Intersect(area, m_rectInvalid);
        m_rectInvalid = Rect{};
    }
    m_rectDraw = DPtoVP(area);
    if (m_offscreen.isNull()) {
        m_offscreen = QPixmap(m_rectContent.Width(), m_rectContent.Height());
        m_offscreen.fill(palette().color(QPalette::Base));
    }
    const Mapping m = PreparedMapping();
    if (m_wFlags & kNeedsDraw) {
        QPainter mem(&m_offscreen);
        // The pixmap's origin is the content's top-left, where the logical origin maps.
        QTransform t;
        t.translate(-m.windowOrg.x() * double(m.viewportExt.width()) / m.windowExt.width(),
                    -m.windowOrg.y() * double(m.viewportExt.height()) / m.windowExt.height());
        t.scale(double(m.viewportExt.width()) / m.windowExt.width(),
                double(m.viewportExt.height()) / m.windowExt.height());
        mem.setClipRect(toQRect(area.Offset({-m_rectContent.left, -m_rectContent.top})));
        mem.setTransform(t);
        OnPreDraw(mem);
        OnDraw(mem);
        m_wFlags &= ~kNeedsDraw;
        OnPostDraw(mem);
    }
    m_rectDraw = DPtoLP(m_rectContent);
    QPainter screen(this);
    screen.drawPixmap(m_rectContent.left, m_rectContent.top, m_offscreen);
    OnPostPaint(screen);
    m_rectDraw = Rect{};
}

void MCScrollView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (width() == 0 || height() == 0)
        return;
    const QWidget* frame = window();
    m_barSizeBox->setVisible(!(frame && frame->isMaximized()));
    TileViews(true);
}

void MCScrollView::OnHScroll(ScrollCode code, int pos)
{
    onScroll(true, code, pos);
}

void MCScrollView::OnVScroll(ScrollCode code, int pos)
{
    onScroll(false, code, pos);
}

void MCScrollView::onScroll(bool horizontal, ScrollCode code, int pos)
{
    QPoint pt = m_ptScroll;
    int& c = horizontal ? pt.rx() : pt.ry();
    const int line = horizontal ? m_sizeLine.width() : m_sizeLine.height();
    const int page = horizontal ? m_sizePage.width() : m_sizePage.height();
    switch (code) {
    case SB_LINEUP: c -= line; break;
    case SB_LINEDOWN: c += line; break;
    case SB_PAGEUP: c -= page; break;
    case SB_PAGEDOWN: c += page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        QScrollBar* bar = horizontal ? m_barHorz : m_barVert;
        const QSignalBlocker block(bar);
        bar->setSliderPosition(pos);
        GetScrollBarPos(pt, horizontal ? 1 : 2);
        break;
    }
    case SB_TOP: c = 0; break;
    case SB_BOTTOM: c = horizontal ? m_rectView.Width() : m_rectView.Height(); break;
    }
    ScrollTo(pt);
    UpdateScrollBars();
}

void MCScrollView::barAction(QScrollBar* bar, int action)
{
    const bool horizontal = bar == m_barHorz;
    // A flipped view's bar runs from its top, the view's coordinates downward.
    const bool down = !(!horizontal && IsFlipped());
    ScrollCode code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepSub: code = down ? SB_LINEUP : SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepAdd: code = down ? SB_LINEDOWN : SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepSub: code = down ? SB_PAGEUP : SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepAdd: code = down ? SB_PAGEDOWN : SB_PAGEUP; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    default: return;
    }
    const int pos = bar->sliderPosition();
    onScroll(horizontal, code, pos);
    // Qt applies its own step after this; the position is ours.
    bar->setSliderPosition(bar->value());
}

void MCScrollView::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Home:
        ScrollTo(QPoint(0, 0));
        UpdateScrollBars();
        break;
    case Qt::Key_End: {
        // The clamp in ScrollBy brings each coordinate to its limit; the request stays far
        // from overflowing however large the view.
        const int far = std::max(std::abs(m_rectView.Width()), std::abs(m_rectView.Height())) * 2 + 1;
        ScrollTo(QPoint(far, IsFlipped() ? 0 : far));
        UpdateScrollBars();
        break;
    }
    case Qt::Key_PageUp: OnVScroll(SB_PAGEUP, 0); break;
    case Qt::Key_PageDown: OnVScroll(SB_PAGEDOWN, 0); break;
    case Qt::Key_Left: OnHScroll(shift ? SB_PAGEUP : SB_LINEUP, 0); break;
    case Qt::Key_Right: OnHScroll(shift ? SB_PAGEDOWN : SB_LINEDOWN, 0); break;
    case Qt::Key_Up: OnVScroll(shift ? SB_PAGEUP : SB_LINEUP, 0); break;
    case Qt::Key_Down: OnVScroll(shift ? SB_PAGEDOWN : SB_LINEDOWN, 0); break;
    case Qt::Key_Escape:
        if (m_wFlags & kQuickScrolling)
            endQuickScroll();
        if (m_wFlags & kDragging)
            OnMouseDragEnd(Qt::NoModifier, QPoint(0, 0));
        event->accept();
        return;
    default: break;
    }
    if (key == m_nQuickScrollKey && (m_wFlags & kQuickScrollEnabled) && !(m_wFlags & kQuickScrollArmed) &&
        !(m_wFlags & kDragging) && m_rectContent.Contains(m_ptMouse)) {
        m_wFlags |= kQuickScrollArmed;
        UpdateCursor();
    }
    QWidget::keyPressEvent(event);
}

void MCScrollView::keyReleaseEvent(QKeyEvent* event)
{
    if (m_nQuickScrollKey != 0 && event->key() == m_nQuickScrollKey && !event->isAutoRepeat() &&
        (m_wFlags & kQuickScrollArmed))
        endQuickScroll();
    QWidget::keyReleaseEvent(event);
}

void MCScrollView::endQuickScroll()
{
    m_wFlags &= ~(kQuickScrolling | kQuickScrollArmed);
    UpdateCursor();
    releaseMouse();
}

int MCScrollView::GetMouseScrollLines()
{
    static const int lines = QApplication::wheelScrollLines();
    return lines;
}

void MCScrollView::wheelEvent(QWheelEvent* event)
{
    if (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) {
        event->ignore();
        return;
    }
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() != 0 ? angle.y() : angle.x();
    event->setAccepted(ScrollMouseWheel(delta));
}

bool MCScrollView::ScrollMouseWheel(int delta)
{
    const bool vertical = m_barVert->isEnabled();
    if (!vertical && !m_barHorz->isEnabled())
        return false;
    const int lines = GetMouseScrollLines();
    // What is left of earlier turns counts only along the same axis.
    if (m_wheelVertical != vertical)
        m_wheelRemainder = 0;
    m_wheelVertical = vertical;
    const int d = vertical ? scrollmath::WheelScrollAmount(delta, lines, m_sizeLine.height(), m_sizePage.height(),
                                                           true, IsFlipped(), m_wheelRemainder)
                           : scrollmath::WheelScrollAmount(delta, lines, m_sizeLine.width(), m_sizePage.width(),
                                                           false, false, m_wheelRemainder);
    const QPoint amount = ScrollBy(vertical ? QPoint(0, d) : QPoint(d, 0), true);
    const bool scrolled = vertical ? amount.y() != 0 : amount.x() != 0;
    if (scrolled)
        UpdateScrollBars();
    return scrolled;
}

void MCScrollView::UpdateCursor()
{
    if ((m_wFlags & kQuickScrollEnabled) && (m_wFlags & kQuickScrollArmed) && (m_wFlags & kCursorInContent))
        setCursor((m_wFlags & kQuickScrolling) ? m_hcurQuickActive : m_hcurQuickReady);
    else
        setCursor(m_hcurArrow);
}

void MCScrollView::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    const QPoint pt = event->position().toPoint();
    if (event->button() != Qt::LeftButton || !m_rectContent.Contains(pt)) {
        QWidget::mousePressEvent(event);
        return;
    }
    if (m_wFlags & kQuickScrollArmed) {
        grabMouse();
        m_ptQuickScroll = pt;
        m_wFlags |= kQuickScrolling;
        UpdateCursor();
    } else if (m_wFlags & kDragSelectEnabled) {
        OnMouseDragBegin(event->modifiers(), pt);
    } else {
        QWidget::mousePressEvent(event);
    }
}

bool MCScrollView::canStealFocus() const
{
    const QWidget* focus = QApplication::focusWidget();
    if (focus && (qobject_cast<const QLineEdit*>(focus) || qobject_cast<const QAbstractItemView*>(focus) ||
                  qobject_cast<const QComboBox*>(focus)))
        return false;
    return QApplication::activeWindow() != nullptr;
}

void MCScrollView::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint pt = event->position().toPoint();
    m_ptMouse = pt;
    const bool inside = m_rectContent.Contains(pt);
    if (inside != bool(m_wFlags & kCursorInContent)) {
        setFlag(kCursorInContent, inside);
        UpdateCursor();
    }
    if ((m_wFlags & kStealFocus) && canStealFocus())
        setFocus(Qt::MouseFocusReason);
    if (m_wFlags & kQuickScrolling) {
        const QPoint previous = DPtoVP(m_ptQuickScroll), now = DPtoVP(pt);
        m_ptQuickScroll = pt;
        if (!ScrollBy(previous - now, true).isNull())
            UpdateScrollBars();
        // Qt compresses queued moves into one, so no backlog builds up behind a slow repaint.
    } else if (m_wFlags & kDragging) {
        OnMouseDragContinue(event->modifiers(), pt);
    } else {
        QWidget::mouseMoveEvent(event);
    }
}

void MCScrollView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_wFlags & kQuickScrolling) {
        m_wFlags &= ~kQuickScrolling;
        UpdateCursor();
        releaseMouse();
    }
    if (m_wFlags & kDragging)
        OnMouseDragEnd(event->modifiers(), event->position().toPoint());
    QWidget::mouseReleaseEvent(event);
}

void MCScrollView::leaveEvent(QEvent* event)
{
    setFlag(kCursorInContent, false);
    m_ptMouse = QPoint(-1, -1);
    UpdateCursor();
    QWidget::leaveEvent(event);
}

void MCScrollView::OnMouseDragBegin(Qt::KeyboardModifiers, QPoint pt)
{
    grabMouse();
    m_wFlags |= kDragging;
    m_ptDragAnchor = DPtoVP(pt);
    m_ptDragLast = pt;
    m_rectDragPrev = m_rectDrag;
    m_rectDrag = Rect{m_ptDragAnchor.x(), m_ptDragAnchor.y(), m_ptDragAnchor.x(), m_ptDragAnchor.y()};
    DrawDragRect(!m_rectDragPrev.IsEmpty());
}

bool MCScrollView::UpdateDragRect(QPoint pt, bool draw)
{
    m_rectDragPrev = m_rectDrag;
    m_ptDragLast = pt;
    const QPoint p = DPtoVP(pt);
    const Rect spanned = Rect{m_ptDragAnchor.x(), m_ptDragAnchor.y(), p.x(), p.y()}.Normalized();
    // Clamped to the view, yet kept as a (possibly empty) rectangle where the pointer is.
    const Rect view = m_rectView.Normalized();
    m_rectDrag = {std::clamp(spanned.left, view.left, view.right), std::clamp(spanned.top, view.top, view.bottom),
                  std::clamp(spanned.right, view.left, view.right),
                  std::clamp(spanned.bottom, view.top, view.bottom)};
    if (!ScrollPointToVisible(p, kAutoScrollMargin) && draw)
        DrawDragRect(true);
    return true;
}

void MCScrollView::startAutoScroll()
{
    if (m_nDragTimer)
        return;
    m_nDragTimer = plat::ui::UiTimers::set(0, [this] {
        stopAutoScroll();
        UpdateDragRect(m_ptDragLast, true);
    });
}

void MCScrollView::stopAutoScroll()
{
    if (m_nDragTimer)
        plat::ui::UiTimers::kill(m_nDragTimer);
    m_nDragTimer = 0;
}

void MCScrollView::OnMouseDragEnd(Qt::KeyboardModifiers, QPoint)
{
    stopAutoScroll();
    releaseMouse();
    m_wFlags &= ~kDragging;
    if (m_wFlags & kClearDragOnEnd)
        ClearDragRect();
}

void MCScrollView::ClearDragRect()
{
    m_rectDragPrev = m_rectDrag;
    m_rectDrag = Rect{};
    DrawDragRect(!m_rectDragPrev.IsEmpty());
}

void MCScrollView::DrawDragRect(bool erasePrevious)
{
    // The outline is drawn over the offscreen picture at each paint, so showing a change
    // is repainting where the old and the new outlines lie.
    Rect area = VPtoDP(m_rectDrag).Normalized();
    if (erasePrevious)
        area = scrollmath::Union(area, VPtoDP(m_rectDragPrev).Normalized());
    area = scrollmath::Intersect(Rect{area.left - 1, area.top - 1, area.right + 1, area.bottom + 1}, m_rectContent);
    if (!area.IsEmpty())
        repaint(toQRect(area));
}
