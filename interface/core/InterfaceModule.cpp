#include "interface/core/InterfaceModule.h"

#include "platform/core/Resources.h"

std::string InterfaceModule::String(uint32_t id)
{
    const plat::Resources::ModuleSwitch own(kName);
    return plat::Resources::string(id);
}
