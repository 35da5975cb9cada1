#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/MCMenuItem.h"
#include "notabase/plugins/CPlugin.h"

#include <memory>
#include <vector>

namespace plat {
class Object;
struct RuntimeClass;
}

// The registration of a preference page: its page class, its category (0 general, 1
// sequencer, 2 devices, 3 notation) and its order. The registry is sorted by order and holds
// registrations without owning them.
class INTERFACE_API CPluginPrefs : public CPlugin {
public:
    static constexpr unsigned kFirstCategoryCommand = 38650;

    CPluginPrefs(const plat::RuntimeClass* pageClass, int category, int order);
    CPluginPrefs(const CPluginPrefs& other) = default;
    CPluginPrefs& operator=(const CPluginPrefs& other) = default;
    ~CPluginPrefs() override;

    static int AddPlugin(CPluginPrefs* plugin);
    static void RemovePlugin(CPluginPrefs* plugin);
    static const std::vector<CPluginPrefs*>& GetPlugins();
    // The items of "&Tools" > "&Preferences": each category once, in the order of its first
    // registration, with the command 38650 + category.
    static std::vector<MCMenuItem> UpdateMenu();

    int GetCategory() const { return m_category; }
    void SetCategory(int category) { m_category = category; }
    int GetOrder() const { return m_order; }
    void SetOrder(int order) { m_order = order; }
    const plat::RuntimeClass* GetPageClass() const { return m_pageClass; }
    // A new page of the page class, the caller's; null when the class cannot be made.
    std::unique_ptr<plat::Object> GetPrefsPage() const;

private:
    int m_category;
    int m_order;
    const plat::RuntimeClass* m_pageClass;
};
