#include "interface/document/CPluginView.h"

#include "platform/core/Resources.h"
#include "platform/core/Strings.h"

#include <algorithm>
#include <optional>

namespace {

std::vector<CPluginView*>& registry()
{
    // Never destroyed: registrations held in other libraries' statics remove themselves
    // from it when those libraries end, which may be after this one's statics are gone.
    static auto* plugins = new std::vector<CPluginView*>;
    return *plugins;
}

}  // namespace

CPluginView::CPluginView(const plat::RuntimeClass* viewClass, const plat::RuntimeClass* frameClass,
                         std::string module, unsigned viewCode, unsigned resourceId, int order)
    : m_order(order), m_viewClass(viewClass), m_frameClass(frameClass), m_viewCode(viewCode),
      m_resourceId(resourceId), m_module(std::move(module))
{
}

CPluginView::~CPluginView()
{
    RemovePlugin(this);
}

int CPluginView::AddPlugin(CPluginView* plugin)
{
    auto& plugins = registry();
    if (!plugin || plugin->m_viewCode >= kViewCodeLimit
        || std::find(plugins.begin(), plugins.end(), plugin) != plugins.end())
        return 0;
    const auto at = std::find_if(plugins.begin(), plugins.end(),
                                 [plugin](const CPluginView* p) { return p->m_order > plugin->m_order; });
    plugins.insert(at, plugin);
    return 1;
}

void CPluginView::RemovePlugin(CPluginView* plugin)
{
    auto& plugins = registry();
    plugins.erase(std::remove(plugins.begin(), plugins.end(), plugin), plugins.end());
}

const std::vector<CPluginView*>& CPluginView::GetPlugins()
{
    return registry();
}

CPluginView* CPluginView::FindPlugin(unsigned viewId)
{
    for (CPluginView* plugin : registry())
        if (plugin->GetViewID() == viewId)
            return plugin;
    return nullptr;
}

CPluginView* CPluginView::FindPlugin(const plat::RuntimeClass* viewClass)
{
    for (CPluginView* plugin : registry())
        if (plugin->m_viewClass == viewClass)
            return plugin;
    return nullptr;
}

std::vector<MCMenuItem> CPluginView::UpdateMenu()
{
    std::vector<MCMenuItem> items;
    int position = 0;
    for (CPluginView* plugin : registry()) {
        std::string name;
        plugin->LoadMenuString(name);
        items.push_back({plat::format("&%d  %s", ++position, name.c_str()), plugin->GetViewID()});
    }
    return items;
}

int CPluginView::LoadString(std::string& text, unsigned id) const
{
    std::optional<plat::Resources::ModuleSwitch> module;
    if (!m_module.empty())
        module.emplace(m_module);
    text = plat::Resources::string(id);
    return text.empty() ? 0 : 1;
}

int CPluginView::LoadMenuString(std::string& text) const
{
    return LoadString(text, m_resourceId);
}

int CPluginView::LoadTitleString(std::string& text) const
{
    if (!LoadMenuString(text))
        return 0;
    const size_t amp = text.find('&');
    if (amp != std::string::npos)
        text.erase(amp, 1);
    return 1;
}

const std::vector<plat::ui::MenuEntry>* CPluginView::GetMenu() const
{
    if (!m_menu)
        m_menu = plat::ui::MenuResources::load(m_module, m_resourceId);
    return *m_menu && !(*m_menu)->entries.empty() ? &(*m_menu)->entries : nullptr;
}
