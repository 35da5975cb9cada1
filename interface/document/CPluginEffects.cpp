#include "interface/document/CPluginEffects.h"

#include "interface/document/MCOpusDoc.h"
#include "platform/core/Resources.h"

#include <algorithm>

namespace {

struct Registry {
    std::map<uint16_t, CPluginEffects::List> lists;
    std::map<uint16_t, std::vector<MCMenuItem>> menus;
    unsigned nextCommandId = CPluginEffects::kFirstCommandId;
};
Registry& registry()
{
    static Registry r;
    return r;
}

bool sameForm(const CPluginEffects* a, const CPluginEffects* b)
{
    return a->GetFormClass() == b->GetFormClass();
}

}  // namespace

CPluginEffects::CPluginEffects(int eventType, unsigned nameId, const plat::RuntimeClass* filterClass,
                               const plat::RuntimeClass* formClass)
    : m_eventType(static_cast<uint16_t>(eventType)), m_nameId(nameId), m_commandId(0), m_filterClass(filterClass),
      m_formClass(formClass)
{
    Registry& r = registry();
    if (r.nextCommandId < kCommandIdLimit)
        m_commandId = r.nextCommandId++;
}

CPluginEffects::~CPluginEffects()
{
    RemovePlugin(this);
}

unsigned CPluginEffects::GetNextCommandId()
{
    return registry().nextCommandId;
}

std::string CPluginEffects::GetName() const
{
    return plat::Resources::string(m_nameId);
}

int CPluginEffects::AddPlugin(CPluginEffects* plugin)
{
    if (!plugin || plugin->m_commandId == 0 || FindPlugin(plugin->m_commandId) == plugin)
        return 0;
    List* list = FindPlugins(plugin->m_eventType, 1);
    const std::string name = plugin->GetName();
    // Byte by byte, as the names are compared for the menu.
    const auto at = std::find_if(list->begin(), list->end(),
                                 [&name](const CPluginEffects* p) { return p->GetName() > name; });
    list->insert(at, plugin);
    return 1;
}

void CPluginEffects::RemovePlugin(CPluginEffects* plugin)
{
    Registry& r = registry();
    for (auto it = r.lists.begin(); it != r.lists.end();) {
        List& list = it->second;
        const size_t before = list.size();
        list.erase(std::remove(list.begin(), list.end(), plugin), list.end());
        if (list.size() != before)
            r.menus.erase(it->first);
        it = list.empty() ? r.lists.erase(it) : std::next(it);
    }
}

CPluginEffects* CPluginEffects::FindPlugin(unsigned commandId)
{
    for (auto& [type, list] : registry().lists)
        for (CPluginEffects* plugin : list)
            if (plugin->m_commandId == commandId)
                return plugin;
    return nullptr;
}

CPluginEffects::List* CPluginEffects::FindPlugins(uint16_t eventType, int create)
{
    Registry& r = registry();
    auto found = r.lists.find(eventType);
    if (found != r.lists.end())
        return &found->second;
    if (create != 1)
        return nullptr;
    return &r.lists[eventType];
}

int CPluginEffects::FindPlugIn(const CPluginEffects* plugin, const List& list)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (sameForm(list[i], plugin))
            return static_cast<int>(i);
    return -1;
}

int CPluginEffects::GetEventTypes(const CPluginEffects* plugin, std::vector<int>& types)
{
    types.clear();
    if (plugin && registry().lists.count(plugin->m_eventType))
        types.push_back(plugin->m_eventType);
    return types.empty() ? 0 : 1;
}

int CPluginEffects::CombineLists(List& a, const List& b, int operation)
{
    auto inList = [](const CPluginEffects* p, const List& list) { return FindPlugIn(p, list) >= 0; };
    switch (operation) {
    case 1:
        a.erase(std::remove_if(a.begin(), a.end(), [&](const CPluginEffects* p) { return !inList(p, b); }), a.end());
        break;
    case 2:
        for (CPluginEffects* p : b)
            if (!inList(p, a))
                a.push_back(p);
        break;
    case 3: {
        List result;
        for (CPluginEffects* p : a)
            if (!inList(p, b))
                result.push_back(p);
        for (CPluginEffects* p : b)
            if (!inList(p, a))
                result.push_back(p);
        a = std::move(result);
        break;
    }
    case 4:
        a.erase(std::remove_if(a.begin(), a.end(), [&](const CPluginEffects* p) { return inList(p, b); }), a.end());
        break;
    case 5:
        a = b;
        break;
    default:
        return 0;
    }
    return a.empty() ? 0 : 1;
}

const std::vector<MCMenuItem>* CPluginEffects::GetMenu(int eventType)
{
    Registry& r = registry();
    const auto type = static_cast<uint16_t>(eventType);
    auto cached = r.menus.find(type);
    if (cached != r.menus.end())
        return &cached->second;
    const List* list = FindPlugins(type, 0);
    if (!list || list->empty())
        return nullptr;
    std::vector<MCMenuItem> items;
    for (const CPluginEffects* plugin : *list)
        items.push_back({plugin->GetName(), plugin->m_commandId});
    return &r.menus.emplace(type, std::move(items)).first->second;
}

const std::vector<MCMenuItem>* CPluginEffects::UpdateMenu()
{
    MCOpusDoc* doc = MCOpusDoc::GetActiveDoc();
    if (!doc)
        return nullptr;
    const MCEventList& selection = doc->GetSelection();
    return GetMenu(selection.IsEmpty() ? kPerformanceType : selection.GetEventType());
}
