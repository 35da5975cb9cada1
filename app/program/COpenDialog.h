#pragma once

#include <cstdint>
#include <string>
#include <vector>

class QWidget;

// The File Open dialog of the document manager: a file chooser run through the platform's
// chooser hook. The manager fills in the folder, the filter entries and the title before each
// run; flags ORed in stay set for later runs.
class COpenDialog {
public:
    static constexpr uint32_t kHideReadOnly = 0x0004;
    static constexpr uint32_t kOverwritePrompt = 0x0002;
    static constexpr uint32_t kAllowMultiSelect = 0x0200;
    static constexpr uint32_t kFileMustExist = 0x1000;

    // One filter entry: "Midi Files (*.mid; *.rmi)" and "*.mid;*.rmi".
    struct Filter {
        std::string description;
        std::string pattern;
    };

    COpenDialog();

    void SetParent(QWidget* parent) { m_parent = parent; }
    uint32_t GetFlags() const { return m_flags; }
    void AddFlags(uint32_t flags) { m_flags |= flags; }
    void SetTitle(const std::string& title) { m_title = title; }
    void SetInitialDir(const std::string& folder) { m_initialDir = folder; }
    // The folder a dialog starts in: the last one used when it is still there, else the
    // user's documents folder (the home folder when there is none).
    static std::string StartFolder(const std::string& lastUsed);
    void SetFilters(std::vector<Filter> filters) { m_filters = std::move(filters); }
    // 1-based position of the entry that is chosen when the dialog opens.
    void SetFilterIndex(int index) { m_filterIndex = index; }
    int GetFilterIndex() const { return m_filterIndex; }
    void SetDefExt(const std::string& extension) { m_defExt = extension; }
    const std::string& GetDefExt() const { return m_defExt; }

    // Runs the chooser; true when a file was chosen. The chosen entry becomes the one whose
    // pattern the file matches, the entry chosen before when it still does.
    bool DoModal();
    // The chosen paths, read from the start as the framework's dialog hands them out.
    const std::vector<std::string>& GetPathNames() const { return m_paths; }
    // The chooser's filter text: the chosen entry first, so that it is the one offered.
    std::string FilterText() const;

private:
    QWidget* m_parent = nullptr;
    uint32_t m_flags = kHideReadOnly | kOverwritePrompt;
    std::string m_title;
    std::string m_initialDir;
    std::string m_defExt;
    std::vector<Filter> m_filters;
    int m_filterIndex = 0;
    std::vector<std::string> m_paths;
};
