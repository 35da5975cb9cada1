#pragma once

class MCButton;
class QWidget;

// The small button beside a time that sets it to the start ("GOTOBEGIN") or to the end
// ("GOTOEND") of the piece, shown on pure blue, with the dialog item id given.
MCButton* MakeGoToEdgeButton(QWidget* parent, int id, bool toEnd);
