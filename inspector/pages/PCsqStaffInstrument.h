#pragma once

#include "inspector/InspectorExport.h"

#include "inspector/pages/CVoiceInfo.h"

#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <QString>

#include <array>
#include <cstdint>
#include <memory>

class CAuditionWnd;
class CChanBox;
class CPatchListCtrl;
class CSequence;
class ECEnvPoint;
class ECPerformance;
class MCButton;
class MCDeviceBox;
class MCMenuButton;
class MCProgramTree;
class MCTimeEdit;
class QComboBox;
class QLineEdit;
class QMenu;
class QPushButton;

// The first page of a selected staff: for each of its eight voices the playback device, the
// channel and the instrument (bank and program), which is heard at once when chosen, an
// audition keyboard, and the list of a voice's instrument changes over time. Apply turns the
// choices into one patch edit of the selected staves.
class INSPECTOR_API PCsqStaffInstrument : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqStaffInstrument)
public:
    enum : int {
        kDevice = 4311,
        kChannel = 4312,
        kPatchMenu = 4313,
        kTree = 4314,
        kFind = 4315,
        kList = 4316,
        kLine = 4317,
        kMenu = 4318,
        kNewPatch = 4320,
        kDeletePatch = 4321,
        kVoice = 4322,
        kPatchList = 4323,
        kTime = 4324,
    };
    // The display options menu.
    enum : int {
        kAudition = 36930,
        kDeviceProps = 36931,
        kShowProg = 36936,
        kShowBank = 36937,
        kGroupByType = 36938,
        kGroupByBank = 36939,
        kExpandAll = 36940,
    };
    // Flag bits.
    enum : uint8_t {
        flagAudition = 0x01,
        flagExpandAll = 0x02,
        flagExpandPending = 0x04,
        flagAdvanced = 0x08,
        flagNewPatch = 0x10,
        flagPatchSelected = 0x20,
        flagDisplaying = 0x40,
    };
    static constexpr int kAllVoices = 14;
    static constexpr int kNoTrack = 2046;

    PCsqStaffInstrument();
    ~PCsqStaffInstrument() override;

    void SetDocument(MCOpusDoc* document) override;
    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvents() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    QSize GetSize() override;
    bool OnQueryCancel() override;
    // The sheet let the page go: its audition window goes with it.
    void PostNcDestroy() override;
    void onNotice(int id, int code, QWidget* control) override;

    void SetAdvanced(bool advanced);
    // Shows the current voice's instrument in the tree and the audition window; with send,
    // the voice hears it too.
    void UpdateInstrument(bool send = false);
    // Shows the instrument a listed patch change selects, without marking the page changed.
    void ShowInstrument(ECEnvPoint* point);
    // Works out whether patch changes can be edited; with refill, the list is filled again.
    void UpdatePatchInfo(bool refill);
    // Selects the next (or with reverse the previous) visible instrument or group whose name
    // holds text; starts over from the top once.
    void SelectVoice(const QString& text, bool reverse, bool exact);
    void Audition(bool show);
    void Expand(bool expand);

    // The handlers of the controls and the display options.
    void OnChangeDevice();
    void OnChangeChannel();
    void OnChangeVoice();
    void OnUpdateFind();
    void OnChangeProgram();
    void OnPatchSelect();
    void OnChangeTime();
    void OnAudition();
    void OnDeviceProps();
    void OnShowProg();
    void OnShowBank();
    void OnDisplayStyle(int id);
    void OnExpand();
    void OnAdvanced();
    void OnPatchNew();
    void OnPatchDelete();
    void OnInitMenuPopup();
    void OnAuditionClose();

    uint8_t GetFlags() const { return m_flags; }
    int GetVoice() const { return m_voice; }
    int GetSharedTrack() const { return m_track; }
    const CVoiceInfo& GetVoiceInfo(int voice) const { return m_info[static_cast<size_t>(voice)]; }
    const CVoiceInfo& GetCurrentInfo() const { return *m_pInfo; }
    bool IsPatchEditAvailable() const { return m_bPatchEdit; }
    CAuditionWnd* GetAuditionWnd() const { return m_audition.get(); }
    QMenu* GetMenu() const { return m_menu.get(); }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnDestroy();
    // Keeps the display options and the audition choice, so that the page shows them again
    // the next time it is placed.
    void SaveOptions() const;
    // Whether a note or grace note of the voice lies anywhere on the shared track (tuplets
    // included).
    bool VoiceHasNotes(int voice) const;
    void SetFlag(uint8_t flag, bool on);
    bool HasFlag(uint8_t flag) const { return (m_flags & flag) != 0; }
    // The playback device shown when the record's is not known or the default is forced.
    static int DefaultDevice();
    static bool PlayDefaultDevice();
    // The device the channel colours and the audition use.
    int ShownDevice() const;
    // Fills the patch list with the current voice's changes (all voices' for "All").
    void FillPatchList();
    // The staff of the selection on the shared track; null when there is none.
    ECBase* SharedStaff() const;
    // The controls that choose the output, enabled or not (the device box stays off while
    // the default device is forced).
    void EnableOutputControls(bool enable);
    void RefreshAudition();

    uint8_t m_flags = 0;
    int m_voice = 0;
    int m_track = kNoTrack;
    MCTime m_time;
    std::array<CVoiceInfo, 8> m_info;
    CVoiceInfo* m_pInfo;
    std::unique_ptr<QMenu> m_menu;
    MCDeviceBox* m_deviceBox;
    CChanBox* m_chanBox;
    QComboBox* m_voiceBox;
    MCMenuButton* m_menuButton;
    MCProgramTree* m_tree;
    QLineEdit* m_find;
    QPushButton* m_listButton;
    QWidget* m_advancedPanel;
    MCTimeEdit* m_timeEdit;
    MCButton* m_newButton;
    MCButton* m_deleteButton;
    CPatchListCtrl* m_patchList;
    std::unique_ptr<CAuditionWnd> m_audition;
    CSequence* m_pSequence = nullptr;
    ECPerformance* m_pPerformance = nullptr;
    bool m_bPatchEdit = false;
    // Set while the page itself selects in the tree or the list, so that only the user's
    // choices count as changes.
    bool m_bLoading = false;
    // Set once the patch change being placed or edited was written during one Apply.
    bool m_bPatchWritten = false;
};
