#include "app/frame/CEditBar.h"

#include "app/core/AppCommandTable.h"
#include "app/core/CommandButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/core/MCResourceModule.h"
#include "interface/views/MCDialogBar.h"
#include "notabase/states/SCMode.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAction>
#include <QBoxLayout>

CEditBar::CEditBar(plat::ui::CommandActions& actions, QWidget* parent)
    : QToolBar(tr("Music Edit"), parent), m_actions(actions)
{
    setObjectName("Music Edit");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
}

bool CEditBar::InitBar()
{
    if (!SetResourceModule("Knobset"))
        return false;
    MCDialogBar* panel = MakeBarPanel(this, kTemplateId);
    QBoxLayout* row = MakeToolBarRow(panel);
    // The modes, a gap, then the tool windows.
    size_t group = 0;
    size_t index = 0;
    for (const uint32_t id : AppCommandTable::kEditBar) {
        if (id == 0) {
            row->addSpacing(10);
            ++group;
            index = 0;
            continue;
        }
        MCButton2* button = MakeCommandButton(panel, id);
        button->SetButtonStyle(MCButton2::Toggle);
        if (group == 0)
            button->SetButtonMode(MCButton2::NotifyOnPress);
        button->SetDisabledState(2);
        row->addWidget(button);
        (group == 0 ? m_modes : m_tools)[index++] = button;
    }
    ResetResourceModule();
    addWidget(panel);
    FitBarPanel(panel);

    for (MCButton2* button : m_tools) {
        QAction* action = m_actions.action(uint32_t(plat::ui::itemId(button)));
        // The windows can close on their own: the button shows whether its window is there.
        connect(action, &QAction::changed, button, [button, action] {
            button->setEnabled(action->isEnabled());
            if (action->isCheckable())
                button->SetButtonState(action->isChecked() ? 1 : 0);
        });
    }
    for (MCButton2* button : m_modes) {
        QAction* action = m_actions.action(uint32_t(plat::ui::itemId(button)));
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
    }
    Update(SCMode::GetMode(), nullptr);
    return true;
}

void CEditBar::onNotice(int id, int code, QWidget*)
{
    if (code == 0)
        m_actions.action(uint32_t(id))->trigger();
}

MCButton2* CEditBar::Button(uint32_t command) const
{
    for (MCButton2* button : {m_modes[0], m_modes[1], m_modes[2], m_tools[0], m_tools[1], m_tools[2]}) {
        if (button && uint32_t(plat::ui::itemId(button)) == command)
            return button;
    }
    return nullptr;
}

int CEditBar::GetModeButton(int index) const
{
    return index >= 0 && index < 3 && m_modes[size_t(index)] ? m_modes[size_t(index)]->GetButtonState() : 0;
}

int CEditBar::SetModeButton(int index, int pressed)
{
    if (index < 0 || index >= 3 || !m_modes[size_t(index)])
        return 0;
    return m_modes[size_t(index)]->SetButtonState(pressed ? 1 : 0);
}

int CEditBar::GetToolButton(int index) const
{
    return index >= 0 && index < 3 && m_tools[size_t(index)] ? m_tools[size_t(index)]->GetButtonState() : 0;
}

int CEditBar::SetToolButton(int index, int pressed)
{
    if (index < 0 || index >= 3 || !m_tools[size_t(index)])
        return 0;
    return m_tools[size_t(index)]->SetButtonState(pressed ? 1 : 0);
}

void CEditBar::Update(int code, SCBase*)
{
    if (!m_modes[0])
        return;
    switch (code) {
    case 1300:
    case 1301:
    case 1705:
        Update(SCMode::GetMode(), nullptr);
        break;
    case 1500:
        SetModeButton(0, 1);
        SetModeButton(1, 0);
        m_mode = 1500;
        break;
    case 1502:
        SetModeButton(0, 0);
        SetModeButton(1, 1);
        m_mode = 1502;
        break;
    case 5000:
        SetModeButton(2, 1);
        break;
    case 5001:
        SetModeButton(2, 0);
        break;
    default:
        break;
    }
}
