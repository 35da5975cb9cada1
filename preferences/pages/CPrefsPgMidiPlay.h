#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

class MCCheckList;
class MCDeviceList;
class QListWidget;

// The "MIDI Out" page of the sequencer sheet: the kinds of MIDI data played, thinning of
// controllers, pitch bend and aftertouch, muting tracks without notes, playing everything on the
// default device, and that device, with a test note and its properties.
class PREFERENCES_API CPrefsPgMidiPlay : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgMidiPlay)
public:
    static constexpr int kTemplate = 8300;
    static constexpr int kFilter = 8305, kThinControllers = 8306, kThinPitchBend = 8307, kThinAftertouch = 8308,
                         kAutoMute = 8309, kPlayDefault = 8310, kDevice = 8320, kProperties = 8321, kTest = 8555;
    static constexpr unsigned kTestDurationMs = 250;

    CPrefsPgMidiPlay();

    void LoadPrefs() override;
    void SavePrefs() override;
    void onNotice(int id, int code, QWidget* control) override;

    void OnSelectDevice();
    void OnTest();
    void OnProperties();
    int GetDevice() const { return m_device; }

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    MCCheckList* m_filter = nullptr;
    MCDeviceList* m_devices = nullptr;
    bool m_buttonLoaded = false;
    bool m_loading = false;
    int m_thinControllers = 0;
    int m_thinPitchBend = 0;
    int m_thinAftertouch = 0;
    int m_autoMute = 1;
    int m_playDefault = 0;
    int m_device = 0;
    // The device the list showed last, so that relabelling the list is no change of device.
    int m_shownDevice = -1;
};
