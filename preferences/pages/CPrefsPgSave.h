#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

// The "Save" page of the general sheet: backup copies, the prompt before saving in another
// format, automatic saving, and what MIDI files written from a document obey (mute and solo,
// filters, repeats; stored as the negated "Ignore" values the sequencer reads).
class PREFERENCES_API CPrefsPgSave : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgSave)
public:
    static constexpr int kTemplate = 8260;
    static constexpr int kBackup = 8261, kAutoSave = 8262, kPeriod = 8263, kAutoSaveNew = 8264, kPromptKvd = 8265,
                         kObeyTrackState = 8266, kObeyFilters = 8267, kObeyRepeats = 8268;
    // Minutes between automatic saves.
    static constexpr int kMinPeriod = 1, kMaxPeriod = 1440;

    CPrefsPgSave();

    void LoadPrefs() override;
    void SavePrefs() override;
    void OnAutoSave();

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    int m_backup = 1;
    int m_promptKvd = 1;
    int m_autoSave = 1;
    int m_period = 10;
    int m_autoSaveNew = 0;
    int m_obeyTrackState = 0;
    int m_obeyFilters = 1;
    int m_obeyRepeats = 1;
};
