#include "app/frame/CFileBar.h"

#include "app/core/AppCommandTable.h"
#include "app/core/CommandButton.h"
#include "interface/controls/MCButton2.h"
#include "interface/core/MCResourceModule.h"
#include "interface/views/MCDialogBar.h"
#include "platform/ui/command/CommandActions.h"

#include <QAction>
#include <QBoxLayout>

CFileBar::CFileBar(plat::ui::CommandActions& actions, QWidget* parent)
    : QToolBar(tr("File"), parent), m_actions(actions)
{
    setObjectName("File");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
}

bool CFileBar::InitBar()
{
    static_assert(std::size(AppCommandTable::kFileBar) == std::tuple_size_v<decltype(m_buttons)>);
    if (!SetResourceModule("Knobset"))
        return false;
    MCDialogBar* panel = MakeBarPanel(this, kTemplateId);
    QBoxLayout* row = MakeToolBarRow(panel);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        m_buttons[i] = MakeCommandButton(panel, AppCommandTable::kFileBar[i]);
        m_buttons[i]->SetDisabledState(2);
        row->addWidget(m_buttons[i]);
    }
    ResetResourceModule();
    addWidget(panel);
    FitBarPanel(panel);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        MCButton2* button = m_buttons[i];
        QAction* action = m_actions.action(AppCommandTable::kFileBar[i]);
        connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        button->setEnabled(action->isEnabled());
    }
    return true;
}

MCButton2* CFileBar::Button(uint32_t command) const
{
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        if (AppCommandTable::kFileBar[i] == command)
            return m_buttons[i];
    }
    return nullptr;
}
