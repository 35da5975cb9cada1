#pragma once

#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/dialog/ExchangeDialog.h"

class ECPerformance;
class ECText;
class QListWidget;
class QSlider;

// Moves a performance's play position to a typed time, a slider position in whole beats or
// the time of a marker, rehearsal letter, text or cue point chosen from a list. The list's
// filters and the advanced (full-size) layout are remembered under "Settings\Goto".
class CGoToDlg : public plat::ui::ExchangeDialog, public plat::ui::NoticeListener {
public:
    static constexpr int kTime = 1057, kBegin = 1058, kSlider = 1059, kEnd = 1060, kMarkerList = 1062,
                         kShowMarkers = 1065, kShowRehearsal = 1066, kShowCue = 1067, kShowText = 1068,
                         kAdvanced = 160;
    static constexpr int kGotoCode = 1901;

    CGoToDlg(ECPerformance* performance, const MCTime& time, QWidget* parent = nullptr);
    ~CGoToDlg() override;

    // Runs the dialog modally; on OK the performance goes to the chosen time.
    static int Run(ECPerformance* performance, const MCTime& time, QWidget* parent = nullptr);

    void OnFilter();
    void OnMarker();
    void OnSlider(int beats);
    void OnTimeChange();
    void OnBegin();
    void OnEnd();
    void OnAdvanced();
    void accept() override;
    void onNotice(int id, int code, QWidget* control) override;

    MCTime GetTime() const { return m_time; }
    MCTime GetEnd() const { return m_end; }
    bool IsAdvanced() const { return m_advanced != 0; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void fillList();
    void applyAdvanced();
    void showTime(const MCTime& time);
    static int wholeBeats(const MCTime& time);

    ECPerformance* m_performance;
    MCTime m_time;
    MCTime m_end;
    int m_showMarkers;
    int m_showRehearsal;
    int m_showText;
    int m_showCue;
    int m_advanced;
    QListWidget* m_list = nullptr;
    QSlider* m_slider = nullptr;
    QWidget* m_advancedPart = nullptr;
};
