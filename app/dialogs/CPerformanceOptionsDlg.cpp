#include "app/dialogs/CPerformanceOptionsDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/core/GoToEdgeButton.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"
#include "sequencer/prefs/MCSeqPreferences.h"
#include "sequencer/states/SCPerform.h"
#include "sequencer/transport/CSequence.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QAbstractButton>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <utility>

namespace {

constexpr const char* kShuttle = "Sequencer\\Shuttle";

void tell(uint32_t id)
{
    plat::UserPrompt::Message message;
    message.caption = "Performance Options";
    message.text = AppStrings::text(id);
    message.icon = plat::UserPrompt::Icon::warning;
    plat::UserPrompt::ask(message);
}

}  // namespace

CPerformanceOptionsDlg::CPerformanceOptionsDlg(MCOpusDoc* doc, QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_doc(doc), m_performance(doc ? doc->GetBaseEvent() : nullptr),
      m_sequence(doc ? doc->GetSequence() : nullptr), m_end(MCTime::TimeZero()), m_playStart(MCTime::TimeZero()),
      m_playStop(MCTime::TimeZero()), m_recordStart(MCTime::TimeZero()), m_recordStop(MCTime::TimeZero())
{
    setWindowTitle("Performance Options");
    CDialogToolTips::Install(this);
    if (m_performance) {
        if (ECConductor* conductor = m_performance->GetConductor())
            m_end = conductor->GetMaxMeasureEndTime();
    }
    if (m_sequence) {
        m_autoRewind = m_sequence->AutoRewindEnabled() ? 1 : 0;
        m_autoStop = m_sequence->AutoStopEnabled() ? 1 : 0;
        m_loop = m_sequence->LoopRegionEnabled() ? 1 : 0;
        m_playRegion = m_sequence->PlayRegionEnabled() ? 1 : 0;
        m_recordRegion = m_sequence->RecordRegionEnabled() ? 1 : 0;
        m_leadIn = m_sequence->RecordLeadInEnabled() ? 1 : 0;
        m_leadInCount = m_sequence->GetNumLeadInMeasures();
        m_leadInLoop = m_sequence->LoopRecordLeadInEnabled() ? 1 : 0;
        m_recordMode = m_sequence->RecordReplaceEnabled() ? 1 : 0;
        m_loopRecordMode = m_sequence->LoopRecordSameTrackEnabled() ? 2 : m_sequence->LoopRecordAutoMuteEnabled() ? 0 : 1;
        m_sequence->GetPlayRegion(m_playStart, m_playStop);
        m_sequence->GetRecordRegion(m_recordStart, m_recordStop);
    }
    // A region that cannot play or record stands for the whole piece.
    for (auto* region : {&m_playStart, &m_recordStart}) {
        MCTime& stop = region == &m_playStart ? m_playStop : m_recordStop;
        if (!(*region < stop)) {
            *region = MCTime::TimeZero();
            stop = m_end;
        }
    }

    auto* layout = new QVBoxLayout(this);
    const auto check = [this](int id, const char* text) {
        auto* box = new QCheckBox(text, this);
        plat::ui::setItemId(box, id);
        return box;
    };
    const auto timeEdit = [this](int id, const QColor& colour) {
        auto* edit = new MCTimeEdit(this);
        plat::ui::setItemId(edit, id);
        // Record times read in dark red and play times in dark green; a disabled edit keeps
        // its usual grey.
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Active, QPalette::Text, colour);
        palette.setColor(QPalette::Inactive, QPalette::Text, colour);
        edit->setPalette(palette);
        return edit;
    };
    const auto edgeButton = [this](int id, bool toEnd) { return MakeGoToEdgeButton(this, id, toEnd); };

    auto* transport = new QGroupBox("Transport", this);
    auto* transportLayout = new QVBoxLayout(transport);
    transportLayout->addWidget(check(kAutoRewind, "Automatic Rewind to Last Start Position"));
    transportLayout->addWidget(check(kAutoStop, "Automatic Stop after Last Note"));
    transportLayout->addWidget(check(kLoop, "Enable Loop Mode"));
    layout->addWidget(transport);

    auto* regions = new QGroupBox("Regions", this);
    auto* regionLayout = new QGridLayout(regions);
    const QColor green(0, 127, 0), red(127, 0, 0);
    regionLayout->addWidget(check(kPlayRegion, "Play Region :"), 0, 0);
    regionLayout->addWidget(edgeButton(kPlayBegin, false), 0, 1);
    regionLayout->addWidget(timeEdit(kPlayStart, green), 0, 2);
    regionLayout->addWidget(timeEdit(kPlayStop, green), 0, 3);
    regionLayout->addWidget(edgeButton(kPlayEnd, true), 0, 4);
    regionLayout->addWidget(check(kRecordRegion, "Record Region :"), 1, 0);
    regionLayout->addWidget(edgeButton(kRecordBegin, false), 1, 1);
    regionLayout->addWidget(timeEdit(kRecordStart, red), 1, 2);
    regionLayout->addWidget(timeEdit(kRecordStop, red), 1, 3);
    regionLayout->addWidget(edgeButton(kRecordEnd, true), 1, 4);
    layout->addWidget(regions);

    auto* recording = new QGroupBox("Recording", this);
    auto* recordLayout = new QGridLayout(recording);
    recordLayout->addWidget(check(kLeadIn, "Lead-In Measures:"), 0, 0);
    auto* countPlace = new QLineEdit(this);
    plat::ui::setItemId(countPlace, kLeadInCount);
    recordLayout->addWidget(countPlace, 0, 1);
    recordLayout->addWidget(check(kLeadInLoop, "For each loop"), 0, 2);
    const auto radios = [this](std::initializer_list<std::pair<int, const char*>> items, QGridLayout* into, int row) {
        auto* group = new QButtonGroup(this);
        bool first = true;
        for (const auto& [id, text] : items) {
            auto* radio = new QRadioButton(text, this);
            plat::ui::setItemId(radio, id);
            plat::ui::setGroupStart(radio, first);
            first = false;
            group->addButton(radio);
            into->addWidget(radio, row++, 0, 1, 3);
        }
    };
    radios({{kMerge, "Merge with existing"}, {kReplace, "Replace existing"}}, recordLayout, 1);
    radios({{kLoopMuteOld, "Add a new track and mute old tracks"},
            {kLoopMonitorAll, "Add a new track and monitor all tracks"},
            {kLoopSameTrack, "Use the same track"}},
           recordLayout, 3);
    layout->addWidget(recording);
    auto* count = new MCSpinEdit;
    count->SubclassSpinEdit(kLeadInCount, this, MCSpinEdit::kVisibleSpin);
    count->SetRange(1, MCSeqPreferences::kMaxLeadInMeasures);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* reset = new QPushButton("Reset", this);
    plat::ui::setItemId(reset, kReset);
    buttons->addButton(reset, QDialogButtonBox::ResetRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &CPerformanceOptionsDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPerformanceOptionsDlg::reject);
    connect(reset, &QPushButton::clicked, this, [this] { OnReset(); });
    for (int id : {kLoop, kLeadIn, kRecordRegion, kPlayRegion})
        connect(plat::ui::item<QCheckBox>(this, id), &QCheckBox::clicked, this, [this, id] { OnSwitch(id); });
    const std::pair<int, MCTime CPerformanceOptionsDlg::*> edges[] = {
        {kPlayBegin, &CPerformanceOptionsDlg::m_playStart}, {kRecordBegin, &CPerformanceOptionsDlg::m_recordStart}};
    for (const auto& edge : edges) {
        const int id = edge.first;
        MCTime CPerformanceOptionsDlg::* const member = edge.second;
        connect(plat::ui::item<QAbstractButton>(this, id), &QAbstractButton::clicked, this,
                [this, id, member] { setRegionEdge(id == kPlayBegin ? kPlayStart : kRecordStart, this->*member, MCTime::TimeZero()); });
    }
    connect(plat::ui::item<QAbstractButton>(this, kPlayEnd), &QAbstractButton::clicked, this,
            [this] { setRegionEdge(kPlayStop, m_playStop, m_end); });
    connect(plat::ui::item<QAbstractButton>(this, kRecordEnd), &QAbstractButton::clicked, this,
            [this] { setRegionEdge(kRecordStop, m_recordStop, m_end); });
    updateData(false);
}

int CPerformanceOptionsDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CPerformanceOptionsDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

void CPerformanceOptionsDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    dx.check(kAutoRewind, m_autoRewind);
    dx.check(kAutoStop, m_autoStop);
    dx.check(kLoop, m_loop);
    if (dx.saving()) {
        // With loop on the box is forced on; the stored play-region switch stays the user's.
        if (!m_loop)
            dx.check(kPlayRegion, m_playRegion);
    } else {
        int shown = m_loop ? 1 : m_playRegion;
        dx.check(kPlayRegion, shown);
    }
    DDX_MCTimeEdit(dx, kPlayStart, m_playStart);
    DDX_MCTimeEdit(dx, kPlayStop, m_playStop);
    dx.check(kRecordRegion, m_recordRegion);
    if (m_recordRegion || !dx.saving()) {
        MCTime start = m_recordRegion ? m_recordStart : m_playStart;
        MCTime stop = m_recordRegion ? m_recordStop : m_playStop;
        DDX_MCTimeEdit(dx, kRecordStart, start);
        DDX_MCTimeEdit(dx, kRecordStop, stop);
        if (dx.saving()) {
            m_recordStart = start;
            m_recordStop = stop;
        }
    }
    dx.check(kLeadIn, m_leadIn);
    // Without lead-in the count is disabled: what it holds can be neither used nor corrected,
    // and the count in force stays.
    if (m_leadIn || !dx.saving()) {
        DDX_MCSpinEdit(dx, kLeadInCount, m_leadInCount);
        if (dx.saving())
            dx.range(m_leadInCount, 1, 1000);
    }
    dx.check(kLeadInLoop, m_leadInLoop);
    dx.radio(kMerge, m_recordMode);
    dx.radio(kLoopMuteOld, m_loopRecordMode);
    if (!dx.saving())
        refreshControls();
}

void CPerformanceOptionsDlg::refreshControls()
{
    const auto enable = [this](int id, bool on) {
        if (QWidget* control = plat::ui::itemWidget(this, id))
            control->setEnabled(on);
    };
    enable(kLeadInCount, m_leadIn);
    enable(kLeadInLoop, m_leadIn && m_loop);
    for (int id : {kLoopMuteOld, kLoopMonitorAll, kLoopSameTrack})
        enable(id, m_loop);
    for (int id : {kRecordStart, kRecordStop, kRecordBegin, kRecordEnd})
        enable(id, m_recordRegion);
    for (int id : {kPlayStart, kPlayStop, kPlayBegin, kPlayEnd})
        enable(id, m_playRegion || m_loop);
    if (auto* play = plat::ui::item<QCheckBox>(this, kPlayRegion)) {
        play->setEnabled(!m_loop);
        play->setText(m_loop ? "Loop Region :" : "Play Region :");
        if (m_loop)
            play->setChecked(true);
        else
            play->setChecked(m_playRegion != 0);
    }
    showPlayTimesAsRecordTimes();
}

void CPerformanceOptionsDlg::switchRecordRegion(int on)
{
    auto* start = plat::ui::item<MCTimeEdit>(this, kRecordStart);
    auto* stop = plat::ui::item<MCTimeEdit>(this, kRecordStop);
    // The edits hold the record times only while the region is on: switched off they show the
    // play region, so what the user made of them is kept for when it comes back.
    if (m_recordRegion && !on && start && stop) {
        m_recordStart = start->GetTimeValue();
        m_recordStop = stop->GetTimeValue();
    }
    if (!m_recordRegion && on && start && stop) {
        start->SetTimeValue(m_recordStart);
        stop->SetTimeValue(m_recordStop);
    }
    m_recordRegion = on;
}

void CPerformanceOptionsDlg::showPlayTimesAsRecordTimes()
{
    if (m_recordRegion)
        return;
    for (const auto& [play, record] : {std::pair{kPlayStart, kRecordStart}, std::pair{kPlayStop, kRecordStop}}) {
        const auto* from = plat::ui::item<MCTimeEdit>(this, play);
        auto* to = plat::ui::item<MCTimeEdit>(this, record);
        if (from && to)
            to->SetTimeValue(from->GetTimeValue());
    }
}

void CPerformanceOptionsDlg::onNotice(int id, int code, QWidget*)
{
    if ((id == kPlayStart || id == kPlayStop) && code == MCTimeEdit::kNotice)
        showPlayTimesAsRecordTimes();
}

void CPerformanceOptionsDlg::OnSwitch(int id)
{
    const auto* box = plat::ui::item<QCheckBox>(this, id);
    const int on = box && box->isChecked() ? 1 : 0;
    switch (id) {
    case kLoop: m_loop = on; break;
    case kLeadIn: m_leadIn = on; break;
    case kRecordRegion: switchRecordRegion(on); break;
    case kPlayRegion: m_playRegion = on; break;
    default: return;
    }
    refreshControls();
}

void CPerformanceOptionsDlg::setRegionEdge(int id, MCTime& time, const MCTime& value)
{
    time = value;
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, id))
        edit->SetTimeValue(value);
    showPlayTimesAsRecordTimes();
}

void CPerformanceOptionsDlg::OnReset()
{
    m_autoRewind = 1;
    m_autoStop = 1;
    m_loop = 0;
    m_leadIn = 1;
    m_leadInLoop = 0;
    m_recordRegion = 0;
    m_playRegion = 0;
    m_recordMode = 0;
    m_leadInCount = 1;
    m_loopRecordMode = 0;
    m_playStart = m_recordStart = MCTime::TimeZero();
    m_playStop = m_recordStop = m_end;
    updateData(false);
}

void CPerformanceOptionsDlg::accept()
{
    if (!updateData(true))
        return;
    // A region switched off is not used, so only a region in use must have a length. A region
    // that ends before it starts has none either: a loop over it never came back, and play
    // through it never stopped.
    if (m_recordRegion && !(m_recordStart < m_recordStop)) {
        tell(AppStrings::badRecordRegion);
        return;
    }
    if (!(m_playStart < m_playStop)) {
        tell(AppStrings::badPlayRegion);
        return;
    }
    write();
    QDialog::accept();
}

void CPerformanceOptionsDlg::write()
{
    if (!m_sequence)
        return;
    m_sequence->EnableAutoRewind(m_autoRewind);
    m_sequence->EnableAutoStop(m_autoStop);
    m_sequence->EnableLoopRegion(m_loop);
    m_sequence->EnablePlayRegion(m_playRegion);
    m_sequence->EnableRecordRegion(m_recordRegion);
    m_sequence->EnableRecordLeadIn(m_leadIn);
    m_sequence->SetNumLeadInMeasures(m_leadInCount);
    m_sequence->EnableLoopRecordLeadIn(m_leadInLoop);
    m_sequence->EnableRecordReplace(m_recordMode);
    m_sequence->EnableLoopRecordSameTrack(m_loopRecordMode == 2);
    m_sequence->EnableLoopRecordAutoMute(m_loopRecordMode == 0);
    m_sequence->SetPlayRegion(m_playStart, m_playStop);
    m_sequence->SetRecordRegion(m_recordStart, m_recordStop);
    SaveIntPreference(kShuttle, "AutoRewind", m_autoRewind);
    SaveIntPreference(kShuttle, "AutoStop", m_autoStop);
    SaveIntPreference(kShuttle, "LeadInEnabled", m_leadIn);
    SaveIntPreference(kShuttle, "LeadInCount", m_leadInCount);
    SaveIntPreference(kShuttle, "LeadInLoop", m_leadInLoop);
    SaveIntPreference(kShuttle, "Replace Mode", m_recordMode);
    if (m_performance) {
        auto* state = new SCPerform(kOptionsCode);
        state->SetSynchronous(1);
        state->Apply(m_performance);
    }
}
