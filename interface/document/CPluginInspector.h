#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/plugins/CPlugin.h"

#include <cstdint>
#include <vector>

class MCEventList;
namespace plat {
class Object;
struct RuntimeClass;
}

// The registration of an inspector page for one element type: the page class and an order.
// All registrations of a page class share one page object, made on first request and deleted
// when the last registration of that class goes. Each type's list is sorted by order; the
// registry holds registrations without owning them.
class INTERFACE_API CPluginInspector : public CPlugin {
public:
    using List = std::vector<CPluginInspector*>;
    using PageList = std::vector<plat::Object*>;

    CPluginInspector(uint16_t eventType, const plat::RuntimeClass* pageClass, int order);
    // A copy has the same fields and is not registered.
    CPluginInspector(const CPluginInspector& other);
    CPluginInspector& operator=(const CPluginInspector& other);
    ~CPluginInspector() override;

    static int AddPlugin(CPluginInspector* plugin);
    static void RemovePlugin(CPluginInspector* plugin);
    static List* FindPlugins(uint16_t eventType, int create);
    static List* GetPlugins(uint16_t eventType, int create) { return FindPlugins(eventType, create); }
    // The pages of the type's registrations, in order; 0 when the type has none.
    static int GetInspectors(int eventType, PageList& pages);
    // The pages every element type of the selection has; non-zero when some remain.
    static int GetInspectors(MCEventList& selection, PageList& pages);
    static int ListsEqual(const PageList& a, const PageList& b);

    uint16_t GetEventType() const { return m_eventType; }
    const plat::RuntimeClass* GetPageClass() const { return m_pageClass; }
    int GetOrder() const { return m_order; }
    // The shared page of the page class; null when the class cannot be made.
    plat::Object* GetInspectorPage() const;

private:
    uint16_t m_eventType;
    const plat::RuntimeClass* m_pageClass;
    int m_order;
    bool m_registered = false;
};
