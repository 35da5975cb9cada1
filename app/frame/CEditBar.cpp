#include "app/frame/CEditBar.h"

#include "interface/controls/MCButton2.h"
#include "interface/core/MCResourceModule.h"
#include "notabase/states/SCMode.h"
#include "platform/ui/command/CommandActions.h"
#include "platform/ui/dialog/ItemId.h"

#include <QAction>

namespace {

constexpr const char* kModePrefixes[] = {"MODESELECT", "MODEEDIT", "MODEHOTKEY"};
constexpr const char* kToolPrefixes[] = {"TOOLMUSIC", "TOOLMIXER", "TOOLPROPERTIES"};

}  // namespace

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
    auto* panel = new QWidget(this);
    int x = 5;
    int height = 0;
    auto place = [&](const char* prefix, uint32_t id, int mode) {
        auto* button = new MCButton2(panel);
        button->setObjectName(prefix);
        plat::ui::setItemId(button, int(id));
        button->LoadBitmaps(prefix, 0xFF00FF, 0x0000FF, 0xFF0000);
        button->SetButtonStyle(MCButton2::Toggle);
        if (mode)
            button->SetButtonMode(mode);
        button->SetDisabledState(2);
        const QSize size = button->sizeHint();
        button->setGeometry(x, 5, size.width(), size.height());
        x += size.width();
        height = size.height();
        return button;
    };
    for (size_t i = 0; i < m_modes.size(); ++i)
        m_modes[i] = place(kModePrefixes[i], kModeCommands[i], MCButton2::NotifyOnPress);
    x += 10;
    for (size_t i = 0; i < m_tools.size(); ++i)
        m_tools[i] = place(kToolPrefixes[i], kToolCommands[i], 0);
    ResetResourceModule();
    panel->setFixedSize(x + 7, height + 10);
    addWidget(panel);

    for (size_t i = 0; i < m_tools.size(); ++i) {
        QAction* action = m_actions.action(kToolCommands[i]);
        MCButton2* button = m_tools[i];
        // The windows can close on their own: the button shows whether its window is there.
        connect(action, &QAction::changed, button, [button, action] {
            button->setEnabled(action->isEnabled());
            if (action->isCheckable())
                button->SetButtonState(action->isChecked() ? 1 : 0);
        });
    }
    for (size_t i = 0; i < m_modes.size(); ++i) {
        QAction* action = m_actions.action(kModeCommands[i]);
        MCButton2* button = m_modes[i];
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
    for (size_t i = 0; i < 3; ++i) {
        if (kModeCommands[i] == command)
            return m_modes[i];
        if (kToolCommands[i] == command)
            return m_tools[i];
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
