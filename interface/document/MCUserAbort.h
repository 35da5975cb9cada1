#pragma once

#include "interface/InterfaceExport.h"

#include <stdexcept>
#include <string>

// Ends a load or a save after the user has been told why: whoever catches it shows nothing more.
class INTERFACE_API MCUserAbort : public std::runtime_error {
public:
    explicit MCUserAbort(const std::string& why) : std::runtime_error(why) {}
};
