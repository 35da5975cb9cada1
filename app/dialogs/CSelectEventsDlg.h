#pragma once

#include "app/dialogs/CSelectTypeList.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ExchangeDialog.h"

#include <vector>

class ECPerformance;
class MCOpusDoc;
class MCTrackCheckList;

// Replaces a document's selection with the elements of the chosen types, found in the whole
// piece or only among the selected elements. Its advanced part narrows the search to checked
// tracks, a time range and a range of voices. The types are remembered under
// "Settings\Select\Events", whether the advanced part shows under "Settings\Select".
class CSelectEventsDlg : public plat::ui::ExchangeDialog {
public:
    static constexpr int kTypes = CSelectTypeList::kTypes, kCount = CSelectTypeList::kCount,
                         kAll = CSelectTypeList::kAll, kNone = CSelectTypeList::kNone, kFilterTrack = 1486,
                         kTracks = 1487, kFilterTime = 1488, kBegin = 1489, kFrom = 1490, kTo = 1491, kEnd = 1492,
                         kFilterVoice = 1493, kVoiceFrom = 1494, kVoiceTo = 1495, kOnlySelection = 1496,
                         kAdvanced = 160;

    CSelectEventsDlg(MCOpusDoc* doc, QWidget* parent = nullptr);
    ~CSelectEventsDlg() override;

    // Runs the dialog modally for the document; OK selects what it found.
    static int Run(MCOpusDoc* doc, QWidget* parent = nullptr);

    void OnAdvanced();
    void OnBegin();
    void OnEnd();
    // Enables the filters' controls as their check boxes and the advanced part say.
    void UpdateEnabling();
    void accept() override;

    bool IsAdvanced() const { return m_advanced != 0; }
    const std::vector<unsigned>& GetSelected() const;
    const std::vector<unsigned>& GetTracks() const { return m_tracks; }
    const std::vector<unsigned>& GetVoices() const { return m_voices; }
    MCTime GetFrom() const { return m_from; }
    MCTime GetTo() const { return m_to; }

protected:
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void applyAdvanced();
    // Selects what the filters find; with no type chosen, clears the selection.
    void select();

    MCOpusDoc* m_doc;
    ECPerformance* m_performance;
    CSelectTypeList* m_types = nullptr;
    MCTrackCheckList* m_trackList = nullptr;
    QWidget* m_advancedPart = nullptr;
    MCTime m_end;
    MCTime m_from;
    MCTime m_to;
    int m_filterTrack = 0;
    int m_filterTime = 0;
    int m_filterVoice = 0;
    int m_onlySelection = 0;
    int m_voiceFrom = 0;
    int m_voiceTo = 7;
    int m_advanced;
    std::vector<unsigned> m_tracks;
    std::vector<unsigned> m_voices;
};
