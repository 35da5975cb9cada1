#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

class MCCheckList;
class MCDeviceList;

// The "MIDI In" page of the sequencer sheet: the kinds of MIDI data recorded (system exclusive
// is not offered), whether recording is quantized (set in the quantization dialog), the input
// device, and the input routing (set in its dialog). The two dialogs write their values as soon
// as they are confirmed, and announce the change themselves.
class PREFERENCES_API CPrefsPgMidiRecord : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgMidiRecord)
public:
    static constexpr int kTemplate = 8400;
    static constexpr int kFilter = 8401, kQuantization = 8402, kQuantizationState = 8403, kRouting = 8404,
                         kDevice = 8406;

    CPrefsPgMidiRecord();

    void LoadPrefs() override;
    void SavePrefs() override;

    void OnQuantization();
    void OnRouting();
    bool IsQuantizationEnabled() const { return m_quantization; }

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    MCCheckList* m_filter = nullptr;
    MCDeviceList* m_devices = nullptr;
    bool m_loading = false;
    bool m_quantization = false;
    int m_device = 0;
};
