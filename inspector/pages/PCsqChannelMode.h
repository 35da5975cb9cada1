#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorPage.h"

// The performance page of channel-mode messages: a placeholder that edits nothing.
class INSPECTOR_API PCsqChannelMode : public MCInspectorPage {
    PLAT_DECLARE_DYNCREATE(PCsqChannelMode)
public:
    enum : int { IDD = 4150 };

    PCsqChannelMode();
};
