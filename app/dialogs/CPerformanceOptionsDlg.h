#pragma once

#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ExchangeDialog.h"

class CSequence;
class ECPerformance;
class MCOpusDoc;

// The transport, loop, region and recording options of a document's sequence. OK refuses a
// region whose start and stop are the same, writes the options and regions to the sequence and
// keeps the recording defaults under "Sequencer\Shuttle". While the record region is off, its
// edits show the play region's times as they stand.
class CPerformanceOptionsDlg : public plat::ui::ExchangeDialog, public plat::ui::NoticeListener {
public:
    static constexpr int kAutoRewind = 1131, kLoop = 1132, kLoopSameTrack = 1133, kLoopMonitorAll = 1134,
                         kLoopMuteOld = 1135, kLeadIn = 1137, kLeadInCount = 1138, kLeadInLoop = 1139,
                         kReplace = 1140, kMerge = 1141, kRecordRegion = 1142, kPlayRegion = 1143,
                         kRecordBegin = 1144, kRecordEnd = 1145, kRecordStart = 1146, kRecordStop = 1147,
                         kPlayBegin = 1148, kPlayEnd = 1149, kPlayStart = 1150, kPlayStop = 1151, kReset = 1152,
                         kAutoStop = 1153;
    static constexpr int kOptionsCode = 3313;

    CPerformanceOptionsDlg(MCOpusDoc* doc, QWidget* parent = nullptr);

    // Runs the dialog modally; QDialog::Accepted when the options were applied.
    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    // One of the four switches that other controls depend on (id) was clicked.
    void OnSwitch(int id);
    void OnReset();
    void accept() override;
    void onNotice(int id, int code, QWidget* control) override;

    int GetLoopRecordMode() const { return m_loopRecordMode; }
    int GetLeadInCount() const { return m_leadInCount; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void refreshControls();
    // Switches the record region, its edits showing its own times or the play region's.
    void switchRecordRegion(int on);
    // The record edits show the times the play edits hold, while the record region is off.
    void showPlayTimesAsRecordTimes();
    void setRegionEdge(int id, MCTime& time, const MCTime& value);
    void write();

    MCOpusDoc* m_doc;
    ECPerformance* m_performance;
    CSequence* m_sequence;
    MCTime m_end;
    int m_autoRewind = 1;
    int m_autoStop = 1;
    int m_loop = 0;
    int m_playRegion = 0;
    MCTime m_playStart, m_playStop;
    int m_recordRegion = 0;
    MCTime m_recordStart, m_recordStop;
    int m_leadIn = 1;
    int m_leadInCount = 1;
    int m_leadInLoop = 0;
    // 0 merge, 1 replace.
    int m_recordMode = 0;
    // 0 a new track muting the old ones, 1 a new track monitoring all, 2 the same track.
    int m_loopRecordMode = 0;
};
