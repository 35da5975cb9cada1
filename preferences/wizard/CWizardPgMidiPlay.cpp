#include "preferences/wizard/CWizardPgMidiPlay.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"

#include "interface/dialogs/MCDeviceProperties.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

PLAT_IMPLEMENT_DYNCREATE(CWizardPgMidiPlay, MCWizardForm)

namespace {

constexpr const char* kPlay = "Sequencer\\Midi\\Play";

}  // namespace

CWizardPgMidiPlay::CWizardPgMidiPlay() : MCWizardForm(kTemplate)
{
    auto* layout = new QGridLayout(this);
    auto* text = new QLabel("Choose the MIDI device that plays your music. Click the test button to hear a note "
                            "on the device you chose.",
                            this);
    text->setWordWrap(true);
    layout->addWidget(text, 0, 0, 1, 3);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), 1, 0, 1, 3);
    layout->addWidget(CPrefsControls::NoDevicesLine(this, kNoDevices), 2, 0, 1, 3);
    layout->addWidget(CPrefsControls::Placeholder(this, kTest, "TESTMIDI"), 3, 0);
    auto* properties = new QPushButton("P&roperties...", this);
    plat::ui::setItemId(properties, kProperties);
    layout->addWidget(properties, 3, 1);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(1, 1);
    connect(properties, &QPushButton::clicked, this, [this] { OnProperties(); });
}

void CWizardPgMidiPlay::InitForm()
{
    m_device = LoadIntPreference(kPlay, "Default Device", 0);
    m_devices = new MCDeviceList(this);
    m_devices->SubclassDeviceList(kDevice, this, 1, 0);
    CPrefsControls::ShowNoDevices(this, kNoDevices, kDevice, 1);
    CPrefsControls::AttachTestButton(this, kTest, 0xFF0000);
}

void CWizardPgMidiPlay::DoDataExchange(plat::ui::DataExchange& dx)
{
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
}

void CWizardPgMidiPlay::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
}

void CWizardPgMidiPlay::OnTest()
{
    if (m_devices)
        CPrefsDevices::SendTestNote(m_devices->GetSelectedDevice(), CPrefsDevices::kTestNoteOn,
                                    CPrefsDevices::kTestNoteOff, kTestDurationMs);
}

void CWizardPgMidiPlay::OnProperties()
{
    if (!m_devices || m_devices->GetSelectedDevice() < 0)
        return;
    // Without a parent, as the wizard asks; the answer does not matter here.
    MCDeviceProperties properties(nullptr);
    properties.DoDevice(m_devices->GetSelectedDevice());
}

void CWizardPgMidiPlay::SaveForm()
{
    SaveIntPreference(kPlay, "Default Device", m_device);
}
