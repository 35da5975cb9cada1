#pragma once

#include "mixer/MixerExport.h"

#include "platform/ui/dialog/ControlNotice.h"

#include <QWidget>

#include <cstdint>

class CTrackStrip;
class MCButton2;

// The button group of a track strip: mute (5152), solo (5153) and the play/record mode button
// (5154), which also shows whether the track plays at all. A press sends the track's state
// through the strip (3400 mute, 3401 solo, 3402 mode); what comes back is shown through the
// setters. Mute and solo are kept by their buttons (state 1 is on); the mode (0 play, 1 record)
// and whether the track is active are kept here. A new group plays and is active.
class MIXER_API CTrackState : public QWidget, public plat::ui::NoticeListener {
public:
    enum : int { kMute = 5152, kSolo = 5153, kMode = 5154 };

    explicit CTrackState(QWidget* parent = nullptr);
    ~CTrackState() override;

    // Takes the place, and the fixed size, of the item id of parent (the strip) and makes the
    // buttons; false without such an item.
    bool SubclassTrackState(int id, CTrackStrip* parent);

    int IsActive() const { return (m_state & kActiveBit) ? 1 : 0; }
    void SetActive(int active);
    int IsMute() const;
    void SetMute(int mute);
    int IsSolo() const;
    void SetSolo(int solo);
    int GetMode() const { return int(m_state & kModeBits); }
    void SetMode(int mode);
    // The mode button shows the mode while disabled too.
    void EnableModeButton(int enable);

    // The button presses.
    void OnMute();
    void OnSolo();
    void OnMode();

    MCButton2* Button(int id) const;

    void onNotice(int id, int code, QWidget* control) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Makes the three buttons, each with its images, and lays them out.
    void InitWindow();
    // Mute at the left, solo in the middle, mode at the right, all centred upright.
    void TileButtons();
    // The images of the mode button: "ACTIVE" or "INACTIVE".
    void LoadModeImages();

    static constexpr uint8_t kModeBits = 0x03;
    static constexpr uint8_t kActiveBit = 0x04;

    CTrackStrip* m_strip = nullptr;
    MCButton2* m_mute = nullptr;
    MCButton2* m_solo = nullptr;
    MCButton2* m_mode = nullptr;
    uint8_t m_state = kActiveBit;
};
