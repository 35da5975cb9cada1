#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <QDialog>

class QCheckBox;
class QComboBox;

namespace rack {

// SETUP_DIALOG "Configure MIDI Input": the MIDI input device that feed-through listens to,
// and feed-through on or off.
class RACKCORE_API MidiInputDialog : public QDialog {
public:
    static constexpr int kDeviceBox = 4005;
    static constexpr int kFeedthruBox = 130;

    // Lists the MIDI inputs in device order and shows the stored choice.
    MidiInputDialog(QWidget* parent, int device, bool feedthru);

    // OK: keeps the choice and writes [Stereo] MidiInputDevice.
    void accept() override;

    int device() const { return m_device; }
    bool feedthru() const { return m_feedthru; }
    QComboBox* deviceBox() const { return m_devices; }
    QCheckBox* feedthruBox() const { return m_feedthruBox; }

private:
    QComboBox* m_devices;
    QCheckBox* m_feedthruBox;
    int m_device;
    bool m_feedthru;
};

}  // namespace rack
