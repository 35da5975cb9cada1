#include "inspector/core/InitInspector.h"

#include "inspector/pages/PCPerformance.h"
#include "inspector/pages/PCsqStaffInstrument.h"
#include "interface/document/CPluginInspector.h"
#include "notabase/model/EventTypes.h"

#include <QCoreApplication>

#include <iterator>

namespace {

// The pages by element type; the registry sorts the pages of one type by their order, so the
// staff's instrument page comes before its other pages.
CPluginInspector s_pages[] = {
    {EventId::Performance, &PCPerformance::classObject, 10},
    {EventId::Staff, &PCsqStaffInstrument::classObject, 2},
};

// The registry deletes a page with its last registration. The pages are widgets, so they go
// while the application object still exists rather than when the library unloads.
void removePages()
{
    for (CPluginInspector& registration : s_pages)
        CPluginInspector::RemovePlugin(&registration);
}

}  // namespace

int InitInspector()
{
    for (CPluginInspector& registration : s_pages)
        CPluginInspector::AddPlugin(&registration);
    if (QCoreApplication::instance()) {
        qRemovePostRoutine(removePages);
        qAddPostRoutine(removePages);
    }
    return static_cast<int>(std::size(s_pages));
}
