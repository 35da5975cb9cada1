#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

class QComboBox;

// The "WAV Audio" page of the sequencer sheet: the sound output and input with their formats
// (the input, when it matches the output or is of another rate, takes the output's format), the
// number of audio tracks (or the recommended number), and a test sound. The formats are set on
// the devices when saved; a test sets the output's format at once, and Cancel puts the one in
// use back.
class PREFERENCES_API CPrefsPgWaveAudio : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgWaveAudio)
public:
    static constexpr int kTemplate = 8570;
    static constexpr int kTest = 8571, kOutputDevice = 8572, kOutputFormat = 8573, kInputDevice = 8575,
                         kInputFormat = 8576, kMatch = 8577, kTrackCount = 8578, kAutomatic = 8579;
    // The format an empty choice reads as.
    static constexpr int kDefaultFormat = 9;

    CPrefsPgWaveAudio();

    void LoadPrefs() override;
    void SavePrefs() override;
    void onReset() override;
    void onNotice(int id, int code, QWidget* control) override;

    // The input formats offered: the output's rate group; the input takes the output's format
    // when matching or of another group.
    void FilterInputFormats();
    void OnOutputFormat();
    void OnAutomatic();
    void OnTest();

    int GetOutputFormat() const { return m_outputFormat; }
    int GetInputFormat() const { return m_inputFormat; }

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    static void ExchangeFormat(plat::ui::DataExchange& dx, int id, int& format);

    bool m_loading = false;
    int m_outputDevice = 0;
    int m_outputFormat = kDefaultFormat;
    int m_inputDevice = 0;
    int m_inputFormat = 8;
    int m_match = 1;
    int m_automatic = 1;
    int m_trackCount = 8;
    int m_recommended = 8;
    // As loaded (or last saved): the output format Cancel puts back, and the stored track count.
    int m_savedOutputFormat = kDefaultFormat;
    int m_savedTrackCount = 0;
};
