#pragma once

#include <QObject>
#include <QString>

class QWidget;

// Tool tips on the controls of a dialog, found by control id: a control shows the text of the
// string whose id is its own. A string that holds a line break is "prompt\ntip", and only the
// part after the first break is the tip. Texts of 80 characters or more are prompts, not tips,
// and show none; so does a control without a string. A control that sets its own tip keeps it.
class CDialogToolTips : public QObject {
public:
    // Gives dialog the tips; the filter lives as long as the dialog.
    static void Install(QWidget* dialog);

    // The tip of the control with that id; empty when it has none.
    static QString TextFor(int controlId);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CDialogToolTips(QWidget* dialog);

    QWidget* m_dialog;
};
