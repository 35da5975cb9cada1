// A plug-in that answers version 0: it must be refused before it registers anything.

#include "notabase/layers/LCBase.h"
#include "notabase/plugins/CPluginFilter.h"
#include "notabase/tests/plugins/TestPluginExport.h"

TEST_PLUGIN_EXPORT unsigned int GetPluginVersion()
{
    return 0;
}

TEST_PLUGIN_EXPORT void InitPlugins()
{
    static CPluginFilter registration;
    registration.SetFilterClassKey("VersionZeroLayer");
    registration.SetFilterClass(&LCBase::classObject);
    CPluginFilter::AddPlugin(&registration);
}
