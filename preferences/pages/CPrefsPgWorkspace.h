#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

#include <string>

class CMiniImage;
class ColorWellButton;
class QListWidget;

// The "Workspace" page of the general sheet: the picture behind the document windows (from the
// background library, with a preview), the selection and highlight colours, whether the music
// palette and the inspector roll up when the pointer leaves them, whether the inspector hides
// in insert mode, and "Reset Warnings", which shows again every warning the user silenced.
class PREFERENCES_API CPrefsPgWorkspace : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgWorkspace)
public:
    static constexpr int kTemplate = 8280;
    static constexpr int kImages = 8281, kPreview = 8282, kSelection = 8283, kHighlight = 8284,
                         kShrinkPalette = 8285, kShrinkInspector = 8286, kHideInspector = 8287,
                         kResetWarnings = 8288;
    // The first name string of the background library; the next ones follow it.
    static constexpr int kFirstImage = 0x6000;

    CPrefsPgWorkspace();

    // "<None>", then the names of the background library's pictures.
    void LoadImageNames();
    // The row of the list whose picture id is data; -1 when none.
    int IndexOfItem(int data) const;
    // The picture id of the row selected; -1 for "<None>" or no selection.
    int GetSelectedImage() const;
    // Selects the row of the picture and shows it in the preview.
    void SetSelectedImage(int id);
    void OnBackgroundImage();
    void OnColorChange();
    void OnChangeShrink();
    // Asks, then deletes the silenced warnings' settings; nothing else changes.
    void OnResetWarnings();

    void LoadPrefs() override;
    void SavePrefs() override;

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    // The preview shows the picture of the id (nothing for -1).
    void ShowImage(int id);

    QListWidget* m_list = nullptr;
    CMiniImage* m_preview = nullptr;
    ColorWellButton* m_selectionWell = nullptr;
    ColorWellButton* m_highlightWell = nullptr;
    std::string m_module = "Backdrape";
    int m_image = kFirstImage;
    int m_shrinkPalette = 0;
    int m_shrinkInspector = 0;
    int m_hideInspector = 1;
    bool m_loading = false;
};
