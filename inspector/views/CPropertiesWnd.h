#pragma once

#include "inspector/InspectorExport.h"

#include "interface/views/MCCollapseWatch.h"
#include "interface/views/MCToolWnd.h"
#include "notabase/model/MCEventList.h"

#include <QFont>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <memory>

class CInspector;
class ECBase;
class MCOpusDoc;
class QLabel;

// The inspector tool window: floats over the main frame and shows the properties of the active
// document's selection in its sheet, or a greyed message ("Nothing Selected", "Multiple
// Selection", "No Properties") when there is nothing to show. With auto-collapse on it shrinks
// to its caption 250 ms after the cursor leaves it and grows again when the mouse moves over it.
// Its position and auto-collapse are kept under "Components\Inspector".
class INSPECTOR_API CPropertiesWnd : public MCToolWnd {
public:
    static constexpr int kDialogId = 4096;
    static constexpr uint32_t kCollapseMs = MCCollapseWatch::kDelayMs;
    static constexpr int kShowingPages = 0x7FFFFFFF;
    enum Message : int { kNothingSelected = 0, kMultipleSelection = 1, kNoProperties = 2 };
    static constexpr unsigned kHelpContext = 0x21000;
    static constexpr const char* kSection = "Components\\Inspector";

    // The frame makes it with itself and its MDI client, which gets the window's system keys.
    CPropertiesWnd(QWidget* mainFrame, QWidget* owner);
    // Not yet laid out (InitToolLayout makes the sheet).
    CPropertiesWnd();
    ~CPropertiesWnd() override;

    CInspector* GetInspector() const { return m_sheet; }
    bool IsAutoCollapse() const { return (m_flags & kAutoCollapse) != 0; }
    bool IsCollapsed() const { return (m_flags & kCollapsed) != 0; }
    int GetShownState() const { return m_shown; }
    QString MessageText() const;
    bool IsMessageShown() const;
    const MCEventList& Selection() const { return m_selection; }
    bool CollapseTimerRunning() const { return m_watch.IsRunning(); }

    bool InitToolLayout(QWidget* parent, int id) override;
    void ShowProperties(MCEventList& selection);
    // Shows the active document's selection again (nothing without a document).
    void ShowActiveSelection();
    void HideProperties(int kind);
    void Collapse();
    void Expand();
    void SizeToFit(bool recalcFrame);
    // Applies the changes the pages hold to the elements they were made for: before the pages
    // leave them, and before their document is saved or closed. False when a value does not
    // validate: the user was told, and the pages keep what they were given.
    bool ApplyChanges();
    void OnUpdate(long hint, SCBase* state) override;

    QPoint GetDefaultPosition(const char* section) const override;
    void LoadPrefs(const char* section) override;
    void SavePrefs(const char* section) const override;
    int OnCommandHelp(unsigned helpId) override;
    unsigned OnHelpHitTest() const override;
    QSize CalcFixedLayout(bool stretch, bool horizontal) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr uint32_t kAutoCollapse = 1;
    static constexpr uint32_t kCollapsed = 2;

    void Construct();
    void SetCaption(const QString& caption);
    // Whether the pages show the elements of selection (the document's base element standing
    // for an empty one).
    bool ShowsElements(const MCEventList& selection, ECBase* base) const;
    void ReshowSelection(MCOpusDoc* doc);
    void ReadAutoCollapse();
    static bool IsRecordingFilterCommand(int id);

    uint32_t m_flags = 0;
    int m_shown = kNothingSelected;
    MCCollapseWatch m_watch{*this, [this] { Collapse(); }};
    MCEventList m_selection{10};
    CInspector* m_sheet = nullptr;
    QLabel* m_label = nullptr;
    QFont m_largeFont;
    QSize m_barSize;
    bool m_saved = false;
};
