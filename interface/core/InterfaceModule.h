#pragma once

#include "interface/InterfaceExport.h"

#include <cstdint>
#include <string>

// The Interface library's own resources: its string table and images are registered under the
// module "Interface" while the library is loaded. Its controls read them from that module
// whichever module is current, as a library reads its own resources.
class INTERFACE_API InterfaceModule {
public:
    static constexpr const char* kName = "Interface";

    // The text of id in the library's table; "" when it has none.
    static std::string String(uint32_t id);
};
