#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QDialog>

#include <string>
#include <vector>

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace plat::ui {

class PropertyPage;

// Pages under tabs with OK, Cancel and Apply. Apply is enabled while a page is changed; it
// saves every page that was shown (staying on the first that fails validation) and applies
// them all. OK applies and closes; Cancel resets every page and closes. Shown with show(),
// the sheet is modeless and OK only hides it.
class PLATUI_API PropertySheet : public QDialog {
public:
    explicit PropertySheet(const std::string& caption, QWidget* parent = nullptr);

    // Adds a page, owned by the sheet.
    void addPage(PropertyPage* page, const std::string& title);
    int pageCount() const;
    PropertyPage* page(int index) const;
    PropertyPage* activePage() const;
    // Leaves the current page (which must save cleanly) and makes index current.
    bool setActivePage(int index);

    // True when every page saved and applied.
    bool apply();
    QPushButton* applyButton() const { return m_apply; }

    void accept() override;
    void reject() override;

private:
    void pageChanged();
    void updateApply();

    QTabWidget* m_tabs;
    QDialogButtonBox* m_buttons;
    QPushButton* m_apply;
    std::vector<PropertyPage*> m_pages;
    int m_current = -1;
    bool m_switching = false;
};

}  // namespace plat::ui
