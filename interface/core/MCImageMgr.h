#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>

class MCBitmap;
class MCPalette;

namespace plat::ui {
class DrawContext;
}

// The one image cache of the process: button and window images are loaded once from the
// resource module in effect, mapped to the palette, and their key colours replaced by the
// user's button colours (face, highlight, shadow; a key of 0xFFFFFFFF is left alone). It also
// lends a drawing buffer that only grows. Used on the main thread.
//
// Images are kept per scale, so an image asked for at device pixel ratio 2 is painted at twice
// the pixels. A named image is kept under its name: two names never share an image, even when
// their hash keys are equal.
class INTERFACE_API MCImageMgr {
public:
    static constexpr plat::ui::ColorRef kNoColor = 0xFFFFFFFF;

    static MCImageMgr& GetImageMgr();
    // The key of a name: h = h x 33 + c over its characters (as signed chars), plus 0x6000.
    static uint32_t HashName(const char* name);

    virtual ~MCImageMgr();
    MCImageMgr(const MCImageMgr&) = delete;
    MCImageMgr& operator=(const MCImageMgr&) = delete;

    MCBitmap* AddImage(uint32_t id, plat::ui::ColorRef face, plat::ui::ColorRef highlight, plat::ui::ColorRef shadow,
                       int scale = 1);
    MCBitmap* AddImage(const char* name, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                       plat::ui::ColorRef shadow, int scale = 1);
    MCBitmap* GetImage(uint32_t id, int scale = 1) const;
    MCBitmap* GetImage(const char* name, int scale = 1) const;
    void RemoveImages();
    size_t ImageCount() const { return m_byId.size() + m_byName.size(); }

    // A buffer of at least size (logical) at the device pixel ratio of dc's device; it grows
    // to the larger width and height asked so far and is made anew only when it grows or the
    // ratio changes.
    QImage* GetImageBuffer(QSize size, plat::ui::DrawContext* dc);

    void SetPalette(MCPalette* palette) { m_palette = palette; }
    MCPalette* GetPalette() const { return m_palette; }

private:
    MCImageMgr() = default;
    std::unique_ptr<MCBitmap> load(const std::string& resource, plat::ui::ColorRef face, plat::ui::ColorRef highlight,
                                   plat::ui::ColorRef shadow, int scale) const;

    std::map<std::pair<uint32_t, int>, std::unique_ptr<MCBitmap>> m_byId;
    std::map<std::pair<std::string, int>, std::unique_ptr<MCBitmap>> m_byName;
    MCPalette* m_palette = nullptr;
    std::unique_ptr<QImage> m_buffer;
    QSize m_bufferSize;
};
