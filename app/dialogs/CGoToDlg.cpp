#include "app/dialogs/CGoToDlg.h"

#include "app/core/AppStrings.h"
#include "app/core/CDialogToolTips.h"
#include "app/core/GoToEdgeButton.h"
#include "interface/controls/MCButton.h"
#include "interface/controls/MCDataExchange.h"
#include "interface/controls/MCTimeEdit.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/model/ECText.h"
#include "notabase/model/EventTypes.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/score/ECConductor.h"
#include "notabase/states/SCTime.h"
#include "platform/core/UserPrompt.h"
#include "platform/ui/dialog/ChoiceKeeper.h"
#include "platform/ui/dialog/ItemId.h"
#include "platform/ui/dialog/ModalHooks.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

constexpr const char* kSection = "Settings\\Goto";

// The filter that governs a text of this type; null for types the list never shows.
int* filterOf(unsigned char type, int& markers, int& rehearsal, int& text, int& cue)
{
    switch (type) {
    case 0: return &text;
    case 5: return &markers;
    case 6: return &cue;
    case 14:
    case 15: return &rehearsal;
    default: return nullptr;
    }
}

}  // namespace

CGoToDlg::CGoToDlg(ECPerformance* performance, const MCTime& time, QWidget* parent)
    : plat::ui::ExchangeDialog(parent), m_performance(performance), m_time(time), m_end(MCTime::TimeZero()),
      m_showMarkers(LoadIntPreference(kSection, "ShowMarkers", 1)),
      m_showRehearsal(LoadIntPreference(kSection, "ShowRehearsal", 1)),
      m_showText(LoadIntPreference(kSection, "ShowText", 0)), m_showCue(LoadIntPreference(kSection, "ShowCue", 1)),
      m_advanced(LoadIntPreference(kSection, "Advanced", 0))
{
    setWindowTitle("Go To");
    CDialogToolTips::Install(this);
    if (m_performance) {
        if (ECConductor* conductor = m_performance->GetConductor())
            m_end = conductor->GetMaxMeasureEndTime();
    }

    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    auto* timeEdit = new MCTimeEdit(this);
    plat::ui::setItemId(timeEdit, kTime);
    MCButton* begin = MakeGoToEdgeButton(this, kBegin, false);
    MCButton* end = MakeGoToEdgeButton(this, kEnd, true);
    m_slider = new QSlider(Qt::Horizontal, this);
    plat::ui::setItemId(m_slider, kSlider);
    m_slider->setRange(0, wholeBeats(m_end));
    m_slider->setValue(std::clamp(wholeBeats(m_time), 0, m_slider->maximum()));
    m_slider->setMinimumWidth(220);
    auto* timeLabel = new QLabel("&Time:", this);
    timeLabel->setBuddy(timeEdit);
    top->addWidget(timeLabel, 0, 0);
    top->addWidget(timeEdit, 0, 1, 1, 3);
    top->addWidget(begin, 1, 0);
    top->addWidget(m_slider, 1, 1, 1, 2);
    top->addWidget(end, 1, 3);
    layout->addLayout(top);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* advanced = new QPushButton(this);
    plat::ui::setItemId(advanced, kAdvanced);
    buttons->addButton(advanced, QDialogButtonBox::ActionRole);
    layout->addWidget(buttons);

    m_advancedPart = new QWidget(this);
    auto* lower = new QHBoxLayout(m_advancedPart);
    lower->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget(m_advancedPart);
    plat::ui::setItemId(m_list, kMarkerList);
    plat::ui::ChoiceKeeper::keep(*m_list);
    m_list->setMinimumHeight(140);
    lower->addWidget(m_list, 1);
    auto* filters = new QVBoxLayout;
    const std::pair<int, const char*> checks[] = {
        {kShowMarkers, "Mar&kers"}, {kShowRehearsal, "Rehearsal &Letters"}, {kShowText, "Te&xt"}, {kShowCue, "C&ue Points"}};
    for (const auto& [id, text] : checks) {
        auto* check = new QCheckBox(text, m_advancedPart);
        plat::ui::setItemId(check, id);
        connect(check, &QCheckBox::clicked, this, [this] { OnFilter(); });
        filters->addWidget(check);
    }
    filters->addStretch();
    lower->addLayout(filters);
    layout->addWidget(m_advancedPart);

    connect(buttons, &QDialogButtonBox::accepted, this, &CGoToDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CGoToDlg::reject);
    connect(advanced, &QPushButton::clicked, this, [this] { OnAdvanced(); });
    connect(begin, &QPushButton::clicked, this, [this] { OnBegin(); });
    connect(end, &QPushButton::clicked, this, [this] { OnEnd(); });
    connect(m_slider, &QSlider::valueChanged, this, [this](int beats) { OnSlider(beats); });
    connect(m_list, &QListWidget::currentRowChanged, this, [this] { OnMarker(); });
    // A click on the marker already chosen (the first one is when the list fills) picks it too,
    // and so does Enter on it, before the dialog takes Enter as OK.
    connect(m_list, &QListWidget::itemClicked, this, [this] { OnMarker(); });
    connect(m_list, &QListWidget::itemActivated, this, [this] { OnMarker(); });

    fillList();
    applyAdvanced();
    updateData(false);
    timeEdit->setFocus();
    timeEdit->setSelection(0, 3);
}

CGoToDlg::~CGoToDlg()
{
    SaveIntPreference(kSection, "ShowMarkers", m_showMarkers);
    SaveIntPreference(kSection, "ShowRehearsal", m_showRehearsal);
    SaveIntPreference(kSection, "ShowText", m_showText);
    SaveIntPreference(kSection, "ShowCue", m_showCue);
    SaveIntPreference(kSection, "Advanced", m_advanced);
}

int CGoToDlg::Run(ECPerformance* performance, const MCTime& time, QWidget* parent)
{
    CGoToDlg dialog(performance, time, parent);
    return plat::ui::ModalHooks::runDialog(dialog);
}

int CGoToDlg::wholeBeats(const MCTime& time)
{
    const long ppq = std::max(MCTime::GlobalPPQ, 1L);
    return static_cast<int>(std::max(time.GetTicks(ppq), 0L) / ppq);
}

void CGoToDlg::doDataExchange(plat::ui::DataExchange& dx)
{
    DDX_MCTimeEdit(dx, kTime, m_time);
    dx.check(kShowMarkers, m_showMarkers);
    dx.check(kShowRehearsal, m_showRehearsal);
    dx.check(kShowText, m_showText);
    dx.check(kShowCue, m_showCue);
    if (dx.saving() && m_time > m_end) {
        plat::UserPrompt::Message message;
        message.caption = "Go To";
        message.text = AppStrings::text(AppStrings::gotoPastEnd);
        message.icon = plat::UserPrompt::Icon::information;
        plat::UserPrompt::ask(message);
        m_time = m_end;
    }
}

void CGoToDlg::fillList()
{
    std::vector<ECText*> texts;
    if (m_performance) {
        ACFindEvents find(0);
        find.AddEvtType(EventId::Text);
        find.SetDepth(3);
        find.Apply(m_performance);
        for (ECBase* found : find.GetEvents()) {
            if (auto* text = dynamic_cast<ECText*>(found))
                texts.push_back(text);
        }
    }
    const auto timeOf = [](ECText* text) {
        const MCTime* at = text->GetTime();
        return at ? *at : MCTime::TimeZero();
    };
    std::stable_sort(texts.begin(), texts.end(), [&](ECText* a, ECText* b) { return timeOf(a) < timeOf(b); });
    const QSignalBlocker quiet(m_list);
    m_list->clear();
    for (ECText* text : texts) {
        const int* flag = filterOf(text->GetTextType(), m_showMarkers, m_showRehearsal, m_showText, m_showCue);
        if (!flag || !*flag || text->GetText().empty())
            continue;
        auto* item = new QListWidgetItem(QString::fromStdString(text->GetText()), m_list);
        item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void*>(text)));
    }
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
}

void CGoToDlg::OnFilter()
{
    updateData(true);
    fillList();
}

void CGoToDlg::showTime(const MCTime& time)
{
    m_time = time;
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, kTime))
        edit->SetTimeValue(time);
    const QSignalBlocker quiet(m_slider);
    m_slider->setValue(std::clamp(wholeBeats(time), 0, m_slider->maximum()));
}

void CGoToDlg::OnMarker()
{
    const QListWidgetItem* item = m_list->currentItem();
    auto* text = item ? static_cast<ECText*>(item->data(Qt::UserRole).value<void*>()) : nullptr;
    if (const MCTime* at = text ? text->GetTime() : nullptr)
        showTime(*at);
}

void CGoToDlg::OnSlider(int beats)
{
    MCTime time = MCTime::TimeZero();
    time.SetTicks(static_cast<long>(beats) * MCTime::GlobalPPQ, MCTime::GlobalPPQ);
    m_time = time;
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, kTime))
        edit->SetTimeValue(time);
}

void CGoToDlg::OnTimeChange()
{
    if (auto* edit = plat::ui::item<MCTimeEdit>(this, kTime)) {
        m_time = edit->GetTimeValue();
        const QSignalBlocker quiet(m_slider);
        m_slider->setValue(std::clamp(wholeBeats(m_time), 0, m_slider->maximum()));
    }
}

void CGoToDlg::OnBegin()
{
    showTime(MCTime::TimeZero());
}

void CGoToDlg::OnEnd()
{
    showTime(m_end);
}

void CGoToDlg::OnAdvanced()
{
    m_advanced = m_advanced ? 0 : 1;
    applyAdvanced();
}

void CGoToDlg::applyAdvanced()
{
    m_advancedPart->setVisible(m_advanced != 0);
    if (auto* button = plat::ui::item<QPushButton>(this, kAdvanced))
        button->setText(QString::fromStdString(AppStrings::text(m_advanced ? AppStrings::gotoAdvancedOn : AppStrings::gotoAdvancedOff)));
    adjustSize();
}

void CGoToDlg::accept()
{
    if (!updateData(true))
        return;
    if (m_performance) {
        auto* state = new SCTime(kGotoCode, m_time);
        state->SetSynchronous(1);
        state->Apply(m_performance);
    }
    QDialog::accept();
}

void CGoToDlg::onNotice(int id, int code, QWidget*)
{
    if (id == kTime && code == MCTimeEdit::kNotice)
        OnTimeChange();
}
