#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCButton.h"

#include <QPoint>

#include <cstdint>

// A bitmap button that repeats its command while it is held: the first repeat 100 ms after
// the press, then one every 25 ms, each only while the pointer is over the button; the
// ordinary click follows on release. The repeats run on the interface's timer service.
class INTERFACE_API MCFeedbackButton : public MCButton {
public:
    static constexpr uint32_t kFirstRepeatMs = 100;
    static constexpr uint32_t kRepeatMs = 25;

    explicit MCFeedbackButton(QWidget* parent = nullptr);
    ~MCFeedbackButton() override;

    bool IsHeld() const { return m_down; }
    bool IsFast() const { return m_fast; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void tick();
    void stopTimer();

    bool m_down = false;
    bool m_fast = false;
    uint32_t m_timer = 0;
    QPoint m_last;
};
