#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/dialog/DataExchange.h"

// The device pickers' exchanges with a dialog's members: the selected device index (-1 for
// none).
INTERFACE_API void DDX_MCDeviceBox(plat::ui::DataExchange& dx, int id, int& device);
INTERFACE_API void DDX_MCDeviceList(plat::ui::DataExchange& dx, int id, int& device);
