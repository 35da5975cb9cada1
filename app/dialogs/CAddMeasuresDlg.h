#pragma once

#include "platform/ui/dialog/ExchangeDialog.h"

class MCOpusDoc;
class MCSpinEdit;
class QRadioButton;

// Adds bars before or after a bar or at the end of the piece, as one undoable step.
class CAddMeasuresDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kCount = 1401, kLocation = 1402, kMeasure = 1405;
    static constexpr int kMaxCount = 1000;

    explicit CAddMeasuresDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void accept() override;

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    int Location() const;
    void UpdateEnabling();
    // The bar number; a whole number past the last bar is taken too, and OK asks about it.
    void ExchangeMeasure(plat::ui::DataExchange& exchange);

    MCOpusDoc* m_doc;
    int m_measures = 0;
    int m_count = 1;
    int m_measure = 1;
    MCSpinEdit* m_countEdit;
    QRadioButton* m_locations[3];
    MCSpinEdit* m_measureEdit;
};
