#pragma once

#include <QWidget>

#include <vector>

class MCCheckList;
class QLabel;

// The element types a selection may take, as a check list with "&All" and "&None" and a count
// of the checked ones. Each type's choice is kept in a preference section, one value per type
// named by its display name, so the selection dialogs share one way of choosing types.
class CSelectTypeList : public QWidget {
public:
    static constexpr int kTypes = 1481, kCount = 1482, kAll = 1483, kNone = 1484;
    // The element ids a selection may take, in list order.
    static const std::vector<unsigned>& SelectableTypes();

    // Lists the types checked as stored under section.
    CSelectTypeList(const char* section, QWidget* parent);

    // Rebuilds the two type lists from the check marks (fromControls) or sets the marks and
    // the count from the selected list.
    void UpdateData(bool fromControls);
    void OnAll();
    void OnNone();
    // Moves a type from the unselected to the selected list.
    void Select(unsigned type);
    // Stores 1 for every selected and 0 for every unselected type.
    void Store() const;

    MCCheckList* GetList() const { return m_list; }
    const std::vector<unsigned>& GetSelected() const { return m_selected; }
    const std::vector<unsigned>& GetUnselected() const { return m_unselected; }

private:
    void setEvery(bool checked);
    void onCheckChanged();

    const char* m_section;
    MCCheckList* m_list;
    QLabel* m_count;
    std::vector<unsigned> m_selected;
    std::vector<unsigned> m_unselected;
    bool m_settingAll = false;
};
