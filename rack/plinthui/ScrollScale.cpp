#include "rack/plinthui/ScrollScale.h"

namespace rack {

int ScrollScale::toPixel(int64_t value) const
{
    if (m_length <= 0 || m_track <= 0)
        return 0;
    const int64_t scaled = value * m_track;
    int64_t pixel = scaled / m_length;
    const int64_t rest = scaled % m_length;
    if (rest > 0 && 2 * rest > m_length)
        ++pixel;
    else if (rest < 0 && -2 * rest > m_length)
        --pixel;
    return int(pixel);
}

int32_t ScrollScale::toValue(int pixel) const
{
    if (m_length <= 0 || m_track <= 0)
        return 0;
    return int32_t(int64_t(pixel) * m_length / m_track);
}

}  // namespace rack
