#pragma once

#include "inspector/InspectorExport.h"

#include "interface/pages/MCInspectorPage.h"

// The page the inspector's sheet carries before anything is selected: no controls, so the sheet
// can be made (and sized) before there is a selection to show.
class INSPECTOR_API CPropsEmpty : public MCInspectorPage {
public:
    explicit CPropsEmpty(QWidget* parent = nullptr);
};
