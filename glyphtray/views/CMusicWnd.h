#pragma once

#include "glyphtray/GlyphtrayExport.h"

#include "interface/views/MCCollapseWatch.h"
#include "interface/views/MCToolWnd.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QPoint>

#include <cstdint>
#include <functional>

class MCMusicPage;
class QLabel;
class QTabWidget;

// The music palette: a tool window, floating or docked at a side of the main frame, with the
// registered palette pages under tabs. The page commands (38960 and on, one per page in the
// registry's order) bring their page forward. The pages belong to their registrations: the
// palette borrows them and gives them back before it goes. With "Components\Glyphtray"
// "AutoCollapse" on, it shrinks to its caption 250 ms after the cursor leaves it and grows
// again when the mouse comes over it.
class GLYPHTRAY_API CMusicWnd : public MCToolWnd, public plat::ui::NoticeListener, public plat::ui::CommandTarget {
public:
    static constexpr int kDialogId = 4608;
    static constexpr uint32_t kFirstPageCommand = 38960;
    static constexpr uint32_t kLastPageCommand = 38999;
    static constexpr uint32_t kCollapseMs = MCCollapseWatch::kDelayMs;
    static constexpr const char* kSection = "Components\\Glyphtray";

    // The frame makes it with itself and its MDI client, which gets the window's system keys.
    CMusicWnd(QWidget* mainFrame, QWidget* client);
    ~CMusicWnd() override;

    bool InitToolLayout(QWidget* mainFrame, int id) override;
    void LoadPrefs(const char* section) override;
    void SavePrefs(const char* section) const override;
    QSize CalcFixedLayout(bool stretch, bool horizontal) const override;
    // Every state the frame hears goes on to the pages; a document opening or closing enables
    // or disables their symbols, and 1600 re-reads the auto-collapse preference.
    void OnUpdate(long hint, SCBase* state) override;

    // Takes the registered pages anew (in the registry's order).
    void UpdatePages();
    int PageCount() const;
    MCMusicPage* Page(int index) const;
    MCMusicPage* ActivePage() const;
    bool SetActivePage(int index);
    QTabWidget* Tabs() const { return m_tabs; }

    bool IsAutoCollapse() const { return m_autoCollapse; }
    bool IsCollapsed() const { return m_collapsed; }
    bool CollapseTimerRunning() const { return m_watch.IsRunning(); }
    void Collapse();
    void Expand();

    void onNotice(int id, int code, QWidget* control) override;
    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RemovePages();
    void ReadAutoCollapse();

    QTabWidget* m_tabs = nullptr;
    QLabel* m_empty = nullptr;
    bool m_autoCollapse = false;
    bool m_collapsed = false;
    MCCollapseWatch m_watch{*this, [this] { Collapse(); }};
};
