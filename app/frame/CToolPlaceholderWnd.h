#pragma once

#include <QDockWidget>

// A tool window of the main frame whose own library is not part of the program yet (the
// music palette, the mixer, the inspector): a dock of the right name with a note of what
// will be there, so the frame's commands, layout and visibility rules already work on it.
class CToolPlaceholderWnd : public QDockWidget {
public:
    CToolPlaceholderWnd(const QString& title, const QString& objectName, QWidget* parent);
};
