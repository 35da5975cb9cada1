#include "app/dialogs/CSysExDlg.h"

#include "app/core/AppStrings.h"
#include "app/dialogs/CSysExEditDlg.h"
#include "interface/controls/MCButton.h"
#include "interface/dialogs/MCWarnDialog.h"
#include "interface/document/MCOpusDoc.h"
#include "interface/pickers/MCSysExList.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/MCEventList.h"
#include "notabase/performance/ECPerformance.h"
#include "platform/ui/dialog/ItemId.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/transport/CSequence.h"
#include "wavegate/CWavegate.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <vector>

namespace {

QString tipOf(uint32_t id)
{
    const std::string prompt = AppStrings::text(id);
    const size_t newline = prompt.find('\n');
    return QString::fromStdString(newline == std::string::npos ? prompt : prompt.substr(newline + 1));
}

std::vector<ECBase*> eventsOf(const MCEventList& list)
{
    std::vector<ECBase*> events;
    for (ECBase* element : list)
        events.push_back(element);
    return events;
}

}  // namespace

CSysExDlg::CSysExDlg(MCOpusDoc* doc, QWidget* parent) : QDialog(parent), m_doc(doc)
{
    setWindowTitle("System Exclusive Messages");
    auto* layout = new QGridLayout(this);

    m_prestart = new MCSysExList(this);
    m_prestart->SetPrestartList(true);
    m_prestart->Create(this, kPrestartList);
    m_normal = new MCSysExList(this);
    m_normal->Create(this, kList);
    m_normal->setToolTip(tipOf(AppStrings::sysExListTip));
    m_active = m_normal;
    for (MCSysExList* list : {m_prestart, m_normal}) {
        list->setMinimumSize(360, 110);
        list->installEventFilter(this);
        connect(list, &QTreeWidget::itemDoubleClicked, this, [this] { OnEdit(); });
    }

    const auto button = [this](int id, const char* text, void (CSysExDlg::*handler)()) {
        auto* created = new QPushButton(text, this);
        plat::ui::setItemId(created, id);
        connect(created, &QPushButton::clicked, this, handler);
        return created;
    };
    const auto arrow = [this](int id, const char* images, void (CSysExDlg::*handler)()) {
        auto* created = new MCButton(this);
        plat::ui::setItemId(created, id);
        // Pure blue shows the button's face.
        created->SetTransparentColor(0xFF0000);
        created->LoadBitmaps(images);
        connect(created, &QAbstractButton::clicked, this, handler);
        return created;
    };

    layout->addWidget(new QLabel("Pre-Start Sequence:", this), 0, 0);
    layout->addWidget(m_prestart, 1, 0);
    auto* order = new QVBoxLayout;
    order->addWidget(arrow(kMoveUp, "MOVEUP", &CSysExDlg::OnMoveUp));
    order->addWidget(arrow(kMoveDown, "MOVEDOWN", &CSysExDlg::OnMoveDown));
    order->addStretch();
    order->addWidget(button(kSendPrestart, "Send Pre-Start Sequence", &CSysExDlg::OnSendPrestart));
    layout->addLayout(order, 1, 1);
    layout->addWidget(new QLabel("Messages:", this), 2, 0);
    layout->addWidget(m_normal, 3, 0);
    auto* actions = new QVBoxLayout;
    QPushButton* sendNow = button(kSendNow, "&Send Now", &CSysExDlg::OnSendNow);
    sendNow->setToolTip(tipOf(AppStrings::sysExSendTip));
    actions->addWidget(sendNow);
    actions->addWidget(button(kNew, "New...", &CSysExDlg::OnNew));
    actions->addWidget(button(kEdit, "Edit...", &CSysExDlg::OnEdit));
    actions->addWidget(button(kRemove, "Remove", &CSysExDlg::OnRemove));
    actions->addStretch();
    layout->addLayout(actions, 3, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSysExDlg::accept);
    layout->addWidget(buttons, 4, 0, 1, 2);

    m_prestart->SetDocument(m_doc);
    m_normal->SetDocument(m_doc);
}

CSysExDlg::~CSysExDlg() = default;

bool CSysExDlg::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (watched == m_prestart)
            m_active = m_prestart;
        else if (watched == m_normal)
            m_active = m_normal;
    }
    return QDialog::eventFilter(watched, event);
}

void CSysExDlg::RefreshLists()
{
    m_prestart->RefreshMessages();
    m_normal->RefreshMessages();
}

void CSysExDlg::OnSendPrestart()
{
    m_prestart->RefreshMessages();
    if (m_doc)
        m_doc->GetSequence()->SendPrestart();
}

void CSysExDlg::OnSendNow()
{
    CWavegate* wavegate = CWavegate::GetWavegate();
    if (!wavegate)
        return;
    MCEventList selected;
    m_normal->GetSelectedEvents(selected);
    const int devices = wavegate->GetDeviceCount(CWavegate::WG_MIDI, CWavegate::WG_OUT);
    for (ECBase* element : selected) {
        auto* data = dynamic_cast<DCsqSysMsg*>(element->GetData(0, 1));
        if (!data || !data->GetSysExData().HasData())
            continue;
        const FCMidiSysEx& bytes = data->GetSysExData();
        for (int device = 0; device < devices; ++device)
            wavegate->SendSysExMsg(device, bytes.GetSysExBuf(), int(bytes.GetSysExBufLength()), 1);
    }
}

void CSysExDlg::MovePrestart(int step)
{
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!performance)
        return;
    MCEventList all;
    MCEventList selected;
    m_prestart->GetEvents(all);
    if (!m_prestart->GetSelectedEvents(selected))
        return;
    std::vector<ECBase*> order = eventsOf(all);
    ECBase* moved = selected.GetHead();
    size_t at = 0;
    while (at < order.size() && order[at] != moved)
        ++at;
    if (at == order.size())
        return;
    if (step < 0 ? at == 0 : at + 1 == order.size())
        return;
    std::swap(order[at], order[step < 0 ? at - 1 : at + 1]);

    MCCommandList list;
    auto* edit = static_cast<CCEditTime*>(list.GetCommand(CommandIds::CCEditTime, &CCEditTime::classObject));
    const int count = int(order.size());
    for (int i = 0; i < count; ++i) {
        const MCTime time(float(i - count));
        edit->EditTime(order[size_t(i)], &time);
    }
    list.SetSynchronous(1);
    MCCommandMgr::BeginUndo(performance, "Move SysEx Message");
    list.Apply(performance);
    MCCommandMgr::EndUndo(performance);
    m_prestart->RefreshMessages();
    m_prestart->SelectEvent(moved);
    m_doc->SetModifiedFlag();
}

ECBase* CSysExDlg::chosenMessage() const
{
    MCEventList selected;
    return m_active->GetSelectedEvents(selected) ? selected.GetHead() : nullptr;
}

void CSysExDlg::OnNew()
{
    if (CSysExEditDlg::Run(m_doc, nullptr, this) == QDialog::Accepted)
        RefreshLists();
}

void CSysExDlg::OnEdit()
{
    auto* message = dynamic_cast<ECSystemMessage*>(chosenMessage());
    if (message && CSysExEditDlg::Run(m_doc, message, this) == QDialog::Accepted)
        RefreshLists();
}

void CSysExDlg::OnRemove()
{
    ECBase* message = chosenMessage();
    ECPerformance* performance = m_doc ? m_doc->GetBaseEvent() : nullptr;
    if (!message || !performance)
        return;
    MCWarnDialog warning(AppStrings::sysExNoUndoTitle, AppStrings::sysExNoUndo, this);
    if (!warning.OkToProceed())
        return;
    MCCommandList list;
    static_cast<CCRemove*>(list.GetCommand(CommandIds::CCRemove, &CCRemove::classObject))->Remove(message);
    list.SetSynchronous(1);
    list.Apply(performance);
    // The removal is not undoable, so what the history holds for the message would undo or redo
    // it behind the user's back: redoing its creation would bring the removed message back.
    performance->ClearUndo();
    RefreshLists();
    m_doc->SetModifiedFlag();
}
