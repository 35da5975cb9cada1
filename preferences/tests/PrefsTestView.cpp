#include "preferences/tests/PrefsTestSupport.h"

namespace prefstest {

PLAT_IMPLEMENT_DYNCREATE(TestView, plat::Object)

}  // namespace prefstest
