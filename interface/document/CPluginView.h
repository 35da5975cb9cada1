#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/MCMenuItem.h"
#include "notabase/plugins/CPlugin.h"
#include "platform/ui/resource/MenuResources.h"

#include <optional>
#include <string>
#include <vector>

namespace plat {
struct RuntimeClass;
}

// The registration of a view: its view and frame classes, the module that holds its strings,
// its view code (its menu command is the code + 38630), its string id and its order.
//
// The registry holds the registrations sorted by order (equal orders keep the order they came
// in); it holds them without owning them, and a registration that goes leaves it.
class INTERFACE_API CPluginView : public CPlugin {
public:
    static constexpr unsigned kFirstViewId = 38630;
    // View codes are below this, so that view commands stay clear of the effects' commands.
    static constexpr unsigned kViewCodeLimit = 70;

    CPluginView(const plat::RuntimeClass* viewClass, const plat::RuntimeClass* frameClass, std::string module,
                unsigned viewCode, unsigned resourceId, int order);
    CPluginView(const CPluginView& other) = default;
    CPluginView& operator=(const CPluginView& other) = default;
    ~CPluginView() override;

    // Refuses null, a registration already there, and a view code out of range; 1 when added.
    static int AddPlugin(CPluginView* plugin);
    static void RemovePlugin(CPluginView* plugin);
    static const std::vector<CPluginView*>& GetPlugins();
    static CPluginView* FindPlugin(unsigned viewId);
    static CPluginView* FindPlugin(const plat::RuntimeClass* viewClass);
    // The items of the "&Tools" menu after its last item: "&<n>  <menu string>", the view id.
    static std::vector<MCMenuItem> UpdateMenu();

    const plat::RuntimeClass* GetViewClass() const { return m_viewClass; }
    const plat::RuntimeClass* GetFrameClass() const { return m_frameClass; }
    unsigned GetViewCode() const { return m_viewCode; }
    unsigned GetViewID() const { return m_viewCode + kFirstViewId; }
    unsigned GetResID() const { return m_resourceId; }
    const std::string& GetModule() const { return m_module; }
    int GetOrder() const { return m_order; }

    // A string of the registration's module (the normal chain when it has none); 1 when found.
    int LoadString(std::string& text, unsigned id) const;
    int LoadMenuString(std::string& text) const;
    // The menu string without its first "&".
    int LoadTitleString(std::string& text) const;
    // The view's own menu: the menu of its string id in its module, loaded on first use and
    // kept; null when there is none.
    const std::vector<plat::ui::MenuEntry>* GetMenu() const;

private:
    int m_order;
    const plat::RuntimeClass* m_viewClass;
    const plat::RuntimeClass* m_frameClass;
    unsigned m_viewCode;
    unsigned m_resourceId;
    std::string m_module;
    mutable std::optional<std::optional<plat::ui::MenuResources::Menu>> m_menu;
};
