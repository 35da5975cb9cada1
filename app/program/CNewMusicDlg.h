#pragma once

#include <QDialog>

#include <string>

class CTemplateListCtrl;

// The New Music Document dialog: the user picks the template a new document is made from.
// The template chosen last ("Settings\New" "Template") is selected when the dialog opens.
class CNewMusicDlg : public QDialog {
public:
    static constexpr int kListId = 305;

    explicit CNewMusicDlg(QWidget* parent = nullptr);

    // After OK: the template file, "<folder>/<name>.kvt".
    const std::string& GetTemplatePath() const { return m_templatePath; }
    const std::string& GetTemplateName() const { return m_templateName; }
    CTemplateListCtrl* List() const { return m_list; }

    void accept() override;

private:
    // From the list: the name and path of the selected template; false when none is selected.
    bool UpdateData();

    std::string m_folder;
    std::string m_templateName;
    std::string m_templatePath;
    CTemplateListCtrl* m_list;
};
