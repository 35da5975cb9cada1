#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/ExchangeDialog.h"

#include <string>

class MCNoteEdit;
class MCPianoCtrlMedia;
class QPushButton;
class QSlider;
class QWidget;

// Hearing an instrument: a keyboard that plays on a device and channel, with a velocity slider
// and the playable range under "Advanced", kept in "Settings\Keyboard".
class INTERFACE_API MCAuditionWnd : public plat::ui::ExchangeDialog {
public:
    static constexpr int kKeyboard = 11651, kInfo = 11652, kVelocity = 11654, kVelocityText = 11655, kHigh = 11656,
                         kLow = 11657, kUpdate = 11658, kAdvanced = 11660;

    explicit MCAuditionWnd(QWidget* parent = nullptr);
    ~MCAuditionWnd() override;

    void SetDevChan(int device, int channel);
    void SetInfo(const std::string& text) { m_info = text; }

    bool IsAdvanced() const { return m_advanced; }
    void SetAdvanced(bool advanced);
    MCPianoCtrlMedia& Keyboard() { return *m_keyboard; }

protected:
    void initDialog() override;
    void doDataExchange(plat::ui::DataExchange& exchange) override;

private:
    void velocityMoved(int value);

    int m_velocity = 127;
    int m_low = 21;
    int m_high = 108;
    int m_device = 0;
    int m_channel = 0;
    std::string m_info;
    bool m_advanced = true;
    MCPianoCtrlMedia* m_keyboard;
    QSlider* m_slider;
    MCNoteEdit* m_lowEdit;
    MCNoteEdit* m_highEdit;
    QPushButton* m_update;
    QPushButton* m_advancedButton;
    QWidget* m_advancedPanel;
};
