#include "notabase/plugins/CPluginData.h"

#include "notabase/data/DCBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/Object.h"
#include "platform/core/Trace.h"

#include <mutex>

namespace {

// The table, indexed by data type and element id; all null at first.
struct DataTable {
    std::mutex mutex;
    const plat::RuntimeClass* classes[CPluginData::dataTypeCount][EventId::Count] = {};

    static DataTable& instance()
    {
        static DataTable table;
        return table;
    }
};

bool inTable(int dataType, int eventId)
{
    return dataType >= 0 && dataType < CPluginData::dataTypeCount && eventId >= 0 && eventId < EventId::Count;
}

}  // namespace

CPluginData::CPluginData(const plat::RuntimeClass* dataClass, int dataType, int eventId)
    : m_class(dataClass), m_dataType(dataType), m_eventId(eventId)
{
}

void CPluginData::setCell(const CPluginData* plugin, const plat::RuntimeClass* dataClass)
{
    if (!plugin)
        return;
    if (!inTable(plugin->m_dataType, plugin->m_eventId)) {
        plat::trace("CPluginData -- data type %d, element id %d, is outside the table\n", plugin->m_dataType,
                    plugin->m_eventId);
        return;
    }
    DataTable& table = DataTable::instance();
    std::lock_guard lock(table.mutex);
    table.classes[plugin->m_dataType][plugin->m_eventId] = dataClass;
}

void CPluginData::AddPlugin(const CPluginData* plugin)
{
    setCell(plugin, plugin ? plugin->m_class : nullptr);
}

void CPluginData::RemovePlugin(const CPluginData* plugin)
{
    setCell(plugin, nullptr);
}

const plat::RuntimeClass* CPluginData::GetDataClass(int dataType, int eventId)
{
    if (!inTable(dataType, eventId))
        return nullptr;
    DataTable& table = DataTable::instance();
    std::lock_guard lock(table.mutex);
    return table.classes[dataType][eventId];
}

DCBase* CPluginData::CreateData(int dataType, int eventId)
{
    const plat::RuntimeClass* cls = GetDataClass(dataType, eventId);
    if (!cls || !cls->isDerivedFrom(&DCBase::classObject))
        return nullptr;
    return static_cast<DCBase*>(cls->createObject());
}

DCBase* CPluginData::CreateData(int dataType, ECBase* element)
{
    if (!element)
        return nullptr;
    DCBase* component = CreateData(dataType, element->GetEventId());
    if (component)
        component->SetOwner(element);
    return component;
}
