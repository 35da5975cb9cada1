#include "app/core/GoToEdgeButton.h"

#include "interface/controls/MCButton.h"
#include "platform/ui/dialog/ItemId.h"

MCButton* MakeGoToEdgeButton(QWidget* parent, int id, bool toEnd)
{
    auto* button = new MCButton(parent);
    plat::ui::setItemId(button, id);
    // Pure blue (in red-green-blue byte order reversed) lets the button's face show through.
    button->SetTransparentColor(0xFF0000);
    button->LoadBitmaps(toEnd ? "GOTOEND" : "GOTOBEGIN");
    return button;
}
