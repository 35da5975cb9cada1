#include "notabase/plugins/CPluginFilter.h"

#include "notabase/layers/LCBase.h"
#include "notabase/lists/MCMapStringToPtr.h"
#include "platform/core/Object.h"
#include "platform/core/Trace.h"

namespace {

// The first registration, in the registry's order, that the predicate accepts.
template <class Pred>
CPluginFilter* findFirst(Pred&& accepts)
{
    const MCMapStringToPtr& plugins = CPluginFilter::GetPlugins();
    std::string key;
    void* value = nullptr;
    for (MCPosition p = plugins.GetStartPosition(); p;) {
        plugins.GetNextAssoc(p, key, value);
        auto* plugin = static_cast<CPluginFilter*>(value);
        if (accepts(*plugin))
            return plugin;
    }
    return nullptr;
}

}  // namespace

CPluginFilter::~CPluginFilter() = default;

MCMapStringToPtr& CPluginFilter::GetPlugins()
{
    static MCMapStringToPtr plugins;
    return plugins;
}

void CPluginFilter::AddPlugin(CPluginFilter* plugin)
{
    if (!plugin)
        return;
    void* existing = nullptr;
    if (GetPlugins().Lookup(plugin->GetFilterClassKey(), existing)) {
        plat::trace("CPluginFilter::AddPlugin -- key, %s, already exists\n", plugin->GetFilterClassKey().c_str());
        return;
    }
    GetPlugins().SetAt(plugin->GetFilterClassKey(), plugin);
}

void CPluginFilter::RemovePlugin(CPluginFilter* /*plugin*/)
{
}

CPluginFilter* CPluginFilter::FindPlugin(std::string_view key)
{
    void* value = nullptr;
    if (GetPlugins().Lookup(key, value))
        return static_cast<CPluginFilter*>(value);
    plat::trace("CPluginFilter::FindPlugin -- Key, %.*s, not found\n", static_cast<int>(key.size()), key.data());
    return nullptr;
}

CPluginFilter* CPluginFilter::FindPlugin(const plat::RuntimeClass* filterClass)
{
    CPluginFilter* plugin = findFirst([filterClass](const CPluginFilter& p) { return p.GetFilterClass() == filterClass; });
    if (!plugin)
        plat::trace("CPluginFilter::FindPlugin -- filter class not found\n");
    return plugin;
}

CPluginFilter* CPluginFilter::FindPlugin(unsigned int code)
{
    CPluginFilter* plugin = findFirst([code](const CPluginFilter& p) { return p.GetFilterCode() == code; });
    if (!plugin)
        plat::trace("CPluginFilter::FindPlugin -- filter code %u not found\n", code);
    return plugin;
}

std::unique_ptr<LCBase> CPluginFilter::CreateFilter(std::string_view key)
{
    void* value = nullptr;
    if (!GetPlugins().Lookup(key, value)) {
        plat::trace("CPluginFilter::CreateFilter --  key, %.*s, not found\n", static_cast<int>(key.size()), key.data());
        return nullptr;
    }
    return create(static_cast<CPluginFilter*>(value));
}

std::unique_ptr<LCBase> CPluginFilter::CreateFilter(unsigned int code)
{
    const CPluginFilter* plugin = findFirst([code](const CPluginFilter& p) { return p.GetFilterCode() == code; });
    if (!plugin) {
        plat::trace("CPluginFilter::CreateFilter --  code %u not found\n", code);
        return nullptr;
    }
    return create(plugin);
}

std::unique_ptr<LCBase> CPluginFilter::create(const CPluginFilter* plugin)
{
    const plat::RuntimeClass* cls = plugin->GetFilterClass();
    // Only a class derived from LCBase makes a layer; anything else is not made at all.
    if (!cls || !cls->isDerivedFrom(&LCBase::classObject) || !cls->factory) {
        plat::trace("CPluginFilter::CreateFilter --  CreateObject FAILED\n");
        return nullptr;
    }
    return std::unique_ptr<LCBase>(static_cast<LCBase*>(cls->createObject()));
}
