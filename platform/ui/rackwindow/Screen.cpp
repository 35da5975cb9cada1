#include "platform/ui/rackwindow/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace plat::ui {

QSize Screen::size()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(640, 480);
}

}  // namespace plat::ui
