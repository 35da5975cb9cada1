#pragma once

#include "interface/InterfaceExport.h"

#include <QColor>

#include <vector>

class MCBitmap;

namespace plat::ui {
class DrawContext;
}

// A logical palette made from a bitmap's colours, and the one palette the program shares
// between its images. Every display here is true colour, so a palette maps nothing on the
// screen; it still gives images their indexes (nearest colours) when they are mapped to it.
class INTERFACE_API MCPalette {
public:
    MCPalette() = default;
    virtual ~MCPalette();

    // The bitmap's colours in order; 0 when it has no colour table.
    virtual int Create(const MCBitmap* bitmap);
    virtual int GetNumColors() const { return int(m_entries.size()); }
    // Makes the palette match the display's own palette one to one; only on a display with a
    // palette, so here it answers 0 and changes nothing.
    virtual int Normalize(plat::ui::DrawContext* dc);

    const std::vector<QRgb>& Entries() const { return m_entries; }
    void SetEntries(std::vector<QRgb> entries) { m_entries = std::move(entries); }
    // The index of the entry nearest to colour (0 for an empty palette).
    int NearestIndex(QRgb colour) const;

    // The program's shared palette; the program makes and deletes it.
    static MCPalette* GetSharedPalette() { return s_pSharedPalette; }
    static void SetSharedPalette(MCPalette* palette) { s_pSharedPalette = palette; }

private:
    static inline MCPalette* s_pSharedPalette = nullptr;

    std::vector<QRgb> m_entries;
};
