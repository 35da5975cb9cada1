#include "interface/document/CPluginPrefs.h"

#include "interface/document/DocumentStrings.h"
#include "platform/core/Object.h"

#include <algorithm>

namespace {

std::vector<CPluginPrefs*>& registry()
{
    // Never destroyed: registrations held in other libraries' statics remove themselves
    // from it when those libraries end, which may be after this one's statics are gone.
    static auto* plugins = new std::vector<CPluginPrefs*>;
    return *plugins;
}

}  // namespace

CPluginPrefs::CPluginPrefs(const plat::RuntimeClass* pageClass, int category, int order)
    : m_category(category), m_order(order), m_pageClass(pageClass)
{
}

CPluginPrefs::~CPluginPrefs()
{
    RemovePlugin(this);
}

int CPluginPrefs::AddPlugin(CPluginPrefs* plugin)
{
    auto& plugins = registry();
    if (!plugin || std::find(plugins.begin(), plugins.end(), plugin) != plugins.end())
        return 0;
    const auto at = std::find_if(plugins.begin(), plugins.end(),
                                 [plugin](const CPluginPrefs* p) { return p->m_order > plugin->m_order; });
    plugins.insert(at, plugin);
    return 1;
}

void CPluginPrefs::RemovePlugin(CPluginPrefs* plugin)
{
    auto& plugins = registry();
    plugins.erase(std::remove(plugins.begin(), plugins.end(), plugin), plugins.end());
}

const std::vector<CPluginPrefs*>& CPluginPrefs::GetPlugins()
{
    return registry();
}

std::vector<MCMenuItem> CPluginPrefs::UpdateMenu()
{
    std::vector<MCMenuItem> items;
    for (const CPluginPrefs* plugin : registry()) {
        // Only the four categories have a text; an unknown one is not listed.
        if (plugin->m_category < 0 || plugin->m_category > 3)
            continue;
        const std::string text = DocumentStrings::text(DocumentStrings::firstPrefsCategory + plugin->m_category);
        if (text.empty()
            || std::any_of(items.begin(), items.end(), [&text](const MCMenuItem& item) { return item.text == text; }))
            continue;
        items.push_back({text, kFirstCategoryCommand + static_cast<unsigned>(plugin->m_category)});
    }
    return items;
}

std::unique_ptr<plat::Object> CPluginPrefs::GetPrefsPage() const
{
    return std::unique_ptr<plat::Object>(m_pageClass ? m_pageClass->createObject() : nullptr);
}
