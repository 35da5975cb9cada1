#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

#include <string>
#include <vector>

class CPluginView;
class MCCheckList;
class QComboBox;

// The "General" page of the general sheet: whether a new document is opened at start-up and
// from which template, the views a document opens in, following the music while it plays,
// playing notes as they are entered, and the undo depth.
class PREFERENCES_API CPrefsPgGeneral : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgGeneral)
public:
    static constexpr int kTemplate = 8248;
    static constexpr int kAutoNew = 8249, kTemplates = 8250, kViews = 8251, kFollowScore = 8253,
                         kPlayNotes = 8254, kUndoLevels = 8255;

    CPrefsPgGeneral();

    // The folder the templates are looked for in: "Templates" beside the program unless a test
    // names another; returns the one before.
    static std::string SetTemplateFolder(std::string folder);
    static std::string GetTemplateFolder();

    // The names of the template files ("*.KVT" in any case, backups holding "~" left out),
    // alphabetically; the user is told when there is none.
    void LoadTemplateNames();
    const std::vector<std::string>& GetTemplateNames() const { return m_names; }

    void LoadPrefs() override;
    void SavePrefs() override;

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    void OnAutoNew();

    QComboBox* m_templates = nullptr;
    MCCheckList* m_views = nullptr;
    std::vector<std::string> m_names;
    // The view of each row of the check list.
    std::vector<CPluginView*> m_viewRows;
    bool m_loading = false;
    int m_autoNew = 1;
    std::string m_template;
    int m_followScore = 1;
    int m_playNotes = 1;
    int m_undoLevels = 10;
};
