#include "app/frame/CTransportBar.h"

#include "app/core/AppCommandTable.h"
#include "app/core/CommandButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/core/MCResourceModule.h"
#include "interface/views/MCDialogBar.h"
#include "notabase/states/SCBase.h"
#include "platform/ui/command/CommandActions.h"

#include <QAction>
#include <QBoxLayout>

namespace {

constexpr uint32_t kRecordBits = 0x00070000;
constexpr uint32_t kPauseBits = 0x0000400C;
constexpr uint32_t kPlayBits = 0x00000350;

}  // namespace

CTransportBar::CTransportBar(plat::ui::CommandActions& actions, StateWord stateWord, QWidget* parent)
    : QToolBar(tr("Transport Controls"), parent), m_actions(actions), m_stateWord(std::move(stateWord))
{
    setObjectName("Transport");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
}

bool CTransportBar::InitBar()
{
    if (!SetResourceModule("Knobset"))
        return false;
    m_panel = MakeBarPanel(this, kTemplateId);
    for (const uint32_t id : AppCommandTable::kTransportBar) {
        MCButton2* button = MakeCommandButton(m_panel, id);
        button->SetDisabledState(2);
        m_buttons[size_t(int(id) - kFirstId)] = button;
    }
    ResetResourceModule();
    // Rewind and fast forward take the places of the markers: one pair shows at a time.
    QBoxLayout* row = MakeToolBarRow(m_panel);
    for (const int id : {773, 774, 775, 776, 777, 778, 779, 781, 780, 782})
        row->addWidget(Button(id));
    for (const int id : {774, 775, 776, 778, 782})
        Button(id)->SetButtonStyle(MCButton2::Toggle);
    // Hidden before the bar is laid out, so the bar is as wide as one pair.
    Button(781)->hide();
    Button(782)->hide();
    addWidget(m_panel);
    FitBarPanel(m_panel);

    for (const uint32_t command : AppCommandTable::kTransportBar) {
        const int id = int(command);
        QAction* action = m_actions.action(command);
        connect(Button(id), &QAbstractButton::clicked, action, [action] { action->trigger(); });
        connect(action, &QAction::changed, this, [this, id] { FollowAction(id); });
        FollowAction(id);
    }
    return true;
}

MCButton2* CTransportBar::Button(int id) const
{
    if (id < kFirstId || id > kLastId)
        return nullptr;
    return m_buttons[size_t(id - kFirstId)];
}

void CTransportBar::FollowAction(int id)
{
    const QAction* action = m_actions.find(uint32_t(id));
    MCButton2* button = Button(id);
    if (!action || !button)
        return;
    button->setEnabled(action->isEnabled());
    if (id == 773)
        SetLoopMark(action->isChecked() ? 1 : 0);
    else if (id == 774)
        SetStepMark(action->isChecked() ? 1 : 0);
}

int CTransportBar::CodeOfStateWord(uint32_t word)
{
    if (word & kRecordBits)
        return 3304;
    if (word & kPauseBits)
        return 3301;
    if (word & kPlayBits)
        return 3302;
    return 3300;
}

void CTransportBar::Update(int code, SCBase* state)
{
    if (!m_panel)
        return;
    switch (code) {
    case 1300:
    case 1301:
    case 1705: {
        const std::optional<uint32_t> word = m_stateWord ? m_stateWord() : std::nullopt;
        Update(word ? CodeOfStateWord(*word) : 3300, state);
        break;
    }
    case 3300:
    case 3309:
        Button(773)->SetDisabledState(2);
        for (const int id : {774, 775, 776, 778})
            Button(id)->SetButtonState(0);
        ShowPairs(0);
        break;
    case 3301:
        Button(773)->SetDisabledState(LoopDisabledState());
        ShowPairs(Button(776)->GetButtonState() ? 0 : 1);
        break;
    case 3302:
        Button(773)->SetDisabledState(LoopDisabledState());
        Button(775)->SetButtonState(0);
        Button(776)->SetButtonState(0);
        Button(778)->SetButtonState(1);
        ShowPairs(1);
        break;
    case 3303:
        Button(773)->SetDisabledState(2);
        Button(774)->SetButtonState(1);
        break;
    case 3304:
        Button(773)->SetDisabledState(LoopDisabledState());
        Button(775)->SetButtonState(1);
        Button(776)->SetButtonState(0);
        Button(778)->SetButtonState(0);
        ShowPairs(1);
        break;
    case 3307: {
        const std::optional<uint32_t> word = m_stateWord ? m_stateWord() : std::nullopt;
        Button(782)->SetButtonState(word && (*word & 0x40) ? 1 : 0);
        break;
    }
    default:
        break;
    }
}

void CTransportBar::ShowPairs(int running)
{
    if (running == (m_flags & 1))
        return;
    m_flags = uint8_t((m_flags & ~1) | running);
    const bool markers = running == 0 || (m_flags & 4);
    for (const int id : {779, 780})
        Button(id)->setVisible(markers);
    for (const int id : {781, 782})
        Button(id)->setVisible(!markers);
}

void CTransportBar::SetLoopMark(int mark)
{
    const int bit = mark ? 2 : 0;
    if ((m_flags & 2) == bit)
        return;
    m_flags = uint8_t((m_flags & ~2) | bit);
    if (m_panel)
        Button(773)->SetButtonState(mark ? 1 : 0);
}

void CTransportBar::SetStepMark(int mark)
{
    const int bit = mark ? 4 : 0;
    if ((m_flags & 4) == bit)
        return;
    m_flags = uint8_t((m_flags & ~4) | bit);
    if (m_panel)
        Button(774)->SetButtonState(mark ? 1 : 0);
}
