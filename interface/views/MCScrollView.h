#pragma once

#include "interface/InterfaceExport.h"
#include "interface/views/ScrollMath.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>

#include <cstdint>

class QPainter;
class QScrollBar;
class QSizeGrip;

// The base of the music views: it owns its two scroll bars and size grip, keeps its scroll
// position in view units (VP = LP + scroll position), renders through an offscreen pixmap of
// the content rectangle and scrolls by shifting that pixmap, so only the uncovered strip is
// drawn again. Scrolling is deferred: ScrollBy records the amount, the next paint moves the
// pixmap and the position. Input: keys, the wheel, quick scroll (hold a key and drag the
// content) and drag selection with auto-scroll near the edges.
//
// Spaces: DP device pixels of the widget; LP the logical space of the mapping OnPrepareDC
// makes (origin at the content rectangle's top-left); VP logical units from the origin of
// the whole view. A derived view sets its extents in OnPrepareDC after the base, draws
// m_rectDraw (VP) in OnDraw, and sets its view size and steps.
class INTERFACE_API MCScrollView : public QWidget {
public:
    using Rect = scrollmath::Rect;
    using Mapping = scrollmath::Mapping;

    enum Flag : uint16_t {
        kCreated = 1 << 0,
        kNeedsDraw = 1 << 1,
        kCursorInContent = 1 << 2,
        kQuickScrollEnabled = 1 << 3,
        kQuickScrollArmed = 1 << 4,
        kQuickScrolling = 1 << 5,
        kDragSelectEnabled = 1 << 6,
        kClearDragOnEnd = 1 << 7,
        kDragging = 1 << 8,
        kStealFocus = 1 << 9,
    };
    // Scroll-bar requests.
    enum ScrollCode { SB_LINEUP, SB_LINEDOWN, SB_PAGEUP, SB_PAGEDOWN, SB_THUMBPOSITION, SB_THUMBTRACK, SB_TOP, SB_BOTTOM };
    static constexpr int kBarRange = 32767;
    static constexpr int kAutoScrollMargin = 20;

    explicit MCScrollView(QWidget* parent = nullptr);
    ~MCScrollView() override;

    uint16_t Flags() const { return m_wFlags; }

    virtual QSize GetViewSize() const;
    virtual void SetViewSize(QSize size);
    virtual QSize GetLineScroll() const { return m_sizeLine; }
    virtual void SetLineScroll(QSize size) { m_sizeLine = size; }
    virtual QSize GetPageScroll() const { return m_sizePage; }
    virtual void SetPageScroll(QSize size) { m_sizePage = size; }
    virtual void EnableQuickScroll(bool enable) { setFlag(kQuickScrollEnabled, enable); }
    virtual void SetQuickScrollKey(int key) { m_nQuickScrollKey = key; }
    virtual void SetQuickScrollCursors(const QCursor& ready, const QCursor& active);
    virtual void EnableDragSelect(bool enable) { setFlag(kDragSelectEnabled, enable); }
    virtual void SetDragSelect(int style, bool clearOnEnd);
    virtual void SetDragSelectCursor(const QCursor& cursor) { m_hcurDragSelect = cursor; }
    virtual bool GetStealFocus() const { return m_wFlags & kStealFocus; }
    virtual void SetStealFocus(bool steal) { setFlag(kStealFocus, steal); }
    // Marks the content for drawing at the next paint; repaints nothing by itself.
    virtual void SetNeedsDraw(bool needs) { setFlag(kNeedsDraw, needs); }

    // Copies rectVP from the offscreen picture onto painter (in LP); a zero-width area is
    // widened to one device pixel.
    virtual void Refresh(QPainter& painter, const Rect& rectVP);

    // The mapping a paint would use now (OnPrepareDC applied).
    Mapping PreparedMapping() const;
    QPoint LPtoDP(QPoint p) const { return scrollmath::LPtoDP(PreparedMapping(), p); }
    QPoint DPtoLP(QPoint p) const { return scrollmath::DPtoLP(PreparedMapping(), p); }
    QPoint HMtoDP(QPoint p) const { return scrollmath::HMtoDP(PreparedMapping(), p); }
    QPoint DPtoHM(QPoint p) const { return scrollmath::DPtoHM(PreparedMapping(), p); }
    Rect LPtoDP(const Rect& r) const { return scrollmath::LPtoDP(PreparedMapping(), r); }
    Rect DPtoLP(const Rect& r) const { return scrollmath::DPtoLP(PreparedMapping(), r); }
    QPoint LPtoVP(QPoint p) const { return p + m_ptScroll; }
    QPoint VPtoLP(QPoint p) const { return p - m_ptScroll; }
    Rect LPtoVP(const Rect& r) const { return r.Offset(m_ptScroll); }
    Rect VPtoLP(const Rect& r) const { return r.Offset(-m_ptScroll); }
    QPoint DPtoVP(QPoint p) const { return LPtoVP(scrollmath::DPtoLP(PreparedMapping(), p)); }
    QPoint VPtoDP(QPoint p) const { return scrollmath::LPtoDP(PreparedMapping(), VPtoLP(p)); }
    Rect DPtoVP(const Rect& r) const { return LPtoVP(DPtoLP(r)); }
    Rect VPtoDP(const Rect& r) const { return LPtoDP(VPtoLP(r)); }
    QSize DPtoVP(QSize s) const { return scrollmath::DPtoLP(PreparedMapping(), s); }
    QSize VPtoDP(QSize s) const { return scrollmath::LPtoDP(PreparedMapping(), s); }

    virtual void UpdateScrollBars();
    // bar 1 horizontal, 2 vertical, anything else both.
    virtual void GetScrollBarPos(QPoint& pt, int bar) const;
    virtual void SetScrollBarPos(const QPoint& pt, int bar);
    virtual QPoint ScrollTo(QPoint pt);
    // Clamps delta to the view and rounds it to device pixels; with doScroll, records it for
    // the next paint and repaints at once. Answers the amount.
    virtual QPoint ScrollBy(QPoint delta, bool doScroll);
    // The scroll-bar form: a disabled bar's component is dropped; without doScroll answers
    // whether anything would scroll.
    bool OnScrollBy(QSize size, bool doScroll);
    virtual bool ScrollRectToVisible(const Rect& rect, int margin);
    virtual bool ScrollPointToVisible(QPoint pt, int margin);
    virtual bool IsFlipped() const { return PreparedMapping().IsFlipped(); }
    // Client rectangle in, content rectangle out; lays out where the bars go.
    virtual void CalcRects(Rect& rc);
    virtual void TileViews(bool);

    void OnHScroll(ScrollCode code, int pos);
    void OnVScroll(ScrollCode code, int pos);

    virtual void DrawDragRect(bool erasePrevious);
    virtual bool UpdateDragRect(QPoint pt, bool draw);
    virtual void ClearDragRect();
    virtual void OnMouseDragBegin(Qt::KeyboardModifiers, QPoint pt);
    virtual void OnMouseDragContinue(Qt::KeyboardModifiers, QPoint pt) { UpdateDragRect(pt, true); }
    virtual void OnMouseDragEnd(Qt::KeyboardModifiers, QPoint pt);
    virtual bool ScrollMouseWheel(int delta);
    virtual void UpdateCursor();
    // Lines a wheel notch scrolls, taken from the system once.
    static int GetMouseScrollLines();

    // State, for derived views and tests.
    QPoint ScrollPosition() const { return m_ptScroll; }
    QSize PendingScroll() const { return m_sizePending; }
    Rect ViewRect() const { return m_rectView; }
    Rect ContentRect() const { return m_rectContent; }
    Rect DragRect() const { return m_rectDrag; }
    bool AutoScrollRunning() const { return m_nDragTimer != 0; }
    QScrollBar* HorizontalBar() const { return m_barHorz; }
    QScrollBar* VerticalBar() const { return m_barVert; }

protected:
    // The base puts the logical origin at the content's top-left with 1:1 extents.
    virtual void OnPrepareDC(Mapping& mapping) const;
    // Draws m_rectDraw (VP) with the painter in LP.
    virtual void OnDraw(QPainter&) {}
    virtual void OnPreDraw(QPainter& painter);
    virtual void OnPostDraw(QPainter&) {}
    // On the widget itself, after the pixmap is shown: the drag rectangle.
    virtual void OnPostPaint(QPainter& painter);
    virtual void PerformScroll();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

    uint16_t m_wFlags = kNeedsDraw | kQuickScrollEnabled | kDragSelectEnabled | kClearDragOnEnd | kStealFocus;
    Rect m_rectView{0, 0, 100, 100};
    Rect m_rectContent;
    Rect m_rectDraw;
    Rect m_rectInvalid;
    QSize m_sizeLine{5, 5};
    QSize m_sizePage{50, 50};
    QPoint m_ptScroll{0, 0};
    QSize m_sizePending{0, 0};
    QCursor m_hcurArrow{Qt::ArrowCursor};
    int m_nQuickScrollKey = Qt::Key_Shift;
    QPoint m_ptQuickScroll{0, 0};
    QCursor m_hcurQuickReady{Qt::OpenHandCursor};
    QCursor m_hcurQuickActive{Qt::ClosedHandCursor};
    uint8_t m_nDragSelectStyle = 0;
    Rect m_rectDrag;
    Rect m_rectDragPrev;
    QPoint m_ptDragAnchor{0, 0};
    QPoint m_ptDragLast{0, 0};
    uint32_t m_nDragTimer = 0;
    QCursor m_hcurDragSelect{Qt::ArrowCursor};
    QPixmap m_offscreen;
    QScrollBar* m_barHorz = nullptr;
    QScrollBar* m_barVert = nullptr;
    QSizeGrip* m_barSizeBox = nullptr;

private:
    void setFlag(Flag flag, bool on) { m_wFlags = on ? (m_wFlags | flag) : (m_wFlags & ~flag); }
    void barAction(QScrollBar* bar, int action);
    void onScroll(bool horizontal, ScrollCode code, int pos);
    QPoint roundToDevice(QPoint vp) const;
    void endQuickScroll();
    void startAutoScroll();
    void stopAutoScroll();
    bool canStealFocus() const;
    QPoint m_ptMouse{-1, -1};
    // The part of the wheel's turns not scrolled yet, and along which axis.
    int m_wheelRemainder = 0;
    bool m_wheelVertical = true;
};
