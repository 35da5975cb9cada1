#pragma once

#include "interface/InterfaceExport.h"

#include <QAbstractButton>

// What the bitmap buttons share: the state shown when neither pressed nor disabled, the state
// a press leads to (shown while held), the disabled state, the modes and the style with the
// next-state rule, the pointer's hover, and the press, release and space-bar handling. The
// subclasses say how a state is drawn and how many states there are.
class INTERFACE_API MCBitmapButtonBase : public QAbstractButton {
public:
    // Modes (flags).
    static constexpr int HotTrack = 1;
    static constexpr int NotifyOnPress = 4;
    static constexpr int Framed = 8;
    // Styles.
    enum Style { Push = 0, Toggle = 1, Cycle = 2, Indicator = 3 };

    // The state a press leads to from state (-1: the current one) with count states.
    static int NextState(int style, int state, int count);

    explicit MCBitmapButtonBase(int initialMode, QWidget* parent = nullptr);

    virtual int GetStateCount() const = 0;

    virtual int GetButtonState() const { return m_state; }
    // Stores a state within 0..count-1, any other as 0, and answers the previous one; a change
    // repaints.
    virtual int SetButtonState(int state);
    virtual int GetDisabledState() const { return m_disabledState; }
    virtual int SetDisabledState(int state);
    virtual int GetButtonMode() const { return m_mode; }
    virtual int SetButtonMode(int mode);
    virtual int GetButtonStyle() const { return m_style; }
    virtual int SetButtonStyle(int style);
    virtual int GetButtonStateNext(int state = -1) const;

    // The state on screen: disabled, held (the next state) or the state.
    int CurrentShownState() const;
    int GetShownState() const { return m_shownState; }
    int GetNextState() const { return m_nextState; }
    bool IsHot() const { return m_hot; }

protected:
    // Whether the hover frame follows the pointer while the button is disabled.
    virtual bool HoverWhileDisabled() const { return false; }
    // Whether a space release commits the shown state with NotifyOnPress set (else without).
    virtual bool CommitSpaceWithNotifyOnPress() const { return true; }

    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

    int m_state = 0;
    int m_shownState = 0;
    int m_nextState = 1;
    int m_disabledState = 0;
    int m_mode;
    int m_style = Push;
    bool m_hot = false;

private:
    void setHot(bool hot);
};
