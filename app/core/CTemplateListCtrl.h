#pragma once

#include <QListWidget>

#include <string>

// The music templates of a folder by name (the file title without ".kvt"), each with the
// template picture; backup copies, whose names begin with "~", are left out.
class CTemplateListCtrl : public QListWidget {
public:
    explicit CTemplateListCtrl(QWidget* parent = nullptr);

    void SetFolder(const std::string& folder) { m_folder = folder; }
    const std::string& GetFolder() const { return m_folder; }

    // Lists the templates of the folder (the program's "Templates" when none is set); tells the
    // user when there are none.
    void FillTemplates();
    // The name of the selected template; 0 (and an empty name) when none is selected.
    int GetSelectedTemplate(std::string& name) const;
    // Selects the template of exactly that name and brings it into view; 0 when it is not listed.
    int SelectTemplate(const std::string& name);

private:
    std::string m_folder;
};
