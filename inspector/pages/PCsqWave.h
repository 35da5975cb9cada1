#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCFieldStates.h"
#include "interface/pages/MCInspectorPage.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ControlNotice.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

class MCButton;
class MCTimeEdit;
class QLabel;
class QLineEdit;

// The page of wave clips: the file and its format, and the clip's start, duration and stop in
// the display of the wave view (bars and beats, or clock time). A new start or stop moves the
// clip; the play button plays the file the selected clips share.
class INSPECTOR_API PCsqWave : public MCInspectorPage, public plat::ui::NoticeListener {
    PLAT_DECLARE_DYNCREATE(PCsqWave)
public:
    enum : int { IDD = 4450, IDC_PATH = 4451, IDC_START = 4452, IDC_DURATION = 4453, IDC_STOP = 4454, IDC_FORMAT = 4455, IDC_PLAY = 4456 };
    enum FieldState : unsigned char {
        stateNone = MCFieldStates::stateNone,
        stateCommon = MCFieldStates::stateCommon,
        stateChanged = MCFieldStates::stateChanged,
        stateMixed = MCFieldStates::stateMixed,
    };
    // The wave view's hints: show clock times, show musical times.
    enum : long { kHintClockDisplay = 1911, kHintMusicalDisplay = 1912 };

    explicit PCsqWave(QWidget* parent = nullptr);
    // Stops what the page plays.
    ~PCsqWave() override;

    bool InitPage() override;
    void UpdatePage() override;
    void UpdateEvent(ECBase* event, MCCommandList& commands) override;
    void OnUpdate(long hint, plat::Object* object) override;
    void onNotice(int id, int code, QWidget* control) override;

    // Plays the file, or stops it when it plays.
    void OnPlay();
    int GetPlayingTag() const { return m_nPlayingTag; }
    int GetDisplayMode() const { return m_nDisplayMode; }
    FieldState GetPathState() const { return FieldState(m_fields.Get(fieldPath)); }
    FieldState GetStartState() const { return FieldState(m_fields.Get(fieldStart)); }
    FieldState GetStopState() const { return FieldState(m_fields.Get(fieldStop)); }
    FieldState GetDurationState() const { return FieldState(m_fields.Get(fieldDuration)); }
    FieldState GetFormatState() const { return FieldState(m_fields.Get(fieldFormat)); }

protected:
    void DoDataExchange(plat::ui::DataExchange& exchange) override;

private:
    enum Field : int { fieldPath, fieldStart, fieldDuration, fieldStop, fieldFormat, fieldCount };

    // What the media layer's end callback reaches: the page while it lives. The callback comes
    // on the player's thread; it only queues the end to the interface thread.
    struct PlayLink {
        std::mutex lock;
        PCsqWave* page = nullptr;
    };
    static void OnPlayDone(uintptr_t user, uintptr_t player);
    // The end of the play numbered serial, on the interface thread.
    void OnPlayEnd(int serial);
    void StopPlaying();
    void OnChangeStart();
    void OnChangeStop();
    // A score time in the display's mode, and back.
    MCTime ToDisplay(const MCTime& time) const;
    MCTime ToScore(const MCTime& time) const;
    void SetFormats();

    std::string m_strPath;
    std::string m_strFormat;
    MCTime m_start = MCTime::TimeZero();
    MCTime m_duration = MCTime::TimeZero();
    MCTime m_stop = MCTime::TimeZero();
    QLineEdit* m_editPath = nullptr;
    QLabel* m_labelFormat = nullptr;
    MCTimeEdit* m_editStart = nullptr;
    MCTimeEdit* m_editDuration = nullptr;
    MCTimeEdit* m_editStop = nullptr;
    MCButton* m_buttonPlay = nullptr;
    MCFieldStates m_fields;
    int m_nPlayingTag = 0;
    int m_nPlaySerial = 0;
    int m_nDisplayMode = 1;
    std::shared_ptr<PlayLink> m_link;
};
