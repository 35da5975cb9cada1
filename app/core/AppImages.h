#pragma once

#include <QIcon>
#include <QImage>

// The program's own pictures, painted in code and registered as images of the program's
// module: the splash picture (200), which is also the source of the shared palette.
namespace AppImages {
inline constexpr unsigned splash = 200;
inline constexpr unsigned programIcon = 128;

QImage PaintSplash(int scale);
QImage PaintIcon(int scale);
// The program's icon at 16, 32 and 64 pixels.
QIcon ProgramIcon();
}  // namespace AppImages
