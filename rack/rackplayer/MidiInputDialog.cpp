#include "rack/rackplayer/MidiInputDialog.h"

#include "rack/rackplayer/RackProfile.h"

#include "platform/media/Backend.h"
#include "platform/ui/dialog/TitleRoom.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace rack {

MidiInputDialog::MidiInputDialog(QWidget* parent, int device, bool feedthru)
    : QDialog(parent), m_device(device), m_feedthru(feedthru)
{
    setWindowTitle("Configure MIDI Input");
    plat::ui::TitleRoom::keep(*this);
    m_devices = new QComboBox(this);
    m_devices->setProperty("itemId", kDeviceBox);
    plat::media::Backend& backend = plat::media::Backend::instance();
    for (int i = 0; i < backend.midiInCount(); ++i) {
        plat::media::MidiInPort::Caps caps;
        backend.midiInCaps(i, caps);
        m_devices->addItem(QString::fromStdString(caps.name));
    }
    m_devices->setCurrentIndex(device);
    m_feedthruBox = new QCheckBox("MIDI Input &Feedthrough on.", this);
    m_feedthruBox->setProperty("itemId", kFeedthruBox);
    m_feedthruBox->setChecked(feedthru);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_devices);
    layout->addWidget(m_feedthruBox);
    layout->addWidget(buttons);
}

void MidiInputDialog::accept()
{
    // With no input at all the stored device stays.
    if (m_devices->currentIndex() >= 0)
        m_device = m_devices->currentIndex();
    m_feedthru = m_feedthruBox->isChecked();
    RackProfile::writeMidiInputDevice(m_device);
    QDialog::accept();
}

}  // namespace rack
