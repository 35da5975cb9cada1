// A plug-in of a later interface version that registers one processing layer.

#include "notabase/layers/LCBase.h"
#include "notabase/plugins/CPluginFilter.h"
#include "notabase/tests/plugins/TestPluginExport.h"

class TPGoodLayer : public LCBase {
    PLAT_DECLARE_SERIAL(TPGoodLayer)
};
PLAT_IMPLEMENT_SERIAL(TPGoodLayer, LCBase, 1)

namespace {
int s_initCount = 0;
}

TEST_PLUGIN_EXPORT unsigned int GetPluginVersion()
{
    return 2;
}

TEST_PLUGIN_EXPORT void InitPlugins()
{
    static CPluginFilter registration;
    registration.SetFilterClassKey("GoodPluginLayer");
    registration.SetFilterCode(7001);
    registration.SetFilterClass(&TPGoodLayer::classObject);
    CPluginFilter::AddPlugin(&registration);
    ++s_initCount;
}

TEST_PLUGIN_EXPORT int TestInitCount()
{
    return s_initCount;
}
