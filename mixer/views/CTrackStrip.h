#pragma once

#include "mixer/MixerExport.h"

#include "platform/core/RefPtr.h"
#include "platform/ui/command/CommandTarget.h"
#include "platform/ui/dialog/ControlNotice.h"
#include "platform/ui/draw/ColorRef.h"

#include <QWidget>

#include <array>
#include <string>

class CLevelMeter;
class CTrackList;
class CTrackState;
class ECBase;
class ECPerformanceBase;
class MCDial;
class MCSlider;
class MCStaticEdit;

// One track's strip in the mixer: its name, its mute, solo and mode buttons and, by layout,
// its volume fader with a level meter (normal and full) and its pan, chorus, reverb and
// modulation knobs (full). Every change the user makes is applied at once to the track's
// performance as a synchronous track state (3400 to 3411), which the sequence hears and sends
// to the track's devices; the states that come back set the controls without echoing.
//
// A click selects the track (Ctrl adds or removes it) and may route MIDI thru to it; a
// selected strip's name can be edited, renamed in one undoable step. The strip keeps a
// reference on its track element, so a track removed from the piece stays safe to ask until
// the mixer rebuilds; its performance is looked up from the element each time.
class MIXER_API CTrackStrip : public QWidget, public plat::ui::NoticeListener, public plat::ui::CommandTarget {
public:
    enum : int {
        kName = 5150,
        kState = 5151,
        kVolume = 5155,
        kMeter = 5156,
        kPan = 5157,
        kChorus = 5158,
        kReverb = 5159,
        kModulation = 5160,
    };
    enum : uint32_t {
        kMuteCommand = 37120,
        kSoloCommand = 37121,
        kClearCommand = 37122,
        kSelectAllCommand = 37125,
        kResetAllCommand = 37126,
    };
    // Meter colours by mode and activity.
    static constexpr plat::ui::ColorRef kPlayColor = 0x00FF00;
    static constexpr plat::ui::ColorRef kRecordColor = 0x0000FF;
    static constexpr plat::ui::ColorRef kSilentColor = 0x7D7D7D;

    // A strip on the template of layout mode (0 mini, 1 normal, 2 full) in the list; its size
    // becomes the strip size of the mixer.
    CTrackStrip(CTrackList* list, int mode, QWidget* parent);
    ~CTrackStrip() override;

    // The size of the last strip made (66 x 117 before the first).
    static QSize GetStripSize();

    // Values and control positions. Volume 0..100 (the fader's top is 100), pan -64..63, the
    // others 0..127; a value out of range is held to it.
    static int VolumeFromSlider(double slider);
    static double SliderFromVolume(int volume);
    static int PanFromDial(double dial);
    static double DialFromPan(int pan);
    static int LevelFromDial(double dial);
    static double DialFromLevel(int level);
    // The meter's colour: play green and record red while active, grey while silent, black
    // for any other mode.
    static plat::ui::ColorRef MeterColor(int mode, bool active);

    int GetLayoutMode() const { return m_mode; }
    void SetTrackNumber(int track) { m_track = track; }
    int GetTrackNumber() const { return m_track; }
    void SetTrack(ECBase* element);
    ECBase* GetTrack() const { return m_element.get(); }
    // The performance above the track element, or null (no element, or one no longer in a piece).
    ECPerformanceBase* GetPerformance() const;
    void SetTrackName(const std::string& name);
    std::string GetTrackName() const;
    void SetSelected(bool selected);
    bool IsSelected() const { return m_selected; }

    // Each setter holds the value to its range and does nothing when its control is not on the
    // template.
    void SetVolume(int volume);
    void SetPan(int pan);
    void SetChorus(int chorus);
    void SetReverb(int reverb);
    void SetModulation(int modulation);
    int GetVolume() const { return m_values[0]; }
    int GetPan() const { return m_values[1]; }
    int GetChorus() const { return m_values[2]; }
    int GetReverb() const { return m_values[3]; }
    int GetModulation() const { return m_values[4]; }
    void SetMute(int mute);
    void SetSolo(int solo);
    void SetActive(int active);
    void SetMode(int mode);
    int IsMute() const;
    int IsSolo() const;
    int IsActive() const;
    int GetMode() const;
    void EnableModeButton(int enable);
    void SetMeterLevel(float level, bool redraw);
    void ResetMeter();

    // Applies a synchronous track state of the strip's track (a staff) to its performance.
    void SendTrackState(int code, int value);
    // The same for a change the user makes to the track's mix (volume, pan, a knob, mute, solo):
    // the track's data keeps it with the piece, so the active document is marked modified.
    void SendTrackChange(int code, int value);

    MCStaticEdit* NameEdit() const { return m_name; }
    CTrackState* TrackState() const { return m_state; }
    MCSlider* VolumeSlider() const { return m_volume; }
    // The dial of an item id (kPan .. kModulation), or null.
    MCDial* Dial(int id) const;
    CLevelMeter* Meter() const { return m_meter; }

    void onNotice(int id, int code, QWidget* control) override;
    bool onCommand(uint32_t id) override;
    bool onUpdateCommand(uint32_t id, plat::ui::CommandState& state) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    void CreateControls();
    void CreateDial(int id, uint32_t image, const char* colorName, plat::ui::ColorRef colorDefault, int mode,
                    int stickyAngle, int stickyValue);
    // Selection by a click: 1701, or with Ctrl 1702 / 1703.
    void Select(bool control);
    // Renames the track to the name field's text in one undoable step.
    void CommitTrackName();
    void ClearTrack();
    void SelectAll();
    void ResetAll();
    void RecolorMeter();

    CTrackList* m_list;
    int m_mode;
    MCStaticEdit* m_name = nullptr;
    CTrackState* m_state = nullptr;
    MCSlider* m_volume = nullptr;
    std::array<MCDial*, 4> m_dials{};
    CLevelMeter* m_meter = nullptr;
    bool m_selected = false;
    int m_track = 0;
    plat::RefPtr<ECBase> m_element;
    // Volume, pan, chorus, reverb and modulation as last set or sent.
    std::array<int, 5> m_values{100, 0, 0, 0, 0};
};
