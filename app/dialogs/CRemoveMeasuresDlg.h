#pragma once

#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ExchangeDialog.h"

class ECConductor;
class ECPerformance;
class MCOpusDoc;
class MCSpinEdit;

// Removes a run of bars from the piece. It cannot be undone: the user is warned first, the
// undo history is cleared afterwards, and the last bar is never removed.
class CRemoveMeasuresDlg : public plat::ui::ExchangeDialog, public plat::ui::NoticeListener {
public:
    static constexpr int kCount = 1421, kFrom = 1422, kTo = 1423, kGotoBegin = 1424, kGotoEnd = 1425;

    // The range starts as the selected bars (the whole piece when none is selected).
    explicit CRemoveMeasuresDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void OnGotoBegin();
    void OnGotoEnd();
    void accept() override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetCount() const { return m_count; }
    int GetFrom() const { return m_from; }
    int GetTo() const { return m_to; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    // The first and last selected bars.
    void rangeFromSelection();
    // A new count moves the end of the range.
    void countChanged();
    // A new start past the end moves the end; then as rangeChanged.
    void fromChanged();
    // A new start or end gives the count.
    void rangeChanged();

    MCOpusDoc* m_doc;
    ECPerformance* m_performance = nullptr;
    ECConductor* m_conductor = nullptr;
    int m_measures = 0;
    int m_count = 1;
    int m_from = 1;
    int m_to = 1;
    bool m_initialised = false;
    MCSpinEdit* m_countEdit;
    MCSpinEdit* m_fromEdit;
    MCSpinEdit* m_toEdit;
};
