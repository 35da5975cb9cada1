#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/values/MCTime.h"

#include <QFileDialog>

#include <string>

class MCTimeEdit;
class QComboBox;

// Choosing a wave file to open, from the folder last used ("Settings\Open" "WaveDirectory").
// Extended, the dialog also asks where the audio goes: a track (1 to 8, the last chosen kept
// in "WaveTrack") and a time.
class INTERFACE_API MCWaveOpenDlg : public QFileDialog {
public:
    static constexpr int kTrack = 11761, kTime = 11762;
    // Context codes: a musical time, a clock time.
    static constexpr uint32_t kMusicalContext = 1912, kClockContext = 1911;

    // Extra flags of DoOpen: several files may be chosen.
    static constexpr uint32_t kMultiSelect = 0x200;

    explicit MCWaveOpenDlg(QWidget* parent = nullptr);

    // Runs the dialog; true when the user chose a file, which file then names. With several
    // files chosen, file holds their folder and then each name, each after a NUL.
    bool DoOpen(std::string& file, uint32_t extraFlags = 0, uint32_t context = kMusicalContext, uint32_t titleId = 0,
                bool extended = false);
    // 1-based.
    int GetTrack() const { return m_track + 1; }
    void SetTrack(int track) { m_track = track - 1; }
    MCTime GetTime() const { return m_time; }
    void SetTime(const MCTime& time) { m_time = time; }

    // The filter of a string "Description\npattern\n": the Qt form and the default suffix.
    static QString FilterOf(const std::string& entry, QString* suffix);

private:
    void extend(uint32_t context);
    void readControls();

    int m_track = -1;
    MCTime m_time = MCTime::TimeNull();
    bool m_initialised = false;
    bool m_extended = false;
    QComboBox* m_trackBox = nullptr;
    MCTimeEdit* m_timeEdit = nullptr;
};
