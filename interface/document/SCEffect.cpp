#include "interface/document/SCEffect.h"

#include "interface/document/CPluginEffects.h"

CPluginEffects* SCEffect::GetPlugin() const
{
    return CPluginEffects::FindPlugin(m_commandId);
}
