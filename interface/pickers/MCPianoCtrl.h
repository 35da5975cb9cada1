#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QFont>
#include <QRect>
#include <QWidget>

#include <vector>

// A piano keyboard played with the mouse (and the arrow keys and space bar): pressing,
// dragging across and releasing keys sends note-on and note-off through NoteOn and NoteOff,
// which do nothing here. Keys are laid out across the control, centred when asked; a pressed
// key is marked with a dot; octave labels "C4" can run under the keys.
class INTERFACE_API MCPianoCtrl : public QWidget {
public:
    static constexpr int kLabelBand = 12;

    explicit MCPianoCtrl(QWidget* parent = nullptr);

    bool SubclassCtrl(int id, QWidget* parent);
    // Stored only: the keys are always laid out across.
    void SetVertical(bool vertical) { m_vertical = vertical; update(); }
    bool IsVertical() const { return m_vertical; }
    void SetCentered(bool centered) { m_centered = centered; update(); }
    // Bit 0: hold, the last key pressed stays marked after release.
    void SetMode(int mode) { m_mode = mode; update(); }
    // 0 none, 1 octave labels on every C; any other value keeps the band empty.
    void SetLabels(int labels) { m_labels = labels; update(); }
    // low and high in either order; at least 13 keys.
    void SetRange(int low, int high);
    int GetLowNote() const { return m_low; }
    int GetHighNote() const { return m_high; }
    int GetKeyCount() const { return m_count; }
    void EnableSoundNote(bool on) { m_sound = on; }
    void SetNoteOnVolume(unsigned char velocity) { m_onVelocity = velocity; }
    void SetNoteOffVolume(unsigned char velocity) { m_offVelocity = velocity; }
    unsigned char GetNoteOnVolume() const { return m_onVelocity; }
    unsigned char GetNoteOffVolume() const { return m_offVelocity; }
    void SetChannel(unsigned char channel) { m_channel = channel; }
    void SetDevice(unsigned int device) { m_device = device; }
    int GetCurrentKey() const { return m_current; }

    virtual void NoteOn(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel);
    virtual void NoteOff(unsigned int device, unsigned char note, unsigned char velocity, unsigned char channel);

    static bool IsBlack(int note);
    // The geometry of the keys for the control's size, as painting and hit tests use it.
    int WhiteKeyWidth() const;
    int WhiteKeyCount() const;
    QRect KeyboardRect() const;
    // The rectangle of a black key; empty for a white key or one outside the range.
    QRect BlackKeyRect(int note) const;
    // The note under point; -1 for none.
    int HitTest(const QPoint& point) const;
    // Where the dot of a pressed key goes.
    QRect MarkRect(int note) const;
    // Where the label of a C goes: centred under its key, but inside the control at either
    // end; empty for other notes and notes outside the range.
    QRect LabelRect(int note) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    QRect reducedClient() const;
    static QFont labelFont();
    void press(int key, bool drag);
    void release();
    // The left margin that centres the keys.
    int offset() const;

    plat::ui::ColorRef m_whiteColor = 0xFFFFFF;
    plat::ui::ColorRef m_outlineColor = 0x000000;
    plat::ui::ColorRef m_blackColor = 0x000000;
    plat::ui::ColorRef m_highlightColor = 0x0000FF;
    plat::ui::ColorRef m_middleCColor = 0x9600C0;
    plat::ui::ColorRef m_labelColor = 0x800000;
    bool m_markMiddleC = true;
    bool m_vertical = false;
    bool m_centered = true;
    int m_low = 21;
    int m_high = 108;
    int m_count = 88;
    float m_blackWidthRatio = 0.55f;
    float m_blackHeightDivisor = 1.75f;
    bool m_sound = true;
    unsigned char m_onVelocity = 100;
    unsigned char m_offVelocity = 0;
    unsigned char m_channel = 1;
    unsigned int m_device = 0;
    int m_mode = 0;
    int m_labels = 0;
    bool m_captured = false;
    int m_current = -1;
    // The key the arrow keys are on.
    int m_focusKey = 60;
};
