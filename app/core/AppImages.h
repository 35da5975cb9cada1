#pragma once

#include <QImage>

// The program's own pictures, painted in code and registered as images of the program's
// module: the splash picture (200), which is also the source of the shared palette.
namespace AppImages {
inline constexpr unsigned splash = 200;

QImage PaintSplash(int scale);
}  // namespace AppImages
