#pragma once

#include <QIcon>
#include <QImage>
#include <QRect>

class QPainter;

// The program's own pictures, painted in code and registered as images of the program's
// module: the splash picture (200), which is also the source of the shared palette, the list
// arrows and the go-to-edge arrows.
namespace AppImages {
inline constexpr unsigned splash = 200;
inline constexpr unsigned programIcon = 128;

QImage PaintSplash(int scale);
// The splash picture without its texts: sky, staff, notes and the message strip.
void PaintSplashArt(QPainter& painter);
// The program's name on the splash picture.
void PaintSplashTitle(QPainter& painter);
// Where the subtitle's letters lie on the splash picture; the art and the name leave it clear.
QRect SplashSubtitleBox();
QImage PaintIcon(int scale);
// The arrows of the buttons that move an entry of a list up or down ("MOVEUP0", "MOVEUP1",
// "MOVEDOWN0", "MOVEDOWN1"), on pure blue.
QImage PaintMoveArrow(int scale, bool up, bool pressed);
// The buttons that set a time to the start or the end of the piece ("GOTOBEGIN0/1",
// "GOTOEND0/1"): a bar line and an arrow pointing at it, on pure blue.
QImage PaintGoToEdge(int scale, bool toEnd, bool pressed);
// The program's icon at 16, 32 and 64 pixels.
QIcon ProgramIcon();
}  // namespace AppImages
