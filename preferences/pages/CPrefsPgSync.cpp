#include "preferences/pages/CPrefsPgSync.h"

#include "preferences/core/CPrefsControls.h"
#include "preferences/core/CPrefsDevices.h"

#include "interface/document/MCOpusDoc.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <mutex>

PLAT_IMPLEMENT_DYNCREATE(CPrefsPgSync, CPrefsPageBase)

namespace {

constexpr const char* kSequencer = "Sequencer";
constexpr const char* kSync = "Sequencer\\Sync";

QGroupBox* radioGroup(QWidget* parent, const char* title, std::initializer_list<std::pair<const char*, int>> radios)
{
    auto* box = new QGroupBox(QString::fromUtf8(title), parent);
    auto* layout = new QVBoxLayout(box);
    auto* group = new QButtonGroup(box);
    bool first = true;
    for (const auto& [text, id] : radios) {
        QRadioButton* radio = CPrefsControls::Radio(box, text, id);
        plat::ui::setGroupStart(radio, first);
        first = false;
        group->addButton(radio);
        layout->addWidget(radio);
    }
    return box;
}

}  // namespace

CPrefsPgSync::CPrefsPgSync() : CPrefsPageBase("Sync")
{
    auto* layout = new QVBoxLayout(this);
    auto* ppqRow = new QHBoxLayout;
    auto* ppq = new QLineEdit(this);
    plat::ui::setItemId(ppq, kPpq);
    ppq->setMaxLength(5);
    ppq->setMaximumWidth(ppq->fontMetrics().horizontalAdvance("000000") + 12);
    QLabel* label = CPrefsControls::Label(this, "&Pulses per quarter note:");
    label->setBuddy(ppq);
    ppqRow->addWidget(label);
    ppqRow->addWidget(ppq);
    ppqRow->addStretch(1);
    layout->addLayout(ppqRow);
    layout->addWidget(radioGroup(this, "MIDI synchronisation",
                                 {{"None", kSyncNone},
                                  {"Master (transmit system realtime messages)", kSyncMaster},
                                  {"Slave (respond to system realtime messages)", kSyncSlave}}));
    layout->addWidget(radioGroup(this, "Playback buffer",
                                 {{"Short response time", kShortResponse},
                                  {"Longer response time (additional performance stability)", kLongResponse}}));
    layout->addStretch(1);
    for (int id = kSyncNone; id <= kLongResponse; ++id)
        connect(plat::ui::item<QRadioButton>(this, id), &QRadioButton::clicked, this, [this] { setModified(true); });
    // A new resolution is taken (and the bars counted again) once it is saved, not per key.
    connect(ppq, &QLineEdit::textEdited, this, [this] { setModified(true); });
}

void CPrefsPgSync::OnInitDialog()
{
    m_initialised = true;
    LoadPrefs();
}

void CPrefsPgSync::LoadPrefs()
{
    m_ppq = LoadIntPreference(kSequencer, "GlobalPPQ", static_cast<int>(MCTime::GlobalPPQ));
    m_bufferMode = LoadIntPreference(kSync, "Buffer Mode", 0) ? 1 : 0;
    const CWavegate* wavegate = CWavegate::GetWavegate();
    m_syncMode = wavegate ? static_cast<int>(wavegate->GetSyncMode()) : 0;
    updateData(false);
}

void CPrefsPgSync::doDataExchange(plat::ui::DataExchange& dx)
{
    if (!m_initialised)
        return;
    dx.integer(kPpq, m_ppq);
    dx.range(m_ppq, kMinPpq, kMaxPpq);
    dx.radio(kSyncNone, m_syncMode);
    dx.radio(kShortResponse, m_bufferMode);
}

void CPrefsPgSync::RecalculateOpenDocuments()
{
    for (MCOpusDoc* doc : CPrefsDevices::OpenDocuments()) {
        ECPerformance* performance = doc->GetBaseEvent();
        ECConductor* conductor = performance ? performance->GetConductor() : nullptr;
        ECConductorStaff* staff = conductor ? conductor->GetConductorStaff() : nullptr;
        if (!staff)
            continue;
        // The driver thread reads the meter map while the document plays.
        performance->Lock();
        {
            const std::lock_guard locked(doc->GetSequence()->GetLock());
            staff->GetMeterEnv()->RecalculateBPTTimes();
        }
        performance->Unlock();
    }
}

void CPrefsPgSync::SavePrefs()
{
    if (!m_initialised || !updateData(true))
        return;
    const long before = MCTime::GlobalPPQ;
    SaveIntPreference(kSequencer, "GlobalPPQ", m_ppq);
    MCTime::SetGlobalPPQ(m_ppq);
    if (MCTime::GlobalPPQ != before)
        RecalculateOpenDocuments();
    SaveIntPreference(kSync, "Buffer Mode", m_bufferMode);
    if (CWavegate* wavegate = CWavegate::GetWavegate())
        wavegate->SetSyncMode(static_cast<uint32_t>(m_syncMode < 0 ? 0 : m_syncMode));
}
