#pragma once

#include "preferences/PreferencesExport.h"

#include "platform/ui/dialog/PropertySheet.h"

#include <cstdint>
#include <string>

class MCPrefsPage;

// The modal sheet of one preference category (0 general, 1 sequencer, 2 devices, 3 notation):
// every page registered for it, made anew for each run, in the registry's order. Its caption is
// the category's title, and the page last active under that title comes back (section
// "Settings", the title as the value's name). OK and Apply announce that the preferences
// changed (state 1600, without a performance), so every document, view and tool window reads
// its settings again. The context menu lists the pages and makes the one picked active.
class PREFERENCES_API CPrefsWnd : public plat::ui::PropertySheet {
public:
    static constexpr uint32_t kOk = 1;
    static constexpr uint32_t kApply = 12321;
    // The context menu's page i sends kFirstPageCommand + i.
    static constexpr uint32_t kFirstPageCommand = 0x9400;
    static constexpr uint32_t kLastPageCommand = 0x9500;

    explicit CPrefsWnd(int category, QWidget* parent = nullptr);
    ~CPrefsWnd() override;

    int GetCategory() const { return m_category; }
    // The category's title, which also names the remembered page.
    const std::string& GetTitle() const { return m_title; }
    MCPrefsPage* GetPrefsPage(int index) const;

    // The sheet's commands: OK, Apply and the context menu's pages; false for any other.
    bool OnCommand(uint32_t id);

    void accept() override;
    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog();
    // Applies the sheet's pages; when they all saved, announces the change.
    bool ApplyAndAnnounce();

    int m_category;
    std::string m_title;
};
