#include "interface/document/CPluginInspector.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/MCEventList.h"
#include "platform/core/Object.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>

namespace {

struct SharedPage {
    std::unique_ptr<plat::Object> page;
    int registrations = 0;
};

struct Registry {
    std::map<uint16_t, CPluginInspector::List> lists;
    std::map<const plat::RuntimeClass*, SharedPage> pages;
    // Set once the process has begun to end: the pages are widgets, which can no longer be
    // deleted then (the application object may never have been destroyed, and the toolkit's
    // own statics may be gone), so they are left to the end of the process.
    bool ended = false;
};
Registry& registry()
{
    // Never destroyed: registrations held in other libraries' statics remove themselves from
    // it when those libraries end, which may be after this one's statics are gone. Made on
    // first use, after those registrations, so its end mark comes before their destructors.
    static Registry* r = [] {
        auto* made = new Registry;
        std::atexit([] { registry().ended = true; });
        return made;
    }();
    return *r;
}

}  // namespace

CPluginInspector::CPluginInspector(uint16_t eventType, const plat::RuntimeClass* pageClass, int order)
    : m_eventType(eventType), m_pageClass(pageClass), m_order(order)
{
}

CPluginInspector::CPluginInspector(const CPluginInspector& other)
    : CPlugin(other), m_eventType(other.m_eventType), m_pageClass(other.m_pageClass), m_order(other.m_order)
{
}

CPluginInspector& CPluginInspector::operator=(const CPluginInspector& other)
{
    if (this != &other && !m_registered) {
        m_eventType = other.m_eventType;
        m_pageClass = other.m_pageClass;
        m_order = other.m_order;
    }
    return *this;
}

CPluginInspector::~CPluginInspector()
{
    RemovePlugin(this);
}

int CPluginInspector::AddPlugin(CPluginInspector* plugin)
{
    if (!plugin || plugin->m_registered)
        return 0;
    List* list = FindPlugins(plugin->m_eventType, 1);
    const auto at = std::find_if(list->begin(), list->end(),
                                 [plugin](const CPluginInspector* p) { return p->m_order > plugin->m_order; });
    list->insert(at, plugin);
    plugin->m_registered = true;
    ++registry().pages[plugin->m_pageClass].registrations;
    return 1;
}

void CPluginInspector::RemovePlugin(CPluginInspector* plugin)
{
    if (!plugin || !plugin->m_registered)
        return;
    Registry& r = registry();
    auto list = r.lists.find(plugin->m_eventType);
    if (list != r.lists.end()) {
        list->second.erase(std::remove(list->second.begin(), list->second.end(), plugin), list->second.end());
        if (list->second.empty())
            r.lists.erase(list);
    }
    plugin->m_registered = false;
    auto shared = r.pages.find(plugin->m_pageClass);
    if (shared != r.pages.end() && --shared->second.registrations <= 0) {
        if (r.ended)
            static_cast<void>(shared->second.page.release());
        r.pages.erase(shared);
    }
}

CPluginInspector::List* CPluginInspector::FindPlugins(uint16_t eventType, int create)
{
    Registry& r = registry();
    auto found = r.lists.find(eventType);
    if (found != r.lists.end())
        return &found->second;
    return create == 1 ? &r.lists[eventType] : nullptr;
}

plat::Object* CPluginInspector::GetInspectorPage() const
{
    if (!m_pageClass)
        return nullptr;
    SharedPage& shared = registry().pages[m_pageClass];
    if (!shared.page)
        shared.page.reset(m_pageClass->createObject());
    return shared.page.get();
}

int CPluginInspector::GetInspectors(int eventType, PageList& pages)
{
    pages.clear();
    const List* list = FindPlugins(static_cast<uint16_t>(eventType), 0);
    if (!list || list->empty())
        return 0;
    for (const CPluginInspector* plugin : *list)
        if (plat::Object* page = plugin->GetInspectorPage())
            pages.push_back(page);
    return 1;
}

int CPluginInspector::GetInspectors(MCEventList& selection, PageList& pages)
{
    std::vector<int> types;
    for (ECBase* element : selection) {
        const int id = element->GetEventId();
        if (std::find(types.begin(), types.end(), id) == types.end())
            types.push_back(id);
    }
    pages.clear();
    bool first = true;
    for (int type : types) {
        PageList own;
        if (!GetInspectors(type, own)) {
            // A first type without pages leaves nothing to narrow down.
            if (first)
                return 0;
            continue;
        }
        if (first) {
            pages = own;
            first = false;
        } else {
            pages.erase(std::remove_if(pages.begin(), pages.end(),
                                       [&own](plat::Object* p) {
                                           return std::find(own.begin(), own.end(), p) == own.end();
                                       }),
                        pages.end());
        }
    }
    return pages.empty() ? 0 : 1;
}

int CPluginInspector::ListsEqual(const PageList& a, const PageList& b)
{
    auto within = [](const PageList& x, const PageList& y) {
        return std::all_of(x.begin(), x.end(), [&y](plat::Object* p) { return std::find(y.begin(), y.end(), p) != y.end(); });
    };
    return within(a, b) && within(b, a) ? 1 : 0;
}
