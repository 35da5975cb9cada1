#pragma once

#include "mixer/MixerExport.h"

#include "platform/ui/dialog/ControlNotice.h"

#include <QWidget>

#include <array>
#include <functional>
#include <string>

class CLevelMeter;
class CSequence;
class MCButton;
class MCButton2;
class MCSlider;
class MCStaticEdit;
class SCMaster;

// The right-hand part of the mixer: the master volume, the tempo speed with a field for the
// tempo in beats per minute, five speed buttons, the MIDI thru switch, the MIDI-in lamp and the
// master level meter (the last four in the normal and full layouts). Its controls apply master
// states (3500 volume in percent, 3501 speed factor) to the performance of the mixer's
// sequence; the master states that come back (3500 to 3502) set its controls.
//
// The speed slider runs from 0 to 100 over the speed factors 0.25 to 4 on a logarithmic scale,
// 50 being the piece's own tempo.
class MIXER_API CMasterArea : public QWidget, public plat::ui::NoticeListener {
public:
    enum : int {
        kVolume = 5155,
        kMeter = 5156,
        kTempo = 5180,
        kTempoText = 5181,
        kQuarter = 5185,
        kHalf = 5186,
        kOne = 5187,
        kDouble = 5188,
        kQuad = 5189,
        kLamp = 5190,
        kThru = 5191,
    };
    // The help context of the master section.
    static constexpr unsigned kHelpContext = 0x21434;
    static constexpr double kMinSpeed = 0.25;
    static constexpr double kMaxSpeed = 4.0;

    // The sequence of the mixer's document, or null without one.
    using SequenceSource = std::function<CSequence*()>;

    // On the template of layout mode (0 mini, 1 normal, 2 full); its size becomes the master
    // size of the mixer.
    CMasterArea(int mode, SequenceSource sequence, QWidget* parent = nullptr);
    ~CMasterArea() override;

    static QSize GetMasterSize();

    // Speed factor of a slider position 0..100, and back (the factor held to 0.25..4).
    static double SpeedFromPosition(int position);
    static int PositionFromSpeed(double speed);

    // The tempo in force (beats per minute) at the sequence's location; 0 without a sequence or
    // a tempo.
    static double TempoInForce(CSequence* sequence);

    // Applies a synchronous master state: 3500 with the volume in percent, 3501 with the speed
    // of a slider position. Without a sequence it goes to every open document. The active
    // document is marked modified.
    void SendMasterState(int code, int value);
    // A master state that came back.
    void OnMasterUpdate(long code, SCMaster* state);

    // Volume 0..1, speed factor, tempo in beats per minute (0 or less: an empty, read-only field).
    void SetMasterVolume(double volume);
    double GetMasterVolume() const;
    void SetTempoSpeed(double speed);
    int GetTempoPosition() const;
    void SetTempoText(double bpm);
    void SetMeterLevel(float level);
    void ResetMeter();
    void LightMidiIn();
    void DimMidiIn();
    bool IsMidiInLit() const;

    // The typed tempo over the tempo in force at the sequence's location gives the speed; an
    // entry that is no positive number, or a piece without a tempo, sends nothing.
    void OnTempoEntry();
    void OnThru();
    // The thru switch shows the device manager's MIDI thru switch (without a device manager,
    // the stored setting): when it is made and whenever the preferences changed.
    void UpdateThru();

    // Help: the context given, or the master section's own; F1 over the section asks for it.
    int OnCommandHelp(unsigned helpId);
    unsigned OnHelpHitTest() const { return kHelpContext; }

    int GetLayoutMode() const { return m_mode; }
    MCSlider* VolumeSlider() const { return m_volume; }
    MCSlider* TempoSlider() const { return m_tempo; }
    MCStaticEdit* TempoField() const { return m_tempoText; }
    CLevelMeter* Meter() const { return m_meter; }
    MCButton2* ThruSwitch() const { return m_thru; }
    MCButton2* Lamp() const { return m_lamp; }
    MCButton* SpeedButton(int id) const;

    void onNotice(int id, int code, QWidget* control) override;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateControls();
    // The slider's value of a volume: upright sliders have full volume at the top.
    double SliderOfVolume(double volume) const;

    int m_mode;
    SequenceSource m_sequence;
    MCSlider* m_volume = nullptr;
    MCSlider* m_tempo = nullptr;
    MCStaticEdit* m_tempoText = nullptr;
    std::array<MCButton*, 5> m_speeds{};
    MCButton2* m_thru = nullptr;
    MCButton2* m_lamp = nullptr;
    CLevelMeter* m_meter = nullptr;
};
