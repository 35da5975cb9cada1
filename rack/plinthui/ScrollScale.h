#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include <cstdint>

namespace rack {

// The mapping between values (0 to the length) and pixels of a scroll control's track,
// which is the control's width less its two end caps. A value's pixel is rounded up when its
// fraction is above one half; a pixel's value is rounded down. A length of 0 maps
// everything to 0.
class PLINTHUI_API ScrollScale {
public:
    ScrollScale(int width, int endWidth, int32_t length) : m_track(width - 2 * endWidth), m_length(length) {}

    int track() const { return m_track; }
    int toPixel(int64_t value) const;
    int32_t toValue(int pixel) const;

private:
    int m_track;
    int32_t m_length;
};

}  // namespace rack
