#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/ColorRef.h"
#include "platform/ui/draw/Pen.h"

#include <QBrush>
#include <QPen>

#include <memory>
#include <optional>
#include <vector>

namespace plat::ui {
class DrawContext;
}

// The one cache of pens and solid brushes of the process: painting code asks for the same pen
// as often as it likes and gets the same object, which lives until the process ends. Used on
// the main thread only. Only one pen and one brush selection may be open at a time.
class INTERFACE_API MCGdiObj {
public:
    static MCGdiObj& GetGdiObj();

    virtual ~MCGdiObj();
    MCGdiObj(const MCGdiObj&) = delete;
    MCGdiObj& operator=(const MCGdiObj&) = delete;

    // A pen of a classic style (0 solid, 1 dashes, 2 dots, 3 dash-dot, 4 dash-dot-dot, 5 none).
    const plat::ui::Pen& GetPen(unsigned style, int width, plat::ui::ColorRef color);
    const plat::ui::Brush& GetSolidBrush(plat::ui::ColorRef color);

    // Selects the cached pen into dc and remembers the one it had; DeselectPen puts that back.
    QPen SelectPen(plat::ui::DrawContext& dc, unsigned style, int width, plat::ui::ColorRef color);
    void DeselectPen(plat::ui::DrawContext& dc);
    QBrush SelectSolidBrush(plat::ui::DrawContext& dc, plat::ui::ColorRef color);
    void DeselectBrush(plat::ui::DrawContext& dc);

    // While on and a selection is remembered, a new selection keeps the remembered one's
    // place instead of selecting (the answer is the remembered object) and a deselection keeps
    // the selection; switching it off puts the remembered objects back into dc.
    void SetOptimize(plat::ui::DrawContext& dc, int on);
    // The cache keeps every object it made; its size is not limited.
    void SetMaxCacheSize(int) {}

    size_t PenCount() const { return m_pens.size(); }
    size_t BrushCount() const { return m_brushes.size(); }

private:
    MCGdiObj() = default;

    struct PenEntry {
        unsigned style;
        int width;
        plat::ui::ColorRef color;
        std::unique_ptr<plat::ui::Pen> pen;
    };
    struct BrushEntry {
        plat::ui::ColorRef color;
        std::unique_ptr<plat::ui::Brush> brush;
    };

    std::vector<PenEntry> m_pens;
    std::vector<BrushEntry> m_brushes;
    bool m_optimize = false;
    std::optional<QPen> m_previousPen;
    std::optional<QBrush> m_previousBrush;
};
