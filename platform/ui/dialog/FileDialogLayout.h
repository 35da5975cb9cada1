#pragma once

#include "platform/ui/PlatUiExport.h"

class QFileDialog;

namespace plat::ui {

// The layout of a file dialog made of widgets (the platform's own dialog is left alone):
// - its detail view sizes the Size, Type and Date Modified columns for a few sample texts without
//   the cells' margins, so their values show cut ("12/05/2024 1…"). These columns are sized here
//   from the font metrics of the widest values they take, and widened to what a folder holds
//   once it is read; a column is never made narrower than the user left it. The name column
//   takes the rest of the view, so that no column lies beyond the view's edge (the dialog grows
//   when names would be left too little room);
// - its list of places is too narrow for their names ("Com…");
// - its size grip lies over the corner of the Cancel button; the window's frame resizes it.
class PLATUI_API FileDialogLayout {
public:
    static void fit(QFileDialog& dialog);
};

}  // namespace plat::ui
