#pragma once

#include "platform/ui/PlatUiExport.h"

#include <QObject>

class QEvent;
class QWidget;

namespace plat::ui {

// A window manager writes a window's title across the window's frame, beside the frame's
// buttons, and cuts what does not fit ("Configu… I Input"); the MDI area does the same with a
// document window's title. A window kept here opens at least as wide as its title needs (within
// its screen), whatever title or font it takes, and the user may still narrow it; a document
// window in an MDI area keeps that width (within the area) as its least, which arranging the
// windows respects.
class PLATUI_API TitleRoom : public QObject {
public:
    // The window owns what keeps it; keeping it twice keeps it once.
    static void keep(QWidget& window);
    // The width the window's title needs: the title in a bold face of the window's font, with
    // room for the frame's icon and buttons.
    static int width(const QWidget& window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TitleRoom(QWidget& window);
    void widen();

    QWidget& m_window;
};

}  // namespace plat::ui
