#include "preferences/wizard/CWizardPgThru.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"

#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "wavegate/CWavegate.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CWizardPgThru, MCWizardForm)

namespace {

constexpr const char* kThru = "Sequencer\\Midi\\Thru";

}  // namespace

CWizardPgThru::CWizardPgThru() : MCWizardForm(kTemplate)
{
    auto* layout = new QGridLayout(this);
    auto* text = new QLabel("What you play on a MIDI keyboard while Quavix runs can be played back at once on a "
                            "device of your choice.",
                            this);
    text->setWordWrap(true);
    layout->addWidget(text, 0, 0, 1, 3);
    auto* group = new QButtonGroup(this);
    const std::pair<const char*, int> radios[] = {
        {"None", kNone}, {"Automatic (use settings of selected/record track)", kAutomatic}, {"Manual:", kManual}};
    int row = 1;
    for (const auto& [caption, id] : radios) {
        QRadioButton* radio = CPrefsControls::Radio(this, caption, id);
        plat::ui::setGroupStart(radio, id == kNone);
        group->addButton(radio);
        layout->addWidget(radio, row++, 0, 1, 3);
        connect(radio, &QRadioButton::clicked, this, [this] { OnMode(); });
    }
    const int deviceRow = row;
    layout->addWidget(CPrefsControls::Label(this, "&Device:", kDeviceLabel, kDevice), row, 0, Qt::AlignTop);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), row++, 1, 1, 2);
    layout->addWidget(CPrefsControls::NoDevicesLine(this, kNoDevices), row++, 1, 1, 2);
    layout->addWidget(CPrefsControls::Label(this, "&Channel:", kChannelLabel, kChannel), row, 0);
    auto* channel = new QComboBox(this);
    plat::ui::setItemId(channel, kChannel);
    channel->addItem("No change");
    for (int c = 1; c <= 16; ++c)
        channel->addItem(QString::number(c));
    layout->addWidget(channel, row, 1);
    layout->addWidget(CPrefsControls::Placeholder(this, kTest, "TESTMIDI"), row, 2, Qt::AlignLeft);
    layout->setColumnStretch(2, 1);
    layout->setRowStretch(deviceRow, 1);
}

int CWizardPgThru::ModeOf(int enabled, int autoSetSelect, int autoSetRecord)
{
    if (!enabled)
        return none;
    return autoSetSelect || autoSetRecord ? automatic : manual;
}

void CWizardPgThru::InitForm()
{
    m_mode = ModeOf(LoadIntPreference(kThru, "Enabled", MCSeqPreferences::kThruEnabledDefault),
                    LoadIntPreference(kThru, "AutoSetSelect", 1), LoadIntPreference(kThru, "AutoSetRecord", 1));
    m_device = LoadIntPreference(kThru, "Device", 0);
    m_channel = std::clamp(LoadIntPreference(kThru, "Channel", 0), 0, 16);
    auto* devices = new MCDeviceList(this);
    devices->SubclassDeviceList(kDevice, this, 1, 0);
    CPrefsControls::ShowNoDevices(this, kNoDevices, kDevice, 1);
    CPrefsControls::AttachTestButton(this, kTest, 0xFF0000, 2);
    CPrefsControls::AttachBuddies(this);
}

void CWizardPgThru::DoDataExchange(plat::ui::DataExchange& dx)
{
    dx.radio(kNone, m_mode);
    dx.comboIndex(kChannel, m_channel);
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
    if (dx.saving()) {
        m_mode = std::max(0, m_mode);
        m_channel = std::max(0, m_channel);
        return;
    }
    CPrefsControls::Enable(this, {kTest, kDevice, kChannel, kDeviceLabel, kChannelLabel}, m_mode == manual);
}

void CWizardPgThru::OnMode()
{
    UpdateData(true);
    UpdateData(false);
}

void CWizardPgThru::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
}

void CWizardPgThru::OnTest()
{
    if (auto* devices = plat::ui::item<MCDeviceList>(this, kDevice))
        CPrefsDevices::SendTestNote(devices->GetSelectedDevice(), CPrefsDevices::kTestNoteOn, CPrefsDevices::kTestNoteOff,
                                    kTestDurationMs);
}

void CWizardPgThru::SaveForm()
{
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->EnableMidiThru(m_mode > none ? 1 : 0);
    SaveIntPreference(kThru, "Enabled", m_mode > none ? 1 : 0);
    SaveIntPreference(kThru, "AutoSetRecord", m_mode == automatic ? 1 : 0);
    SaveIntPreference(kThru, "AutoSetSelect", m_mode == automatic ? 1 : 0);
    SaveIntPreference(kThru, "Device", m_device);
    SaveIntPreference(kThru, "Channel", m_channel);
}
