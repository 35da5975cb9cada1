#pragma once

#include "interface/views/MCToolWnd.h"

// The tool window of a slot whose own library the program does not install (the music
// palette, the mixer, the inspector): an empty tool window of the right name that floats or
// docks as the real one would, so the frame's commands, layout and visibility rules work on
// it. It starts hidden.
class CToolPlaceholderWnd : public MCToolWnd {
public:
    // docking: the areas it may dock in; with any, it starts docked in the first of them.
    CToolPlaceholderWnd(const QString& title, Qt::DockWidgetAreas docking, QWidget* frame);
};
