#pragma once

#include <QDialog>

class ECPerformance;
class QListWidget;

// The undo stack of a performance, the latest step first and "< Start >" last: choosing an
// entry undoes or redoes up to it; the stack can be cleared.
class CUndoHistoryDlg : public QDialog {
public:
    static constexpr int kList = 1452, kClear = 1451;

    explicit CUndoHistoryDlg(ECPerformance* performance, QWidget* parent = nullptr);

    // Moves the undo position to the selected entry.
    void OnChoose();
    void OnClear();
    void accept() override;
    // The entry chosen: the number of steps undone.
    int GetIndex() const { return m_index; }

private:
    void fillList();

    ECPerformance* m_performance;
    QListWidget* m_list;
    int m_index = 0;
};
