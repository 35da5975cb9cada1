#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

// How recorded MIDI input is quantized: which aspects (note starts, note durations, other
// data) move to the grid, by how much (percent), and the grid as one or two divisions of the
// quarter note. It edits "Sequencer\Midi\Record" and, on OK, announces the change (1600).
class INTERFACE_API MCQuantizationDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kStarts = 11803, kDurations = 11804, kOther = 11805, kPercent = 11806, kPrimary = 11807,
                         kSecondary = 11808;

    explicit MCQuantizationDlg(QWidget* parent = nullptr);

    bool QuantizationEnabled() const { return m_enabled; }
    int GetPrimaryDiv() const { return m_primary; }
    int GetSecondaryDiv() const { return m_secondary; }
    int GetQuantMode() const { return m_mode; }
    int GetQuantPercent() const { return m_percent; }

    void accept() override;

protected:
    void initDialog() override;
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    bool m_initialised = false;
    bool m_enabled = false;
    int m_starts = 0;
    int m_durations = 0;
    int m_other = 0;
    int m_primary = 4;
    int m_secondary = 3;
    int m_percent = 100;
    int m_mode = 0;
};
