#pragma once

#include "interface/InterfaceExport.h"

#include "notabase/values/MCTime.h"
#include "platform/ui/dialog/DataExchange.h"

// The exchanges of the Interface's controls with a dialog's members, in the direction the
// exchange gives (saving: control to member). Each prepares its control, so a failing check
// puts the focus there. Typed text a spin or note edit cannot take fails with a message naming
// what it wants.

// A slider of the toolkit (QSlider): its position.
INTERFACE_API void DDX_SliderCtrl(plat::ui::DataExchange& dx, int id, int& value);
INTERFACE_API void DDX_SliderCtrl(plat::ui::DataExchange& dx, int id, unsigned char& value);
// A combo box's selected index in a byte: no selection is 255.
INTERFACE_API void DDX_CBIndex(plat::ui::DataExchange& dx, int id, unsigned char& value);
// A bitmap button's state; a value outside 0 to 2 loads as 0.
INTERFACE_API void DDX_MCButtonCheck(plat::ui::DataExchange& dx, int id, int& value);
// The bitmap buttons of a radio group, from the control of id to the next control that starts
// a group, counting only radio buttons: saving gives the number of the last one on (-1 for
// none); loading turns on the one of that number and the others off.
INTERFACE_API void DDX_MCButtonRadio(plat::ui::DataExchange& dx, int id, int& value);
INTERFACE_API void DDX_MCDial(plat::ui::DataExchange& dx, int id, double& value);
INTERFACE_API void DDX_MCSlider(plat::ui::DataExchange& dx, int id, double& value);
INTERFACE_API void DDX_MCSpinEdit(plat::ui::DataExchange& dx, int id, int& value);
INTERFACE_API void DDX_MCSpinEdit(plat::ui::DataExchange& dx, int id, unsigned char& value);
INTERFACE_API void DDX_MCNoteEdit(plat::ui::DataExchange& dx, int id, int& value);
INTERFACE_API void DDX_MCNoteEdit(plat::ui::DataExchange& dx, int id, unsigned char& value);
INTERFACE_API void DDX_MCTimeEdit(plat::ui::DataExchange& dx, int id, MCTime& value);

// Turns on the bitmap button checked and off every other of the ids first to last in dialog.
INTERFACE_API void CheckMCButtonRadioItem(QWidget* dialog, int first, int last, int checked);
