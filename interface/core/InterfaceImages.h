#pragma once

#include "interface/InterfaceExport.h"

#include <QImage>

#include <cstdint>
#include <functional>

class QPainter;

// The images of the Interface library, all drawn here in code and registered under the
// library's module. Images meant for recolouring are drawn in the key colours without
// smoothing, so every key pixel is exact at every scale.
class INTERFACE_API InterfaceImages {
public:
    // Key colours of the library's images (0x00BBGGRR): the face, highlight and shadow keys,
    // and magenta for "nothing here".
    static constexpr uint32_t kFaceKey = 0xFF0000;
    static constexpr uint32_t kHighlightKey = 0x00FF00;
    static constexpr uint32_t kShadowKey = 0x0000FF;
    static constexpr uint32_t kClearKey = 0xFF00FF;

    // An image of logical size drawn by paint (in logical coordinates) at scale; with
    // indexed, reduced to a colour table of the colours it uses (at most 256).
    static QImage Paint(int width, int height, int scale, bool indexed, const std::function<void(QPainter&)>& paint);
};
