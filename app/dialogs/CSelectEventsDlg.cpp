#include "app/dialogs/CSelectEventsDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/core/GoToEdgeButton.h"
#include "app/dialogs/ACFindTrackVoice.h"
#include "app/dialogs/CSelectTypeList.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCSpinEdit.h"
#include "interface/controls/MCTimeEdit.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCTrackCheckList.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCSelection.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <utility>
#include <vector>

namespace {

constexpr const char* kSection = "Settings\\Select";
constexpr const char* kTypeSection = "Settings\\Select\\Events";
constexpr int kVoices = 8;

}  // namespace

CSelectEventsDlg::CSelectEventsDlg(MCOpusDoc* doc, QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_doc(doc), m_performance(doc ? doc->GetBaseEvent() : nullptr),
      m_end(MCTime::TimeZero()), m_from(MCTime::TimeZero()), m_to(MCTime::TimeZero()),
      m_advanced(LoadIntPreference(kSection, "Advanced", 0))
{
    setWindowTitle("Select Events");
    CDialogToolTips::Install(this);
    if (m_performance) {
        if (ECConductor* conductor = m_performance->GetConductor())
            m_end = conductor->GetMaxMeasureEndTime();
    }
    m_to = m_end;

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    m_types = new CSelectTypeList(kTypeSection, this);
    top->addWidget(m_types, 1);
    auto* buttons = new QVBoxLayout;
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    plat::ui::setItemId(ok, 1);
    auto* cancel = new QPushButton("Cancel", this);
    plat::ui::setItemId(cancel, 2);
    auto* advanced = new QPushButton(this);
    plat::ui::setItemId(advanced, kAdvanced);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch();
    buttons->addWidget(advanced);
    top->addLayout(buttons);
    layout->addLayout(top);

    m_advancedPart = new QWidget(this);
    auto* filters = new QGridLayout(m_advancedPart);
    filters->setContentsMargins(0, 0, 0, 0);
    const auto check = [this](int id, const char* text) {
        auto* box = new QCheckBox(text, m_advancedPart);
        plat::ui::setItemId(box, id);
        connect(box, &QCheckBox::clicked, this, [this] { UpdateEnabling(); });
        return box;
    };
    filters->addWidget(check(kFilterTrack, "Filter by Track:"), 0, 0, Qt::AlignTop);
    m_trackList = new MCTrackCheckList(m_advancedPart);
    plat::ui::setItemId(m_trackList, kTracks);
    m_trackList->setHeaderHidden(true);
    m_trackList->setFixedHeight(96);
    m_trackList->SetDocument(m_doc);
    filters->addWidget(m_trackList, 0, 1, 1, 5);

    filters->addWidget(check(kFilterTime, "Filter by Time:"), 1, 0);
    MCButton* begin = MakeGoToEdgeButton(m_advancedPart, kBegin, false);
    MCButton* end = MakeGoToEdgeButton(m_advancedPart, kEnd, true);
    auto* from = new MCTimeEdit(m_advancedPart);
    plat::ui::setItemId(from, kFrom);
    auto* to = new MCTimeEdit(m_advancedPart);
    plat::ui::setItemId(to, kTo);
    filters->addWidget(begin, 1, 1);
    filters->addWidget(from, 1, 2);
    filters->addWidget(new QLabel("to", m_advancedPart), 1, 3, Qt::AlignCenter);
    filters->addWidget(to, 1, 4);
    filters->addWidget(end, 1, 5);

    filters->addWidget(check(kFilterVoice, "Filter by Voice:"), 2, 0);
    auto* voiceFrom = new MCSpinEdit;
    voiceFrom->Create(m_advancedPart, kVoiceFrom, MCSpinEdit::kVisibleSpin);
    auto* voiceTo = new MCSpinEdit;
    voiceTo->Create(m_advancedPart, kVoiceTo, MCSpinEdit::kVisibleSpin);
    for (MCSpinEdit* voice : {voiceFrom, voiceTo}) {
        voice->SetRange(1, kVoices);
        voice->setFixedWidth(64);
    }
    auto* voices = new QHBoxLayout;
    voices->addWidget(voiceFrom);
    voices->addWidget(new QLabel("to", m_advancedPart));
    voices->addWidget(voiceTo);
    voices->addStretch();
    filters->addLayout(voices, 2, 2, 1, 3);

    auto* only = new QCheckBox("Apply only to current &selection", m_advancedPart);
    plat::ui::setItemId(only, kOnlySelection);
    filters->addWidget(only, 3, 0, 1, 6);
    filters->setColumnStretch(2, 1);
    filters->setColumnStretch(4, 1);
    layout->addWidget(m_advancedPart);

    connect(ok, &QPushButton::clicked, this, &CSelectEventsDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSelectEventsDlg::reject);
    connect(advanced, &QPushButton::clicked, this, [this] { OnAdvanced(); });
    connect(begin, &QAbstractButton::clicked, this, [this] { OnBegin(); });
    connect(end, &QAbstractButton::clicked, this, [this] { OnEnd(); });

    updateData(false);
    applyAdvanced();
}

CSelectEventsDlg::~CSelectEventsDlg()
{
    SaveIntPreference(kSection, "Advanced", m_advanced);
}

int CSelectEventsDlg::Run(MCOpusDoc* doc, QWidget* parent)
{
    CSelectEventsDlg dialog(doc, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

const std::vector<unsigned>& CSelectEventsDlg::GetSelected() const
{
    return m_types->GetSelected();
}

void CSelectEventsDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    m_types->UpdateData(dx.saving());
    dx.check(kFilterTrack, m_filterTrack);
    if (dx.saving() && m_filterTrack) {
        m_tracks.clear();
        MCEventList checked;
        m_trackList->GetSelectedTracks(checked);
        // A staff's track is the one its elements carry in their words, which the filter reads.
        for (ECBase* staff : checked)
            m_tracks.push_back(static_cast<unsigned>(staff->GetTrack()));
    }
    dx.check(kFilterTime, m_filterTime);
    if (!dx.saving() || m_filterTime) {
        DDX_MCTimeEdit(dx, kFrom, m_from);
        DDX_MCTimeEdit(dx, kTo, m_to);
        // A range typed backwards is taken forwards, as the voices are; it would find nothing
        // and clear the selection.
        if (dx.saving() && m_to < m_from)
            std::swap(m_from, m_to);
    }
    dx.check(kFilterVoice, m_filterVoice);
    if (!dx.saving() || m_filterVoice) {
        // The voices show counted from 1.
        int from = m_voiceFrom + 1;
        int to = m_voiceTo + 1;
        DDX_MCSpinEdit(dx, kVoiceFrom, from);
        DDX_MCSpinEdit(dx, kVoiceTo, to);
        if (dx.saving()) {
            m_voiceFrom = from - 1;
            m_voiceTo = to - 1;
            if (m_voiceFrom > m_voiceTo)
                std::swap(m_voiceFrom, m_voiceTo);
            m_voices.clear();
            for (int voice = m_voiceFrom; voice <= m_voiceTo; ++voice)
                m_voices.push_back(static_cast<unsigned>(voice));
        }
    }
    dx.check(kOnlySelection, m_onlySelection);
    if (!dx.saving())
        UpdateEnabling();
}

void CSelectEventsDlg::UpdateEnabling()
{
    const auto checked = [this](int id) {
        const auto* box = plat::ui::item<QCheckBox>(this, id);
        return box && box->isChecked();
    };
    const auto enable = [this](int id, bool on) {
        if (QWidget* control = plat::ui::itemWidget(this, id))
            control->setEnabled(on);
    };
    for (int id : {kFilterTrack, kFilterTime, kFilterVoice})
        enable(id, m_advanced != 0);
    enable(kTracks, checked(kFilterTrack));
    for (int id : {kBegin, kFrom, kTo, kEnd})
        enable(id, checked(kFilterTime));
    for (int id : {kVoiceFrom, kVoiceTo})
        enable(id, checked(kFilterVoice));
}

void CSelectEventsDlg::OnAdvanced()
{
    m_advanced = m_advanced ? 0 : 1;
    applyAdvanced();
}

void CSelectEventsDlg::applyAdvanced()
{
    m_advancedPart->setVisible(m_advanced != 0);
    if (auto* button = plat::ui::item<QPushButton>(this, kAdvanced))
        button->setText(QString::fromStdString(AppStrings::text(m_advanced ? AppStrings::gotoAdvancedOn : AppStrings::gotoAdvancedOff)));
    UpdateEnabling();
    adjustSize();
}

void CSelectEventsDlg::OnBegin()
{
    m_from = MCTime::TimeZero();
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, kFrom))
        edit->SetTimeValue(m_from);
}

void CSelectEventsDlg::OnEnd()
{
    m_to = m_end;
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, kTo))
        edit->SetTimeValue(m_to);
}

void CSelectEventsDlg::accept()
{
    if (!updateData(true))
        return;
    m_types->Store();
    select();
    QDialog::accept();
}

void CSelectEventsDlg::select()
{
    if (!m_performance)
        return;
    if (m_types->GetSelected().empty()) {
        (new SCSelection(SCSelection::kClear))->Apply(m_performance);
        return;
    }
    ACFindTrackVoice find(MCTime::TimeZero(), m_end);
    for (unsigned type : m_types->GetSelected())
        find.AddEvtType(static_cast<int>(type));
    if (m_filterTrack) {
        // An empty list accepts every track; with no staff checked, only what belongs to no staff
        // (track 0, which every list accepts) may pass.
        find.SetTracks(m_tracks.empty() ? std::vector<unsigned>{0} : m_tracks);
    }
    if (m_filterTime)
        find.SetTimeRange(m_from, m_to, ACFindTime::openEnd);
    if (m_filterVoice)
        find.SetVoices(m_voices);
    if (m_onlySelection && m_doc) {
        // Each selected element is judged by itself, not by what lies below it.
        find.SetDepth(0);
        find.Apply(&m_doc->GetSelection(), 1);
    } else {
        find.Apply(m_performance);
    }
    (new SCSelection(SCSelection::kReplace, &find.GetEvents()))->Apply(m_performance);
}
