// A plug-in that registers nothing, so that it can be unloaded while the tests run.

#include "notabase/tests/plugins/TestPluginExport.h"

namespace {
int s_initCount = 0;
}

TEST_PLUGIN_EXPORT unsigned int GetPluginVersion()
{
    return 1;
}

TEST_PLUGIN_EXPORT void InitPlugins()
{
    ++s_initCount;
}

TEST_PLUGIN_EXPORT int TestInitCount()
{
    return s_initCount;
}
