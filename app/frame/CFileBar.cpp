#include "app/frame/CFileBar.h"

#include "interface/controls/MCButton2.h"
#include "interface/core/MCResourceModule.h"
#include "platform/ui/command/CommandActions.h"

#include <QAction>

namespace {

constexpr const char* kPrefixes[] = {"NEW", "OPEN", "SAVE", "PRINT"};

}  // namespace

CFileBar::CFileBar(plat::ui::CommandActions& actions, QWidget* parent)
    : QToolBar(tr("File"), parent), m_actions(actions)
{
    setObjectName("File");
    setAllowedAreas(Qt::TopToolBarArea | Qt::BottomToolBarArea);
}

bool CFileBar::InitBar()
{
    if (!SetResourceModule("Knobset"))
        return false;
    auto* panel = new QWidget(this);
    int x = 5;
    int height = 0;
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        auto* button = new MCButton2(panel);
        button->setObjectName(kPrefixes[i]);
        button->LoadBitmaps(kPrefixes[i], 0xFF00FF, 0x0000FF, 0xFF0000);
        button->SetDisabledState(2);
        const QSize size = button->sizeHint();
        button->setGeometry(x, 5, size.width(), size.height());
        x += size.width();
        height = size.height();
        m_buttons[i] = button;
    }
    ResetResourceModule();
    panel->setFixedSize(x + 7, height + 10);
    addWidget(panel);
    for (size_t i = 0; i < m_buttons.size(); ++i) {
        QAction* action = m_actions.action(kCommands[i]);
        MCButton2* button = m_buttons[i];
        connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
        connect(action, &QAction::changed, button, [button, action] { button->setEnabled(action->isEnabled()); });
        button->setEnabled(action->isEnabled());
        button->setToolTip(action->toolTip());
    }
    return true;
}

MCButton2* CFileBar::Button(uint32_t command) const
{
    for (size_t i = 0; i < kCommands.size(); ++i) {
        if (kCommands[i] == command)
            return m_buttons[i];
    }
    return nullptr;
}
