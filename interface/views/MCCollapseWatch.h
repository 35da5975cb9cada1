#pragma once

#include "interface/InterfaceExport.h"

#include <QPoint>

#include <cstdint>
#include <functional>

class QWidget;

// The cursor watch of a tool window that shrinks to its caption: while it runs it looks where
// the cursor is every kDelayMs, and once the cursor has stayed outside the window that long it
// asks the window to collapse. The timer runs on the interface's clock, so tests drive it.
class INTERFACE_API MCCollapseWatch {
public:
    static constexpr uint32_t kDelayMs = 250;

    // Where the cursor is (screen coordinates); tests put it where they need it.
    using CursorSource = std::function<QPoint()>;
    static CursorSource SetCursorSource(CursorSource source);

    MCCollapseWatch(QWidget& window, std::function<void()> collapse);
    ~MCCollapseWatch();
    MCCollapseWatch(const MCCollapseWatch&) = delete;
    MCCollapseWatch& operator=(const MCCollapseWatch&) = delete;

    void Start();
    void Stop();
    bool IsRunning() const { return m_timer != 0; }
    // Whether the cursor has been outside the window for the whole delay.
    bool OutsideLongEnough() const;
    // One look at the cursor.
    void OnTimer();

private:
    static CursorSource& cursorSource();

    QWidget& m_window;
    std::function<void()> m_collapse;
    uint32_t m_timer = 0;
    // When the cursor was first seen outside (valid while m_outside).
    uint32_t m_outsideSince = 0;
    bool m_outside = false;
};
