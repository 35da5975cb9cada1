#pragma once

#include "interface/InterfaceExport.h"

#include "interface/controls/MCSpin.h"

#include "platform/ui/dialog/ControlNotice.h"

#include <QLineEdit>

#include <optional>

// An edit for a whole number with its own spin: typing is filtered to digits, the point,
// backspace and (when the range goes below 0) the minus sign; every change tells the parent
// (0x30B0). It can show an indeterminate, empty value for a selection whose values differ;
// typing ends that. Text that is not a whole number within the range is not taken: the value
// stays what it was, and IsTextValid() tells a dialog to refuse it.
class INTERFACE_API MCSpinEdit : public QLineEdit, public plat::ui::NoticeListener {
public:
    static constexpr int kNotice = 0x30B0;
    // Options of InitWindow.
    static constexpr int kVisibleSpin = 1, kWrap = 2, kLargeFont = 4;

    explicit MCSpinEdit(QWidget* parent = nullptr);
    ~MCSpinEdit() override;

    virtual bool Create(QWidget* parent, int id, int options);
    // Takes the place of the item id of parent; false when there is none.
    virtual bool SubclassSpinEdit(int id, QWidget* parent, int options);
    virtual bool GetIndeterminate() const { return m_indeterminate; }
    virtual void SetIndeterminate(bool indeterminate);
    virtual int GetValue() const;
    virtual void SetValue(int value);
    virtual void GetRange(int& lower, int& upper) const;
    virtual void SetRange(int lower, int upper);
    // Shows value as the whole text, selected.
    virtual void OnSpin(int value);
    // Takes the typed value and tells the parent.
    virtual void OnChange();
    virtual void InitWindow(int options);

    // Whether the text is a whole number within the range (an indeterminate, empty text is).
    virtual bool IsTextValid() const;
    MCSpin& Spin() { return m_spin; }

    void onNotice(int id, int code, QWidget* control) override;

protected:
    // The text read strictly as a whole number; nothing for anything else.
    static std::optional<int> ParseInteger(const QString& text);
    void NotifyParent(int code);
    // Typing with the spin's arrow keys and the character filter.
    void keyPressEvent(QKeyEvent* event) override;
    // Enter and Escape belong to the dialog around the edit (its OK and Cancel): the edit
    // lets them pass after its own line-edit handling.
    static bool IsDialogKey(const QKeyEvent* event);
    void PassDialogKey(QKeyEvent* event);
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    // Whether character may be typed here.
    virtual bool AcceptsCharacter(QChar character) const;
    // After a typed character was taken (or refused) while indeterminate.
    virtual void AfterTyping(bool accepted);
    void placeSpin();
    // Draws the selection as selected, or as plain text while the edit has no focus.
    void ShowSelection(bool show);

    bool m_indeterminate = false;
    MCSpin m_spin;
};
