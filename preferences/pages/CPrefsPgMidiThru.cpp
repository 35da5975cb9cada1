#include "preferences/pages/CPrefsPgMidiThru.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"

#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "platform/ui/dialog/ItemId.h"
#include "wavegate/CWavegate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>

#include <algorithm>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgMidiThru, CPrefsPageBase)

namespace {

constexpr const char* kThru = "Sequencer\\Midi\\Thru";

}  // namespace

CPrefsPgMidiThru::CPrefsPgMidiThru() : CPrefsPageBase("MIDI Thru")
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(CPrefsControls::Check(this, "Use the settings of the &record track", kAutoSetRecord), 0, 0, 1, 2);
    layout->addWidget(CPrefsControls::Check(this, "Use the settings of the &selected track", kAutoSetSelect), 1, 0, 1, 2);
    layout->addWidget(CPrefsControls::Label(this, "Thru &device:", kDeviceLabel, kDevice), 2, 0, 1, 2);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), 3, 0, 1, 2);
    layout->addWidget(CPrefsControls::Label(this, "Thru &channel:", kChannelLabel, kChannel), 4, 0);
    auto* channel = new QComboBox(this);
    plat::ui::setItemId(channel, kChannel);
    channel->addItem("No change");
    for (int c = 1; c <= 16; ++c)
        channel->addItem(QString::number(c));
    layout->addWidget(channel, 4, 1, Qt::AlignLeft);
    layout->addWidget(CPrefsControls::Placeholder(this, kTest, "TESTMIDI"), 5, 0, Qt::AlignLeft);
    layout->setRowStretch(3, 1);
    layout->setColumnStretch(1, 1);
    for (int id : {kAutoSetRecord, kAutoSetSelect})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this] { OnAutoSet(); });
    connect(channel, &QComboBox::activated, this, [this] { setModified(true); });
}

void CPrefsPgMidiThru::OnInitDialog()
{
    LoadPrefs();
    m_initialised = true;
}

void CPrefsPgMidiThru::LoadPrefs()
{
    m_device = LoadIntPreference(kThru, "Device", 0);
    m_channel = std::clamp(LoadIntPreference(kThru, "Channel", 0), 0, 16);
    m_autoSetRecord = LoadIntPreference(kThru, "AutoSetRecord", 1);
    m_autoSetSelect = LoadIntPreference(kThru, "AutoSetSelect", 1);
}

void CPrefsPgMidiThru::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    if (!m_attached) {
        CPrefsControls::AttachTestButton(this, kTest, 0xFF0000);
        auto* devices = new MCDeviceList(this);
        devices->SubclassDeviceList(kDevice, this, 1, -1);
        connect(devices, &QListWidget::currentRowChanged, this, [this] {
            if (!m_loading)
                setModified(true);
        });
        CPrefsControls::AttachBuddies(this);
        m_attached = true;
    }
    if (!dx.saving()) {
        const bool manual = !m_autoSetRecord && !m_autoSetSelect;
        CPrefsControls::Enable(this, {kDevice, kDeviceLabel, kChannel, kChannelLabel}, manual);
    }
    dx.check(kAutoSetRecord, m_autoSetRecord);
    dx.check(kAutoSetSelect, m_autoSetSelect);
    dx.comboIndex(kChannel, m_channel);
    m_loading = !dx.saving();
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
    m_loading = false;
}

void CPrefsPgMidiThru::OnAutoSet()
{
    setModified(true);
    updateData(true);
    updateData(false);
}

void CPrefsPgMidiThru::onNotice(int id, int code, QWidget*)
{
    if (id == kTest && code == 0)
        OnTest();
}

void CPrefsPgMidiThru::OnTest()
{
    if (auto* devices = plat::ui::item<MCDeviceList>(this, kDevice))
        CPrefsDevices::SendTestNote(devices->GetSelectedDevice(), CPrefsDevices::kTestNoteOn, CPrefsDevices::kTestNoteOff,
                                    kTestDurationMs);
}

void CPrefsPgMidiThru::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    m_channel = std::max(0, m_channel);
    SaveIntPreference(kThru, "Device", m_device);
    SaveIntPreference(kThru, "Channel", m_channel);
    SaveIntPreference(kThru, "AutoSetRecord", m_autoSetRecord);
    SaveIntPreference(kThru, "AutoSetSelect", m_autoSetSelect);
    // "No change" (0) passes each message's own channel (-1).
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->ConnectMidiThru(m_device, m_channel - 1);
}
