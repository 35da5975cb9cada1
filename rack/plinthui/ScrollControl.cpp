#include "rack/plinthui/ScrollControl.h"

#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/PlinthUi.h"
#include "rack/plinthui/PlinthUiStrings.h"
#include "rack/plinthui/ScrollScale.h"
#include "rack/plinthui/ScrollState.h"

#include "rack/plinthart/GraphicCache.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/draw/Pen.h"
#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/Window.h"

#include <algorithm>

namespace rack {

namespace {

using namespace plat::ui;

constexpr uint32_t kEventHelp = 77;
constexpr uint32_t kSignalHelp = 76;
constexpr size_t kMaxHelp = 93;

ScrollScale scaleOf(const ScrollState& s)
{
    return ScrollScale(s.width, s.endWidth, s.length);
}

int positionPixel(const ScrollState& s)
{
    return scaleOf(s).toPixel(s.position);
}

int endPixel(const ScrollState& s)
{
    return scaleOf(s).toPixel(s.end);
}

void report(const ScrollState& s, uintptr_t code, int32_t value)
{
    if (Window::isWindow(s.owner))
        s.owner->post(kScrollReport, code, value);
}

// The inverted columns that show where the range starts and ends.
void invertEdges(DrawContext& dc, const ScrollState& s, int left, int right)
{
    dc.invertRect(QRect(left, 0, s.endWidth, s.height));
    dc.invertRect(QRect(right, 0, s.endWidth, s.height));
}

void paintEndCaps(DrawContext& dc, const ScrollState& s)
{
    const Brush caps = Brush::solid(s.endCaps);
    dc.fillRect(QRect(0, 0, s.endWidth, s.height), caps);
    dc.fillRect(QRect(s.width - s.endWidth, 0, s.endWidth, s.height), caps);
}

void paintMarkers(DrawContext& dc, const ScrollState& s)
{
    if (s.length == 0)
        return;
    const ScrollScale scale = scaleOf(s);
    const Brush marker = Brush::solid(s.markerColor);
    for (const int32_t value : s.markers) {
        const int x = s.endWidth + scale.toPixel(value);
        dc.fillRect(QRect(x - 2, (s.height - 24) / 2, 4, 24), Brush::stock(StockBrush::black));
        dc.fillRect(QRect(x - 1, (s.height - 22) / 2, 2, 22), marker);
    }
}

void paintEvents(DrawContext& dc, const ScrollState& s)
{
    const ScrollScale scale = scaleOf(s);
    const Brush* green = GetGraphicBrush(kBrushGreen);
    if (!s.events.empty() && green) {
        const int row = std::max(1, s.height / int(s.events.size()));
        const int bar = std::max(1, row - (row > 2 ? 2 : 1));
        const int trackEnd = s.width - s.endWidth;
        for (size_t i = 0; i < s.events.size(); ++i) {
            const ScrollEvent& event = s.events[i];
            const int from = std::max(s.endWidth, s.endWidth + scale.toPixel(event.start));
            const int to = std::min(trackEnd, s.endWidth + scale.toPixel(int64_t(event.start) + event.length));
            if (to > from)
                dc.fillRect(QRect(from, int(i) * row, to - from, bar), *green);
        }
    }
    paintMarkers(dc, s);
}

void paintSignal(DrawContext& dc, const ScrollState& s)
{
    dc.fillRect(QRect(0, 0, s.width, s.height), Brush::solid(s.background));
    if (s.samples.empty()) {
        paintMarkers(dc, s);
        return;
    }
    const ScrollScale scale = scaleOf(s);
    if (s.selectionStart != s.selectionEnd) {
        const int from = s.endWidth + scale.toPixel(std::min(s.selectionStart, s.selectionEnd));
        const int to = s.endWidth + scale.toPixel(std::max(s.selectionStart, s.selectionEnd));
        dc.fillRect(QRect(from, 0, to - from, s.height), Brush::solid(s.selection));
    }
    const int centre = s.height / 2;
    const Brush trace = Brush::solid(s.signalPen);
    for (int i = 0; i < scale.track() && size_t(i) < s.samples.size(); ++i) {
        const int v = std::abs(int(s.samples[size_t(i)]));
        dc.fillRect(QRect(s.endWidth + i, centre - v, 1, 2 * v + 1), trace);
    }
    dc.setPen(Pen::solid(s.baselinePen));
    dc.moveTo(s.endWidth, centre);
    dc.lineTo(s.width - s.endWidth, centre);
    paintMarkers(dc, s);
}

void paint(Window* window, ScrollState& s)
{
    DrawContext dc = window->beginPaint();
    if (s.signal)
        paintSignal(dc, s);
    else
        paintEvents(dc, s);
    paintEndCaps(dc, s);
    if (s.hasEvents())
        invertEdges(dc, s, positionPixel(s), endPixel(s) + s.endWidth);
    s.previousLength = s.length;
    s.previousPosition = s.position;
    s.previousEnd = s.end;
}

void repaint(Window* window)
{
    window->invalidate();
    window->update();
}

// Edges drawn at the previous values are inverted back, then drawn at the current ones.
void redrawEdges(Window* window, ScrollState& s, bool eraseFirst)
{
    DrawContext dc = window->drawContext();
    if (eraseFirst) {
        dc.fillRect(QRect(0, 0, s.width, s.height), Brush::stock(StockBrush::black));
        paintEndCaps(dc, s);
    } else if (s.hasEvents()) {
        const ScrollScale before(s.width, s.endWidth, s.previousLength);
        invertEdges(dc, s, before.toPixel(s.previousPosition), before.toPixel(s.previousEnd) + s.endWidth);
    }
    if (s.hasEvents())
        invertEdges(dc, s, positionPixel(s), endPixel(s) + s.endWidth);
    s.previousLength = s.length;
    s.previousPosition = s.position;
    s.previousEnd = s.end;
}

intptr_t command(Window* window, ScrollState& s, uintptr_t wParam, intptr_t lParam)
{
    const int32_t value = int32_t(lParam);
    switch (loWord(wParam)) {
    case kScrollSetLength: s.length = std::max(0, value); return 0;
    case kScrollAddData:
        if (s.signal) {
            // The control keeps its own copy of the signal: one byte per track pixel.
            const auto* bytes = reinterpret_cast<const int8_t*>(lParam);
            const size_t count = bytes ? hiWord(wParam) : 0;
            s.samples.assign(bytes, bytes + count);
        } else if (const auto* record = reinterpret_cast<const int32_t*>(lParam)) {
            s.events.push_back(ScrollEvent{record[0], record[1], record[2]});
        }
        return 0;
    case kScrollEvents:
        if (s.signal)
            return 0;
        if (lParam != 0)
            repaint(window);
        else
            s.events.clear();
        return 0;
    case kScrollSetPosition: s.position = std::clamp(value, 0, s.length); return 0;
    case kScrollSetEnd: s.end = std::max(0, value); return 0;
    case kScrollSetSelectionStart:
        s.selectionStart = value;
        repaint(window);
        return 0;
    case kScrollSetSelectionEnd:
        s.selectionEnd = value;
        repaint(window);
        return 0;
    case kScrollAddMarker:
        if (s.markers.size() < ScrollState::kMaxMarkers && !std::binary_search(s.markers.begin(), s.markers.end(), value))
            s.markers.insert(std::lower_bound(s.markers.begin(), s.markers.end(), value), value);
        repaint(window);
        return 0;
    case kScrollRemoveMarker:
        if (value < 0)
            s.markers.clear();
        else
            std::erase(s.markers, value);
        repaint(window);
        return 0;
    case kScrollGetLength: return s.length;
    case kScrollGetPosition:
    case kScrollGetPosition2: return s.position;
    case kScrollGetEnd: return s.end;
    case kScrollGetEndWidth: return s.endWidth;
    case kScrollSetEndWidth:
        s.endWidth = std::max(0, value);
        repaint(window);
        return 0;
    case kScrollRedrawEdges: redrawEdges(window, s, !s.signal && lParam != 0); return 0;
    case kScrollBackgroundColor: s.background = ColorRef(lParam); return 0;
    case kScrollSignalColor: s.signalPen = ColorRef(lParam); return 0;
    case kScrollBaselineColor: s.baselinePen = ColorRef(lParam); return 0;
    case kScrollEndCapColor: s.endCaps = ColorRef(lParam); return 0;
    case kScrollSelectionColor: s.selection = ColorRef(lParam); return 0;
    case kScrollMarkerColor: s.markerColor = ColorRef(lParam); return 0;
    default: return 0;
    }
}

// Where a press at x lands.
int classify(const ScrollState& s, int x)
{
    const int left = positionPixel(s);
    const int right = endPixel(s) + s.endWidth;
    if (x < left)
        return x < s.endWidth ? kLeftEndCap : kStepBack;
    if (x < left + s.endWidth)
        return kDragLeftEdge;
    if (x < right)
        return kDragRange;
    if (x < right + s.endWidth)
        return kDragRightEdge;
    return x >= s.width - s.endWidth ? kRightEndCap : kStepForward;
}

void pressLeft(Window* window, ScrollState& s, int x)
{
    if (!s.hasEvents() || s.drag != kDragNone)
        return;
    if (ControlModule::instance().popup)
        ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    s.drag = classify(s, x);
    if (s.drag == kDragLeftEdge || s.drag == kDragRightEdge || s.drag == kDragRange) {
        s.lastX = x;
        s.moved = 0;
        s.leftEdge = positionPixel(s);
        s.rightEdge = endPixel(s) + s.endWidth;
        // The pointer stays over the track while it drags.
        const QPoint topLeft = window->clientToScreen(QPoint(0, 0));
        Cursor::clip(QRect(topLeft.x(), topLeft.y(), s.width, std::max(1, s.height)));
        Cursor::show(false);
        window->setCapture();
        return;
    }
    s.stepPressed = true;
    ControlModule& module = ControlModule::instance();
    module.pressedScrolls[s.signal ? 1 : 0] = window;
    module.echo.use(+1);
    window->setCapture();
}

void moveDrag(Window* window, ScrollState& s, int x)
{
    const int dx = x - s.lastX;
    if (dx == 0)
        return;
    s.lastX = x;
    const int trackEnd = s.width - s.endWidth;  // where the right edge's column may start at most
    int left = s.leftEdge, right = s.rightEdge;
    if (s.drag == kDragLeftEdge) {
        left = std::clamp(left + dx, 0, right - s.endWidth);
    } else if (s.drag == kDragRightEdge) {
        right = std::clamp(right + dx, left + s.endWidth, trackEnd);
    } else {
        const int shift = std::clamp(dx, -left, trackEnd - right);
        left += shift;
        right += shift;
    }
    if (left == s.leftEdge && right == s.rightEdge)
        return;
    s.moved += (left - s.leftEdge) + (right - s.rightEdge);
    {
        DrawContext dc = window->drawContext();
        invertEdges(dc, s, s.leftEdge, s.rightEdge);
        invertEdges(dc, s, left, right);
    }
    s.leftEdge = left;
    s.rightEdge = right;
    const ScrollScale scale = scaleOf(s);
    switch (s.drag) {
    case kDragLeftEdge: report(s, kReportLeftEdgeDragging, scale.toValue(left)); break;
    case kDragRightEdge:
        report(s, kReportRightEdgeDragging, std::min(scale.toValue(right - s.endWidth), s.length));
        break;
    default: report(s, kReportRangeDragging, scale.toValue(left)); break;
    }
}

void endDrag(Window* window, ScrollState& s)
{
    if (s.moved != 0) {
        const ScrollScale scale = scaleOf(s);
        const int32_t left = std::clamp(scale.toValue(s.leftEdge), 0, s.length);
        const int32_t right = std::clamp(scale.toValue(s.rightEdge - s.endWidth), 0, s.length);
        switch (s.drag) {
        case kDragLeftEdge:
            s.position = left;
            report(s, kReportLeftEdgeDone, s.position);
            break;
        case kDragRightEdge:
            s.end = right;
            report(s, kReportRightEdgeDone, s.position);
            break;
        default:
            s.end = right;
            s.position = left;
            report(s, kReportRangeDone, s.position);
            break;
        }
    }
    Cursor::clip(std::nullopt);
    Cursor::show(true);
    Window::releaseCapture();
    s.drag = kDragNone;
    s.leftEdge = s.rightEdge = -1;
    repaint(window);
}

void endStep(Window* window, ScrollState& s)
{
    s.stepPressed = false;
    s.drag = kDragNone;
    ControlModule& module = ControlModule::instance();
    if (module.pressedScrolls[s.signal ? 1 : 0] == window) {
        module.pressedScrolls[s.signal ? 1 : 0] = nullptr;
        module.echo.use(-1);
    }
    Window::releaseCapture();
}

void releaseLeft(Window* window, ScrollState& s)
{
    if (s.drag == kDragLeftEdge || s.drag == kDragRightEdge || s.drag == kDragRange)
        endDrag(window, s);
    else if (s.stepPressed)
        endStep(window, s);
}

void pressRight(Window* window, ScrollState& s)
{
    if (s.drag != kDragNone)
        return;
    std::string help = plinthUiString(s.signal ? kSignalHelp : kEventHelp);
    if (help.size() > kMaxHelp)
        help.resize(kMaxHelp);
    window->setCapture();
    s.drag = kHelpShown;
    ctl_ShowButtonInformation(window, 0, 0, reinterpret_cast<uintptr_t>(help.c_str()));
}

void releaseRight(ScrollState& s)
{
    if (s.drag != kHelpShown)
        return;
    ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    Window::releaseCapture();
    s.drag = kDragNone;
}

intptr_t create(Window* window, const CreateInfo& info, bool signal)
{
    auto s = std::make_shared<ScrollState>();
    s->owner = info.parent;
    s->signal = signal;
    const ColorRef color = info.createParam ? *static_cast<const ColorRef*>(info.createParam) : 0;
    s->background = s->signalPen = s->baselinePen = s->endCaps = s->selection = s->markerColor = color;
    s->width = info.rect.width();
    s->height = info.rect.height();
    window->setProperty(kScrollProperty, s);
    return 0;
}

void destroyed(Window* window, ScrollState& s)
{
    if (s.stepPressed)
        endStep(window, s);
    if (s.drag == kDragLeftEdge || s.drag == kDragRightEdge || s.drag == kDragRange) {
        Cursor::clip(std::nullopt);
        Cursor::show(true);
    }
    if (s.drag == kHelpShown)
        ctl_ShowButtonInformation(nullptr, 0, 0, 0);
    window->removeProperty(kScrollProperty);
}

}  // namespace

intptr_t ScrollControl::proc(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam, bool signal)
{
    if (message == kCreateMessage)
        return create(window, *reinterpret_cast<const CreateInfo*>(lParam), signal);
    const std::shared_ptr<ScrollState> state = window->property<ScrollState>(kScrollProperty);
    if (!state)
        return message == kPaintMessage ? 0 : defWindowProc(window, message, wParam, lParam);
    ScrollState& s = *state;
    switch (message) {
    case kPaintMessage: paint(window, s); return 0;
    case kSizeMessage:
        s.width = pointX(lParam);
        s.height = pointY(lParam);
        return 0;
    case kCommandMessage: return command(window, s, wParam, lParam);
    case kLeftButtonDownMessage: pressLeft(window, s, pointX(lParam)); return 0;
    case kMouseMoveMessage:
        if (s.drag == kDragLeftEdge || s.drag == kDragRightEdge || s.drag == kDragRange)
            moveDrag(window, s, pointX(lParam));
        return 0;
    case kLeftButtonUpMessage: releaseLeft(window, s); return 0;
    case kRightButtonDownMessage: pressRight(window, s); return 0;
    case kRightButtonUpMessage: releaseRight(s); return 0;
    case kDestroyMessage: destroyed(window, s); return 0;
    default: return defWindowProc(window, message, wParam, lParam);
    }
}

void ScrollControl::echoStep(Window* window)
{
    const std::shared_ptr<ScrollState> state = window->property<ScrollState>(kScrollProperty);
    if (!state || !state->stepPressed)
        return;
    ScrollState& s = *state;
    switch (s.drag) {
    case kLeftEndCap:
    case kStepBack:
        if (s.position > 0)
            report(s, s.drag == kLeftEndCap ? kReportStepLeftCap : kReportStepBack, s.position);
        break;
    case kRightEndCap:
    case kStepForward:
        if (s.position < s.length)
            report(s, s.drag == kRightEndCap ? kReportStepRightCap : kReportStepForward, s.position);
        break;
    default: break;
    }
}

intptr_t Win_ScrollEvent(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)
{
    return ScrollControl::proc(window, message, wParam, lParam, false);
}

intptr_t Win_ScrollSignal(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)
{
    return ScrollControl::proc(window, message, wParam, lParam, true);
}

}  // namespace rack
