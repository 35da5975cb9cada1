#include "app/tests/AppTestSupport.h"

namespace apptest {
PLAT_IMPLEMENT_DYNCREATE(ViewA, plat::Object)
PLAT_IMPLEMENT_DYNCREATE(ViewB, ViewA)
}  // namespace apptest
