#pragma once

#include "inspector/InspectorExport.h"

#include "interface/document/CPluginInspector.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>

class CPropertiesWnd;
class CPropsEmpty;
class MCEventList;
class MCInspectorPage;
class QKeyEvent;
class SCBase;
class QPushButton;
class QTabWidget;

// The property sheet of the inspector: the pages the registry has for every element type of the
// selection, under tabs, with "Reset" and "Apply" below. The pages belong to the registry: the
// sheet only borrows them, swaps them only when the set of pages changes, and gives them back
// (unparented) before it goes. It remembers the page last active for each element type.
class INSPECTOR_API CInspector : public QWidget, public plat::ui::NoticeListener {
public:
    // The type of no page set (-1) and of a mixed selection (-2).
    static constexpr int kNoType = -1;
    static constexpr int kMixedType = -2;
    static constexpr int kPerformanceType = 44;

    explicit CInspector(QWidget* parent = nullptr, CPropertiesWnd* tool = nullptr);
    ~CInspector() override;

    // 0 when no page serves the selection, else 1. sameElements: the selection holds the
    // elements shown already, refreshed because they changed; a page holding changes the user
    // has not applied keeps them. Otherwise every page takes the elements' values and counts as
    // unchanged.
    int ShowProperties(MCEventList& selection, bool sameElements = false);
    // 0 no page, 1 the same pages (refreshed by the caller), 2 pages swapped.
    int ShowPages(MCEventList& selection);
    void HidePages();
    // The pages take their values from the elements again and count as unchanged.
    void ResetPages();
    void SizeToRect(QSize page);
    void SizeToPage(QWidget* page = nullptr);
    void SizeToPages();
    // Every state the tool window passes on; the pages hear it too.
    void OnUpdate(long hint, SCBase* state);

    QWidget* GetDefaultPage(int type) const;
    void SetDefaultPage(int type, QWidget* page);
    std::string GetActivePageChoice() const;
    // Activates the first page whose tab text is caption (case-sensitive), else the first page.
    void SetActivePageChoice(const std::string& caption);

    // The sheet's keys, seen before target (the control they go to; the focused one when null):
    // Ctrl+Tab/PgUp/PgDn switch pages, Alt with a page's mnemonic picks it, Enter applies,
    // Escape resets or hides; a control that claims Enter or Escape for itself keeps it. True
    // when taken.
    bool PreTranslateMessage(QKeyEvent* event, QWidget* target = nullptr);

    // Applies every changed page (stays on the first that does not validate). The changes of
    // several pages are one undo step, and the pages are refreshed from the elements once all
    // were applied.
    bool Apply();
    bool IsApplyEnabled() const;
    // Whether a page holds a change the user has not applied.
    bool HasChanges() const;
    bool IsRebuilding() const { return (m_flags & kRebuilding) != 0; }
    bool IsApplying() const { return (m_flags & kApplying) != 0; }
    // The elements changed while Apply runs: the pages are refreshed once it ends, the pages
    // left with changes that were not applied keeping them.
    void RefreshAfterApply() { m_flags |= kRefreshPending; }
    int GetCurrentType() const { return m_nType; }
    const CPluginInspector::PageList& Pages() const { return m_pages; }
    int PageCount() const;
    QWidget* Page(int index) const;
    QWidget* ActivePage() const;
    bool SetActivePage(int index);
    QString TabText(int index) const;
    QTabWidget* Tabs() const { return m_tabs; }
    QPushButton* ApplyButton() const { return m_apply; }
    QPushButton* ResetButton() const { return m_reset; }
    CPropsEmpty* EmptyPage() const { return m_empty.get(); }
    int OnCommandHelp(int helpId);
    int OnHelpHitTest() const;

    void onNotice(int id, int code, QWidget* control) override;

private:
    static constexpr uint32_t kRebuilding = 1;
    static constexpr uint32_t kApplying = 2;
    static constexpr uint32_t kRefreshPending = 4;

    static MCInspectorPage* AsPage(QWidget* widget);
    // Whether the control takes the key itself: it accepts the key as a shortcut override.
    static bool ControlTakesKey(QWidget* control, const QKeyEvent* event);
    void RemoveAllPages();
    void AddPage(QWidget* page);
    void OnCurrentChanged(int index);
    void UpdateApply();

    uint32_t m_flags = 0;
    int m_nType = kNoType;
    std::unique_ptr<CPropsEmpty> m_empty;
    CPluginInspector::PageList m_pages;
    std::unordered_map<int, QPointer<QWidget>> m_defaults;
    CPropertiesWnd* m_tool;
    QTabWidget* m_tabs;
    QPushButton* m_reset;
    QPushButton* m_apply;
    QPointer<QWidget> m_current;
    // Pages refreshed while another was active: their controls take the values when shown.
    std::unordered_set<QWidget*> m_behind;
};
