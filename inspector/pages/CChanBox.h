#pragma once

#include "inspector/InspectorExport.h"

#include <QColor>
#include <QComboBox>

class CSequence;

// The channel list of the instrument page, items "1" to "16". Each channel is drawn in the
// colour of who plays on it on the device shown: green when free, blue when only the page's
// own voice uses it, the normal text colour when another voice of the same track does, red
// when a voice of another track does.
class INSPECTOR_API CChanBox : public QComboBox {
public:
    enum DrawCode : int { codeFree = 0, codeOwnVoice = 1, codeOwnTrack = 2, codeOtherTrack = 3 };

    explicit CChanBox(QWidget* parent = nullptr);
    ~CChanBox() override;

    // Takes the place of the item id of parent and lists the sixteen channels.
    bool SubclassChanBox(int id, QWidget* parent);
    void SetVoiceTrack(int voice, int track);
    void SetDevChan(int device, int channel);
    void SetSequence(CSequence* sequence) { m_sequence = sequence; }
    int GetDrawCode(int channel) const;
    // The colour of a channel's text on the background given, as the list draws it.
    QColor TextColor(int channel, const QColor& background, bool selected) const;

    int GetVoice() const { return m_voice; }
    int GetTrack() const { return m_track; }
    int GetDevice() const { return m_device; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_voice = -1;
    int m_track = -1;
    int m_device = -1;
    int m_channel = -1;
    CSequence* m_sequence = nullptr;
};
