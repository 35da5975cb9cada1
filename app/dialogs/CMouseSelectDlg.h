#pragma once

#include <QDialog>

#include <vector>

class MCCheckList;
class QLabel;

// Which element types a drag selection with the mouse takes. The choice is kept in the
// preferences, one value per type named by its display name; OK announces the current edit
// mode again so the views pick the new choice up.
class CMouseSelectDlg : public QDialog {
public:
    static constexpr int kTypes = 1481, kCount = 1482, kAll = 1483, kNone = 1484;
    // The element ids a selection may take, in list order.
    static const std::vector<unsigned>& SelectableTypes();

    explicit CMouseSelectDlg(QWidget* parent = nullptr);

    // Rebuilds the two type lists from the check marks (fromControls) or sets the marks and
    // the count from the selected list.
    void UpdateData(bool fromControls);
    void OnAll();
    void OnNone();
    void accept() override;

    const std::vector<unsigned>& GetSelected() const { return m_selected; }
    const std::vector<unsigned>& GetUnselected() const { return m_unselected; }

private:
    void setEvery(bool checked);
    void onCheckChanged();

    MCCheckList* m_list;
    QLabel* m_count;
    std::vector<unsigned> m_selected;
    std::vector<unsigned> m_unselected;
    bool m_settingAll = false;
};
