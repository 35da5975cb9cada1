#pragma once

#include "preferences/PreferencesExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

class MCNoteEdit;
class QComboBox;

// "Input Routing": how the notes that come in while recording are given to the tracks. One of
// seven configurations (omni, poly, two pitch splits, three guitar layouts), the split point of
// the pitch splits, the lowest channel of the guitar layouts, and whether notes of different
// input devices go apart.
class PREFERENCES_API CInputRoutingDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kTemplate = 8700;
    static constexpr int kUseDevice = 8701, kSplitPitch = 8702, kSplitLabel = 8703, kFirstConfiguration = 8705,
                         kLastConfiguration = 8711, kOk = 8712, kCancel = 8713, kLowChannelLabel = 8714,
                         kLowChannel = 8715;
    enum Configuration { omni, poly, pitchSplitA, pitchSplitB, guitarA, guitarB, guitarC };

    explicit CInputRoutingDlg(QWidget* parent = nullptr);

    int GetConfiguration() const { return m_configuration; }
    int GetSplitPitch() const { return m_splitPitch; }
    // The low channel's index, 0 to 15 (channel 1 to 16).
    int GetLowChannel() const { return m_lowChannel; }
    int GetIgnoreDevice() const { return m_ignoreDevice; }
    // Writes the four values (the low channel 1-based, as the recorder reads it).
    void SaveRouting() const;

    void accept() override;

protected:
    void initDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    bool UsesSplitPitch() const;
    void UpdateEnabling();
    void OnConfiguration();

    MCNoteEdit* m_note = nullptr;
    QComboBox* m_combo = nullptr;
    bool m_initialised = false;
    int m_configuration = 0;
    int m_splitPitch = 60;
    int m_lowChannel = 0;
    int m_ignoreDevice = 1;
};
