#pragma once

#include "interface/InterfaceExport.h"

#include "interface/document/MCMenuItem.h"
#include "notabase/plugins/CPlugin.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace plat {
struct RuntimeClass;
}

// The registration of an effect command for one element type: its name (a string id), its
// filter and form classes, and its command id, handed out from 38700 on in the order
// registrations are made.
//
// Each element type has a list of its effects sorted by name, and the popup menu of a type is
// built once, on first use. The registry holds registrations without owning them; one that
// goes leaves its list (and its type's popup is built again on the next use).
class INTERFACE_API CPluginEffects : public CPlugin {
public:
    using List = std::vector<CPluginEffects*>;
    static constexpr unsigned kFirstCommandId = 38700;
    // Effect commands stay below the palette commands; a registration past them gets no id.
    static constexpr unsigned kCommandIdLimit = 38960;
    // The element type of the whole performance, offered when nothing is selected.
    static constexpr int kPerformanceType = 44;

    CPluginEffects(int eventType, unsigned nameId, const plat::RuntimeClass* filterClass,
                   const plat::RuntimeClass* formClass);
    // A copy has the same fields, its command id included, and is not registered.
    CPluginEffects(const CPluginEffects& other) = default;
    CPluginEffects& operator=(const CPluginEffects& other) = default;
    ~CPluginEffects() override;

    // Refuses null, a registration already there and one without a command id; 1 when added.
    static int AddPlugin(CPluginEffects* plugin);
    static void RemovePlugin(CPluginEffects* plugin);
    static CPluginEffects* FindPlugin(unsigned commandId);
    static List* FindPlugins(uint16_t eventType, int create);
    // The position in the list of an entry with the registration's form class, or -1.
    static int FindPlugIn(const CPluginEffects* plugin, const List& list);
    static int GetEventTypes(const CPluginEffects* plugin, std::vector<int>& types);
    // 1 intersection, 2 union, 3 symmetric difference, 4 difference, 5 copy of b (by form
    // class); non-zero when a is not empty afterwards; 0 for any other operation.
    static int CombineLists(List& a, const List& b, int operation);
    // The type's popup: one item per registration (name, command id), built on first use;
    // null for a type without registrations.
    static const std::vector<MCMenuItem>* GetMenu(int eventType);
    // The "&Actions" popup for the active document's selection (its element type, or the
    // performance's when nothing is selected); null when that type has no effects.
    static const std::vector<MCMenuItem>* UpdateMenu();
    static unsigned GetNextCommandId();

    uint16_t GetEventType() const { return m_eventType; }
    std::string GetName() const;
    unsigned GetCommandID() const { return m_commandId; }
    const plat::RuntimeClass* GetFilterClass() const { return m_filterClass; }
    const plat::RuntimeClass* GetFormClass() const { return m_formClass; }

private:
    uint16_t m_eventType;
    unsigned m_nameId;
    unsigned m_commandId;
    const plat::RuntimeClass* m_filterClass;
    const plat::RuntimeClass* m_formClass;
};
