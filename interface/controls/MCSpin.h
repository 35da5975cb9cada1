#pragma once

#include "interface/InterfaceExport.h"

#include <QWidget>

#include <cstdint>
#include <vector>

namespace plat::ui {
class NoticeListener;
}

// An up-down control: its arrows (and the up and down keys of its buddy) step its position
// within a range, wrapping at the ends or stopping there, and every step that moved it tells
// the buddy (notice 0x30A0). Held down, an arrow repeats and speeds up by the acceleration
// table: from 0 s one a step, from 2 s five, from 3 s ten, from 5 s fifty. Positions and
// ranges are 16-bit values. The repeats run on the interface's timer service.
class INTERFACE_API MCSpin : public QWidget {
public:
    static constexpr int kNotice = 0x30A0;
    // The delay before an arrow held down starts repeating, and the repeat interval.
    static constexpr uint32_t kRepeatDelayMs = 400;
    static constexpr uint32_t kRepeatMs = 100;

    struct Accel {
        int seconds;
        int step;
    };

    explicit MCSpin(QWidget* parent = nullptr);
    ~MCSpin() override;

    bool IsWrapAround() const { return m_wrap; }
    void SetWrapAround(bool wrap) { m_wrap = wrap; }
    void SetBuddy(QWidget* buddy, plat::ui::NoticeListener* listener);
    QWidget* GetBuddy() const { return m_buddy; }

    void SetRange(int lower, int upper);
    void GetRange(int& lower, int& upper) const;
    int GetPos() const { return m_position; }
    void SetPos(int position);
    void SetAccel(std::vector<Accel> table) { m_accel = std::move(table); }
    // The step an arrow held for ms takes.
    int StepAfter(uint32_t ms) const;

    // One change of delta, as an arrow gives it: wraps or stops at the ends; a change that
    // moved the position tells the buddy. Answers whether it moved.
    bool Step(int delta);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void startRepeat();
    void repeat();
    void stopRepeat();

    bool m_wrap = false;
    int m_lower = 0;
    int m_upper = 100;
    int m_position = 0;
    QWidget* m_buddy = nullptr;
    plat::ui::NoticeListener* m_listener = nullptr;
    std::vector<Accel> m_accel{{0, 1}};
    int m_heldDirection = 0;
    uint32_t m_heldSince = 0;
    uint32_t m_timer = 0;
};
