#include "preferences/pages/CPrefsPgMidiPlay.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"
#include "preferences/core/PrefsModule.h"
#include "preferences/pages/CPrefsMidiLists.h"

#include "interface/controls/MCButton.h"
#include "interface/controls/MCCheckList.h"
#include "interface/dialogs/MCDeviceProperties.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/core/Resources.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/prefs/MCSeqPreferences.h"

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgMidiPlay, CPrefsPageBase)

namespace {

constexpr const char* kPlay = "Sequencer\\Midi\\Play";
constexpr const char* kPlayFilter = "Sequencer\\Midi\\Play\\Filter";

}  // namespace

CPrefsPgMidiPlay::CPrefsPgMidiPlay() : CPrefsPageBase("MIDI Out")
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(CPrefsControls::Label(this, "&Play these events:", 0, kFilter), 0, 0);
    layout->addWidget(CPrefsControls::Placeholder(this, kFilter), 1, 0, 6, 1);
    layout->addWidget(CPrefsControls::Check(this, "Thin &Controllers", kThinControllers), 1, 1);
    layout->addWidget(CPrefsControls::Check(this, "Thin Pitch &Bend", kThinPitchBend), 2, 1);
    layout->addWidget(CPrefsControls::Check(this, "Thin &Aftertouch", kThinAftertouch), 3, 1);
    layout->addWidget(CPrefsControls::Check(this, "&Mute Tracks w/o Notes", kAutoMute), 4, 1);
    layout->addWidget(CPrefsControls::Check(this, "Always use &default device", kPlayDefault), 5, 1);
    layout->addWidget(CPrefsControls::Label(this, "Default &output device:", 0, kDevice), 7, 0, 1, 2);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), 8, 0, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CPrefsControls::Placeholder(this, kTest, "TESTMIDI"));
    auto* properties = new QPushButton("P&roperties...", this);
    plat::ui::setItemId(properties, kProperties);
    buttons->addWidget(properties);
    buttons->addStretch(1);
    layout->addLayout(buttons, 9, 0, 1, 2);
    layout->setRowStretch(6, 1);
    layout->setRowStretch(8, 1);
    for (int id : {kThinControllers, kThinPitchBend, kThinAftertouch, kAutoMute, kPlayDefault})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this] { setModified(true); });
    connect(properties, &QPushButton::clicked, this, [this] { OnProperties(); });
}

void CPrefsPgMidiPlay::OnInitDialog()
{
    m_filter = CPrefsMidiLists::AttachFilter(*this, kFilter, m_loading);
    m_devices = CPrefsMidiLists::AttachDevices(*this, kDevice, 1, m_loading, [this] { OnSelectDevice(); });
    CPrefsControls::AttachBuddies(this);
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgMidiPlay::LoadPrefs()
{
    if (m_filter)
        CPrefsMidiLists::LoadFilter(*m_filter, m_loading, kPlayFilter, &MCSeqPreferences::GetPlaybackEntry);
    m_thinControllers = LoadIntPreference(kPlay, "Thin Controllers", 0);
    m_thinPitchBend = LoadIntPreference(kPlay, "Thin Pitch Bend", 0);
    m_thinAftertouch = LoadIntPreference(kPlay, "Thin Aftertouch", 0);
    m_autoMute = LoadIntPreference(kPlay, "AutoMute Tracks", 1);
    m_playDefault = LoadIntPreference(kPlay, "Play Default Device", 0);
    m_device = LoadIntPreference(kPlay, "Default Device", 0);
    updateData(false);
}

void CPrefsPgMidiPlay::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    if (!m_buttonLoaded) {
        CPrefsControls::AttachTestButton(this, kTest, 0xFF0000);
        m_buttonLoaded = true;
    }
    dx.check(kThinControllers, m_thinControllers);
    dx.check(kThinPitchBend, m_thinPitchBend);
    dx.check(kThinAftertouch, m_thinAftertouch);
    dx.check(kAutoMute, m_autoMute);
    dx.check(kPlayDefault, m_playDefault);
    m_loading = !dx.saving();
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
    m_loading = false;
    if (m_devices)
        m_shownDevice = m_devices->GetSelectedDevice();
}

void CPrefsPgMidiPlay::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
}

void CPrefsPgMidiPlay::OnSelectDevice()
{
    const int selected = m_devices ? m_devices->GetSelectedDevice() : -1;
    if (selected < 0 || selected == m_shownDevice)
        return;
    m_shownDevice = selected;
    setModified(true);
    if (CPrefsDevices::OpenDocuments().empty())
        return;
    // The answer changes nothing: the choice stands either way.
    const plat::Resources::ModuleSwitch own(PrefsModule::kName);
    MCWarnDialog warning(PrefsModule::kChangeDeviceTitle, PrefsModule::kChangeDevice, this);
    warning.OkToProceed();
}

void CPrefsPgMidiPlay::OnTest()
{
    if (m_devices)
        CPrefsDevices::SendTestNote(m_devices->GetSelectedDevice(), CPrefsDevices::kTestNoteOn,
                                    CPrefsDevices::kTestNoteOff, kTestDurationMs);
}

void CPrefsPgMidiPlay::OnProperties()
{
    if (!m_devices || m_devices->GetSelectedDevice() < 0)
        return;
    MCDeviceProperties properties(this);
    if (properties.DoDevice(m_devices->GetSelectedDevice()) == QDialog::Accepted)
        setModified(true);
}

void CPrefsPgMidiPlay::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    if (m_filter)
        CPrefsMidiLists::SaveFilter(*m_filter, kPlayFilter);
    SaveIntPreference(kPlay, "Thin Controllers", m_thinControllers);
    SaveIntPreference(kPlay, "Thin Pitch Bend", m_thinPitchBend);
    SaveIntPreference(kPlay, "Thin Aftertouch", m_thinAftertouch);
    SaveIntPreference(kPlay, "AutoMute Tracks", m_autoMute);
    SaveIntPreference(kPlay, "Play Default Device", m_playDefault);
    SaveIntPreference(kPlay, "Default Device", m_device);
}
