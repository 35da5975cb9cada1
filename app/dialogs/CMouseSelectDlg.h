#pragma once

#include "app/dialogs/CSelectTypeList.h"

#include <QDialog>

#include <vector>

// Which element types a drag selection with the mouse takes. The choice is kept in the
// preferences, one value per type named by its display name; OK announces the current edit
// mode again so the views pick the new choice up.
class CMouseSelectDlg : public QDialog {
public:
    static constexpr int kTypes = CSelectTypeList::kTypes, kCount = CSelectTypeList::kCount,
                         kAll = CSelectTypeList::kAll, kNone = CSelectTypeList::kNone;
    static const std::vector<unsigned>& SelectableTypes() { return CSelectTypeList::SelectableTypes(); }

    explicit CMouseSelectDlg(QWidget* parent = nullptr);

    void UpdateData(bool fromControls) { m_types->UpdateData(fromControls); }
    void OnAll() { m_types->OnAll(); }
    void OnNone() { m_types->OnNone(); }
    void accept() override;

    const std::vector<unsigned>& GetSelected() const { return m_types->GetSelected(); }
    const std::vector<unsigned>& GetUnselected() const { return m_types->GetUnselected(); }

private:
    CSelectTypeList* m_types;
};
