#include "interface/document/CPluginMusic.h"

#include "platform/core/Object.h"

#include <algorithm>
#include <utility>

namespace {

std::vector<CPluginMusic*>& registry()
{
    // Never destroyed: registrations held in other libraries' statics remove themselves
    // from it when those libraries end, which may be after this one's statics are gone.
    static auto* plugins = new std::vector<CPluginMusic*>;
    return *plugins;
}
CPluginMusic::TitleOf& titleOf()
{
    static CPluginMusic::TitleOf hook;
    return hook;
}

}  // namespace

CPluginMusic::TitleOf CPluginMusic::SetTitleOf(TitleOf hook)
{
    return std::exchange(titleOf(), std::move(hook));
}

CPluginMusic::CPluginMusic(const plat::RuntimeClass* pageClass, int order) : m_order(order), m_pageClass(pageClass)
{
}

CPluginMusic::CPluginMusic(const CPluginMusic& other)
    : CPlugin(other), m_order(other.m_order), m_pageClass(other.m_pageClass)
{
}

CPluginMusic& CPluginMusic::operator=(const CPluginMusic& other)
{
    if (this != &other) {
        m_order = other.m_order;
        if (m_pageClass != other.m_pageClass)
            m_page.reset();
        m_pageClass = other.m_pageClass;
    }
    return *this;
}

CPluginMusic::~CPluginMusic()
{
    RemovePlugin(this);
}

int CPluginMusic::AddPlugin(CPluginMusic* plugin)
{
    auto& plugins = registry();
    if (!plugin || std::find(plugins.begin(), plugins.end(), plugin) != plugins.end())
        return 0;
    const auto at = std::find_if(plugins.begin(), plugins.end(),
                                 [plugin](const CPluginMusic* p) { return p->m_order > plugin->m_order; });
    plugins.insert(at, plugin);
    return 1;
}

void CPluginMusic::RemovePlugin(CPluginMusic* plugin)
{
    auto& plugins = registry();
    plugins.erase(std::remove(plugins.begin(), plugins.end(), plugin), plugins.end());
}

const std::vector<CPluginMusic*>& CPluginMusic::GetPlugins()
{
    return registry();
}

plat::Object* CPluginMusic::GetMusicPage()
{
    if (!m_page && m_pageClass)
        m_page.reset(m_pageClass->createObject());
    return m_page.get();
}

std::vector<MCMenuItem> CPluginMusic::UpdateMenu()
{
    std::vector<MCMenuItem> items;
    unsigned command = kFirstPageCommand;
    for (CPluginMusic* plugin : registry()) {
        plat::Object* page = plugin->GetMusicPage();
        const TitleOf& title = titleOf();
        items.push_back({title && page ? title(page) : std::string(), command++});
    }
    return items;
}
