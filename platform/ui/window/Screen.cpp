#include "platform/ui/window/Screen.h"

#include <QGuiApplication>
#include <QScreen>

namespace plat::ui {

QSize Screen::size()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry().size() : QSize(640, 480);
}

}  // namespace plat::ui
