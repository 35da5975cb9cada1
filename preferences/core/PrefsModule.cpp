#include "preferences/core/PrefsModule.h"

#include "interface/views/ToolTipProtocol.h"
#include "platform/core/Resources.h"

std::string PrefsModule::String(uint32_t id)
{
    const plat::Resources::ModuleSwitch own(kName);
    return plat::Resources::string(id);
}

bool PrefsModule::ToolTipEvent(const QWidget* window, QEvent* event)
{
    const plat::Resources::ModuleSwitch own(kName);
    return tooltips::HandleToolTipEvent(window, event);
}
