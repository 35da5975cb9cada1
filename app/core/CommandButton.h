#pragma once

#include <cstdint>

class MCButton2;
class MCDialogBar;
class QBoxLayout;
class QToolBar;
class QWidget;

// A toolbar button of a command of the command table: its pictures are the row's (from the
// resource module in use, keyed with the toolbars' face, highlight and shadow colours), its
// item id is the command id, its tip and status prompt are the row's, and it keeps the size of
// its pictures in the bar's layout.
MCButton2* MakeCommandButton(QWidget* parent, uint32_t command);

// Lays out a toolbar's buttons in a row, 5 pixels inside the bar and 7 after the last; a gap
// between groups is 10 pixels.
QBoxLayout* MakeToolBarRow(QWidget* panel);

// The panel that holds a toolbar's controls: a dialog bar with the item id templateId, its
// caption the string of that id, which gives its controls' tips and answers help with the
// status text of its context.
MCDialogBar* MakeBarPanel(QToolBar* bar, int templateId);
// Lays the panel out now and makes the result the size the bar keeps.
void FitBarPanel(MCDialogBar* panel);
