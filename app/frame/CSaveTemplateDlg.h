#pragma once

#include <QDialog>

#include <string>

class CTemplateListCtrl;
class QLineEdit;

// The Save As Template dialog: the user names the template the active document is saved as,
// beside the templates already there; a name in use is refused, never overwritten.
class CSaveTemplateDlg : public QDialog {
public:
    static constexpr int kNameId = 381;
    static constexpr int kListId = 382;

    // folder: where the templates are; empty, the program's "Templates".
    explicit CSaveTemplateDlg(QWidget* parent = nullptr, const std::string& folder = {});

    // After OK: the file to write, "<folder>/<name>.kvt".
    const std::string& GetTemplatePath() const { return m_templatePath; }
    const std::string& GetTemplateName() const { return m_templateName; }

    void accept() override;

private:
    // From the controls: the name and the path; false when the name cannot name a template.
    bool UpdateData();
    // Whether a template of that name is there, in whatever letter case its file is written.
    bool TemplateExists(const std::string& name) const;
    void OnListClick();
    void FocusName();

    std::string m_folder;
    std::string m_templateName;
    std::string m_templatePath;
    QLineEdit* m_name;
    CTemplateListCtrl* m_list;
};
