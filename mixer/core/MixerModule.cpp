#include "mixer/core/MixerModule.h"

#include "platform/core/Resources.h"

std::string MixerModule::String(uint32_t id)
{
    const plat::Resources::ModuleSwitch own(kName);
    return plat::Resources::string(id);
}
