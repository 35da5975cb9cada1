// A library that does not say which plug-in interface it speaks.

#include "notabase/layers/LCBase.h"
#include "notabase/plugins/CPluginFilter.h"
#include "notabase/tests/plugins/TestPluginExport.h"

TEST_PLUGIN_EXPORT void InitPlugins()
{
    static CPluginFilter registration;
    registration.SetFilterClassKey("NoVersionLayer");
    registration.SetFilterClass(&LCBase::classObject);
    CPluginFilter::AddPlugin(&registration);
}
