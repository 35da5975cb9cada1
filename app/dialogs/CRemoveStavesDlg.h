#pragma once

#include "notabase/model/MCEventList.h"
#include "platform/ui/dialog/ExchangeDialog.h"

class MCOpusDoc;
class MCTrackCheckList;

// Removes the checked staves from the piece. It cannot be undone: the user is warned first and
// the undo history is cleared afterwards. One staff always stays.
class CRemoveStavesDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kList = 1291, kAll = 1292, kNone = 1293;

    // The selected staves start checked.
    explicit CRemoveStavesDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void OnAll() { checkAll(true); }
    void OnNone() { checkAll(false); }
    void accept() override;

    // The staves the last exchange from the controls collected.
    const MCEventList& GetStaves() const { return m_staves; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void checkAll(bool checked);

    MCOpusDoc* m_doc;
    MCTrackCheckList* m_list;
    MCEventList m_staves;
};
