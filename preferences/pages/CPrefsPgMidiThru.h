#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

class MCDeviceList;

// The "MIDI Thru" page of the sequencer sheet: where MIDI that comes in is played. It follows
// the record track or the selected track, or, with neither, the device and channel set here
// ("No change" keeps each message's own channel). Saving connects the thru at once.
class PREFERENCES_API CPrefsPgMidiThru : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgMidiThru)
public:
    static constexpr int kTemplate = 8550;
    static constexpr int kTest = 8555, kDevice = 8556, kChannel = 8557, kAutoSetRecord = 8558, kAutoSetSelect = 8559,
                         kDeviceLabel = 8560, kChannelLabel = 8561;
    static constexpr unsigned kTestDurationMs = 250;

    CPrefsPgMidiThru();

    void LoadPrefs() override;
    void SavePrefs() override;
    void onNotice(int id, int code, QWidget* control) override;
    void OnTest();

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    void OnAutoSet();

    bool m_attached = false;
    bool m_loading = false;
    int m_device = 0;
    int m_channel = 0;
    int m_autoSetRecord = 1;
    int m_autoSetSelect = 1;
};
