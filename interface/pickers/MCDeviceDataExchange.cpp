#include "interface/pickers/MCDeviceDataExchange.h"

#include "interface/pickers/MCDeviceBox.h"
#include "interface/pickers/MCDeviceList.h"

void DDX_MCDeviceBox(plat::ui::DataExchange& dx, int id, int& device)
{
    auto* box = dx.control<MCDeviceBox>(id);
    if (!box)
        return;
    if (dx.saving())
        device = box->GetSelectedDevice();
    else
        box->SetSelectedDevice(device);
}

void DDX_MCDeviceList(plat::ui::DataExchange& dx, int id, int& device)
{
    auto* list = dx.control<MCDeviceList>(id);
    if (!list)
        return;
    if (dx.saving())
        device = list->GetSelectedDevice();
    else
        list->SetSelectedDevice(device);
}
