#include "preferences/pages/CPrefsPgMidiRecord.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/dialogs/CInputRoutingDlg.h"
#include "preferences/pages/CPrefsMidiLists.h"

#include "interface/controls/MCCheckList.h"
#include "interface/dialogs/MCQuantizationDlg.h"
#include "interface/pickers/MCDeviceList.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCPrefs.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/prefs/MCSeqPreferences.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include <string>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgMidiRecord, CPrefsPageBase)

namespace {

constexpr const char* kRecord = "Sequencer\\Midi\\Record";
constexpr const char* kRecordFilter = "Sequencer\\Midi\\Record\\Filter";
// The record filter never offers system exclusive, and leaves its stored value alone.
constexpr const char* kSysEx = "SysEx";

}  // namespace

CPrefsPgMidiRecord::CPrefsPgMidiRecord() : CPrefsPageBase("MIDI In")
{
    auto* layout = new QGridLayout(this);
    layout->addWidget(CPrefsControls::Label(this, "&Record these events:", 0, kFilter), 0, 0);
    layout->addWidget(CPrefsControls::Placeholder(this, kFilter), 1, 0, 4, 1);
    auto* quantization = new QPushButton("&Quantization...", this);
    plat::ui::setItemId(quantization, kQuantization);
    layout->addWidget(quantization, 1, 1);
    layout->addWidget(CPrefsControls::Label(this, "Currently Disabled", kQuantizationState), 2, 1);
    auto* routing = new QPushButton("Input R&outing...", this);
    plat::ui::setItemId(routing, kRouting);
    layout->addWidget(routing, 3, 1);
    layout->addWidget(CPrefsControls::Label(this, "&Input device:", 0, kDevice), 5, 0, 1, 2);
    layout->addWidget(CPrefsControls::Placeholder(this, kDevice), 6, 0, 1, 2);
    layout->setRowStretch(4, 1);
    layout->setRowStretch(6, 1);
    connect(quantization, &QPushButton::clicked, this, [this] { OnQuantization(); });
    connect(routing, &QPushButton::clicked, this, [this] { OnRouting(); });
}

void CPrefsPgMidiRecord::OnInitDialog()
{
    m_filter = CPrefsMidiLists::AttachFilter(*this, kFilter, m_loading);
    m_devices = CPrefsMidiLists::AttachDevices(*this, kDevice, 0, m_loading, [this] { setModified(true); });
    CPrefsControls::AttachBuddies(this);
    LoadPrefs();
    m_initialised = true;
    updateData(false);
}

void CPrefsPgMidiRecord::LoadPrefs()
{
    if (m_filter)
        CPrefsMidiLists::LoadFilter(*m_filter, m_loading, kRecordFilter, &MCSeqPreferences::GetRecordEntry, kSysEx);
    m_quantization = LoadIntPreference(kRecord, "Quantization Mode", 0) != 0 &&
                     LoadIntPreference(kRecord, "Quantization Percent", 100) > 0;
    m_device = LoadIntPreference(kRecord, "Default Device", 0);
    m_loading = true;
    if (m_devices)
        m_devices->SetSelectedDevice(m_device);
    m_loading = false;
}

void CPrefsPgMidiRecord::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    m_loading = !dx.saving();
    CPrefsControls::ExchangeDevice(dx, kDevice, m_device);
    m_loading = false;
    if (!dx.saving()) {
        if (auto* label = dx.control<QLabel>(kQuantizationState))
            label->setText(m_quantization ? "Currently Enabled" : "Currently Disabled");
    }
}

void CPrefsPgMidiRecord::OnQuantization()
{
    MCQuantizationDlg dialog(this);
    if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
        return;
    m_quantization = dialog.QuantizationEnabled();
    updateData(false);
}

void CPrefsPgMidiRecord::OnRouting()
{
    CInputRoutingDlg dialog(this);
    if (plat::ui::ModalHooks::runDialog(dialog) != QDialog::Accepted)
        return;
    dialog.SaveRouting();
    // The recorder reads its routing when the preferences change.
    auto* changed = new SCPrefs(SCPrefs::kPrefsChanged);
    changed->SetSynchronous(1);
    MCStateMgr::ApplyState(changed, nullptr);
}

void CPrefsPgMidiRecord::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    if (m_filter)
        CPrefsMidiLists::SaveFilter(*m_filter, kRecordFilter);
    SaveIntPreference(kRecord, "Default Device", m_device);
}
