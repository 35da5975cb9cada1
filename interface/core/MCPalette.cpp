#include "interface/core/MCPalette.h"

#include "interface/core/MCBitmap.h"

#include <limits>

MCPalette::~MCPalette() = default;

int MCPalette::Create(const MCBitmap* bitmap)
{
    if (!bitmap || bitmap->GetNumColors() == 0)
        return 0;
    m_entries = bitmap->GetColorTable();
    return 1;
}

int MCPalette::Normalize(plat::ui::DrawContext*)
{
    return 0;
}

int MCPalette::NearestIndex(QRgb colour) const
{
    int best = 0;
    long bestDistance = std::numeric_limits<long>::max();
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const long dr = qRed(m_entries[i]) - qRed(colour), dg = qGreen(m_entries[i]) - qGreen(colour),
                   db = qBlue(m_entries[i]) - qBlue(colour);
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(i);
            if (distance == 0)
                break;
        }
    }
    return best;
}
