#pragma once

#include "notabase/states/MCFocusWnd.h"

#include <QPointer>
#include <QWidget>

// A dialog as the window a selection request gives the focus back to; it may be gone by then.
class CDialogFocusWnd : public MCFocusWnd {
public:
    explicit CDialogFocusWnd(QWidget* dialog) : m_dialog(dialog) {}

    bool IsWindow() const override { return !m_dialog.isNull(); }
    void SetFocus() override;

private:
    QPointer<QWidget> m_dialog;
};
