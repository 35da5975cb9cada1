#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/plugins/CPlugin.h"

namespace plat {
struct RuntimeClass;
}
class DCBase;
class ECBase;

// The registration of a data component class for one data type (0..5) and one element id
// (0..74), and the registry: a table of component classes by data type and element id, from
// which ECBase::GetData makes the components it is asked for. Libraries register their
// classes once at start-up; a later registration of the same cell replaces the earlier one.
// A data type or element id outside the table is refused everywhere.
class NOTABASE_API CPluginData : public CPlugin {
public:
    static constexpr int dataTypeCount = 6;

    CPluginData(const plat::RuntimeClass* dataClass, int dataType, int eventId);

    const plat::RuntimeClass* GetDataClass() const { return m_class; }
    void SetDataClass(const plat::RuntimeClass* dataClass) { m_class = dataClass; }
    int GetViewCode() const { return m_dataType; }
    void SetViewCode(int dataType) { m_dataType = dataType; }
    int GetEventType() const { return m_eventId; }
    void SetEventType(int eventId) { m_eventId = eventId; }

    // Puts the registration's class in its cell; the registration object is not kept.
    static void AddPlugin(const CPluginData* plugin);
    // Empties the registration's cell.
    static void RemovePlugin(const CPluginData* plugin);
    // The class registered for the cell; null when there is none or the cell is outside.
    static const plat::RuntimeClass* GetDataClass(int dataType, int eventId);
    // A new component of the registered class, owned by the caller; null when none is
    // registered or the class makes no data component.
    static DCBase* CreateData(int dataType, int eventId);
    // The same for the element's id, with the element as the new component's owner.
    static DCBase* CreateData(int dataType, ECBase* element);

private:
    static void setCell(const CPluginData* plugin, const plat::RuntimeClass* dataClass);

    const plat::RuntimeClass* m_class;
    int m_dataType;
    int m_eventId;
};
