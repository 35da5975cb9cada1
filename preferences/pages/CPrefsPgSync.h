#pragma once

#include "preferences/PreferencesExport.h"

#include "preferences/pages/CPrefsPageBase.h"

// The "Sync" page of the sequencer sheet: the resolution in pulses per quarter note, how far
// ahead the music is prepared, and whether the program sends or follows a MIDI clock. A new
// resolution is stored for the whole program and every open document's bar positions are
// counted again in it.
class PREFERENCES_API CPrefsPgSync : public CPrefsPageBase {
    PLAT_DECLARE_DYNCREATE(CPrefsPgSync)
public:
    static constexpr int kTemplate = 8600;
    static constexpr int kPpq = 8552, kSyncNone = 8601, kSyncMaster = 8602, kSyncSlave = 8603, kShortResponse = 8604,
                         kLongResponse = 8605;
    static constexpr int kMinPpq = 10, kMaxPpq = 1000;

    CPrefsPgSync();

    void LoadPrefs() override;
    void SavePrefs() override;

    // Counts the bar positions of the meters of every open document again at the resolution in
    // force.
    static void RecalculateOpenDocuments();

protected:
    void OnInitDialog() override;
    void doDataExchange(plat::ui::DataExchange& dx) override;

private:
    int m_ppq = 0;
    int m_bufferMode = 0;
    int m_syncMode = 0;
};
