// A plug-in with a version but nothing to initialise it with.

#include "notabase/tests/plugins/TestPluginExport.h"

TEST_PLUGIN_EXPORT unsigned int GetPluginVersion()
{
    return 1;
}
