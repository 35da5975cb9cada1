#include "interface/core/MCBitmap.h"

#include "interface/core/MCPalette.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/resource/ImageResources.h"

#include <QPainter>

#include <cstring>
#include <limits>

namespace {

constexpr int kWidth = 4, kHeight = 8, kPlanes = 12, kBitCount = 14, kSizeImage = 20, kClrUsed = 32;
// Large enough for any image of the program, small enough that a bad size cannot exhaust
// memory.
constexpr int kMaxSide = 16384;
constexpr size_t kMaxData = size_t(256) << 20;

QRgb tableColour(const uint8_t* entry)
{
    return qRgb(entry[2], entry[1], entry[0]);
}

void setTableColour(uint8_t* entry, QRgb colour)
{
    entry[0] = uint8_t(qBlue(colour));
    entry[1] = uint8_t(qGreen(colour));
    entry[2] = uint8_t(qRed(colour));
    entry[3] = 0;
}

}  // namespace

MCBitmap::MCBitmap() = default;

MCBitmap::MCBitmap(const MCBitmap& other)
    : m_autoDelete(other.m_autoDelete), m_numColors(other.m_numColors), m_block(other.m_block),
      m_scale(other.m_scale), m_section(other.m_section)
{
    pointInto();
    copyPalette(other);
}

void MCBitmap::copyPalette(const MCBitmap& other)
{
    // A palette the other bitmap owns is copied with it; one it only uses is shared.
    if (other.m_palette && other.m_autoDelete)
        m_palette = new MCPalette(*other.m_palette);
    else
        m_palette = other.m_palette;
}

MCBitmap& MCBitmap::operator=(const MCBitmap& other)
{
    if (this == &other)
        return *this;
    Empty();
    m_autoDelete = other.m_autoDelete;
    m_numColors = other.m_numColors;
    m_block = other.m_block;
    m_scale = other.m_scale;
    m_section = other.m_section;
    pointInto();
    copyPalette(other);
    return *this;
}

MCBitmap::~MCBitmap()
{
    Empty();
}

int MCBitmap::CalcScanWidth(int width, int bitsPerPixel)
{
    return int(((int64_t(width) * bitsPerPixel + 31) / 32) * 4);
}

size_t MCBitmap::CalcDataSize(int width, int height, int bitsPerPixel)
{
    return size_t(CalcScanWidth(width, bitsPerPixel)) * size_t(height);
}

int MCBitmap::ColorCountOf(int bitsPerPixel)
{
    switch (bitsPerPixel) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

void MCBitmap::Empty()
{
    if (m_palette && m_autoDelete)
        delete m_palette;
    m_palette = nullptr;
    m_block.clear();
    m_header = m_colorTable = m_pixels = nullptr;
    m_numColors = 0;
    m_scale = 1;
    m_section.reset();
}

void MCBitmap::pointInto()
{
    if (m_block.empty()) {
        m_header = m_colorTable = m_pixels = nullptr;
        return;
    }
    m_header = m_block.data();
    m_colorTable = m_header + kHeaderSize;
    m_pixels = m_colorTable + size_t(m_numColors) * 4;
}

int32_t MCBitmap::headerInt(int offset) const
{
    int32_t value = 0;
    std::memcpy(&value, m_header + offset, sizeof value);
    return value;
}

void MCBitmap::setHeaderInt(int offset, int32_t value)
{
    std::memcpy(m_header + offset, &value, sizeof value);
}

int MCBitmap::Create()
{
    return Create(QSize(10, 10), 8);
}

int MCBitmap::Create(QSize size, int bitsPerPixel)
{
    Empty();
    if (size.width() <= 0 || size.height() <= 0 || size.width() > kMaxSide || size.height() > kMaxSide)
        return 0;
    if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 16 && bitsPerPixel != 24 &&
        bitsPerPixel != 32)
        return 0;
    const size_t data = CalcDataSize(size.width(), size.height(), bitsPerPixel);
    if (data > kMaxData)
        return 0;
    m_numColors = ColorCountOf(bitsPerPixel);
    m_block.assign(kHeaderSize + size_t(m_numColors) * 4 + data, 0);
    pointInto();
    setHeaderInt(0, kHeaderSize);
    setHeaderInt(kWidth, size.width());
    setHeaderInt(kHeight, size.height());
    m_header[kPlanes] = 1;
    m_header[kBitCount] = uint8_t(bitsPerPixel);
    for (int i = 0; i < m_numColors; ++i) {
        const int grey = 256 / m_numColors * i;
        setTableColour(m_colorTable + i * 4, qRgb(grey, grey, grey));
    }
    return 1;
}

bool MCBitmap::fromImage(const QImage& source, int scale)
{
    QImage image = source;
    int bits = 24;
    if (image.format() == QImage::Format_Indexed8)
        bits = 8;
    else if (image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB)
        bits = 1;
    else if (image.hasAlphaChannel())
        bits = 32;
    if (!Create(image.size(), bits))
        return false;
    m_scale = scale;
    const int width = image.width(), height = image.height(), scan = CalcScanWidth(width, bits);
    if (bits == 1 || bits == 8) {
        const QList<QRgb> table = image.colorTable();
        for (int i = 0; i < m_numColors; ++i)
            setTableColour(m_colorTable + i * 4, i < table.size() ? table[i] : qRgb(0, 0, 0));
        if (bits == 1)
            image = image.convertToFormat(QImage::Format_Mono);
    } else {
        image = image.convertToFormat(bits == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    }
    for (int y = 0; y < height; ++y) {
        uint8_t* row = m_pixels + size_t(height - 1 - y) * size_t(scan);
        const uchar* line = image.constScanLine(y);
        if (bits == 8 || bits == 1) {
            std::memcpy(row, line, size_t(bits == 8 ? width : (width + 7) / 8));
        } else {
            const auto* pixels = reinterpret_cast<const QRgb*>(line);
            for (int x = 0; x < width; ++x) {
                uint8_t* p = row + x * (bits / 8);
                p[0] = uint8_t(qBlue(pixels[x]));
                p[1] = uint8_t(qGreen(pixels[x]));
                p[2] = uint8_t(qRed(pixels[x]));
                if (bits == 32)
                    p[3] = uint8_t(qAlpha(pixels[x]));
            }
        }
    }
    return true;
}

int MCBitmap::AttachResource(const char* name, int makePalette, int scale)
{
    Empty();
    const std::optional<QImage> image = name ? plat::ui::ImageResources::find(name, scale) : std::nullopt;
    if (!image || !fromImage(*image, scale)) {
        Empty();
        return 0;
    }
    if (makePalette && m_numColors > 0) {
        auto* palette = new MCPalette;
        palette->Create(this);
        m_palette = palette;
        m_autoDelete = 1;
    }
    return 1;
}

int MCBitmap::Create(const char* name, int scale)
{
    return AttachResource(name, 0, scale);
}

int MCBitmap::Create(uint32_t id, int scale)
{
    return Create(plat::ui::ImageResources::imageName(id & 0xFFFF).c_str(), scale);
}

QSize MCBitmap::GetDimensions() const
{
    return m_header ? QSize(headerInt(kWidth), headerInt(kHeight)) : QSize();
}

QSize MCBitmap::GetLogicalSize() const
{
    const QSize size = GetDimensions();
    return QSize(size.width() / m_scale, size.height() / m_scale);
}

int MCBitmap::GetColorDepth() const
{
    return m_header ? m_header[kBitCount] : 0;
}

size_t MCBitmap::GetDataSize() const
{
    return m_header ? CalcDataSize(headerInt(kWidth), headerInt(kHeight), GetColorDepth()) : 0;
}

std::vector<QRgb> MCBitmap::GetColorTable() const
{
    std::vector<QRgb> table;
    for (int i = 0; i < m_numColors; ++i)
        table.push_back(tableColour(m_colorTable + i * 4));
    return table;
}

void MCBitmap::SetPalette(MCPalette* palette)
{
    if (m_palette && m_autoDelete && m_palette != palette)
        delete m_palette;
    m_palette = palette;
}

const MCPalette* MCBitmap::paletteInUse() const
{
    return m_palette ? m_palette : MCPalette::GetSharedPalette();
}

int MCBitmap::ColorToIndex(plat::ui::ColorRef colour) const
{
    const uint32_t kind = colour >> 24;
    if (kind == 1)
        return int(colour & 0xFF);
    if (kind != 0 && kind != 2)
        return 0;
    const QRgb wanted = plat::ui::toQColor(colour & 0xFFFFFF).rgb();
    if (const MCPalette* palette = paletteInUse())
        return palette->NearestIndex(wanted);
    MCPalette table;
    table.SetEntries(GetColorTable());
    return table.NearestIndex(wanted);
}

uint8_t* MCBitmap::GetPixelAddress(int x, int y)
{
    const QSize size = GetDimensions();
    if (!m_pixels || x < 0 || y < 0 || x >= size.width() || y >= size.height())
        return nullptr;
    const int bits = GetColorDepth();
    const size_t row = size_t(size.height() - 1 - y) * size_t(CalcScanWidth(size.width(), bits));
    return m_pixels + row + size_t(int64_t(x) * bits / 8);
}

void MCBitmap::ReplacePixels(plat::ui::ColorRef from, plat::ui::ColorRef to, const QRect& area)
{
    if (!m_pixels)
        return;
    const QRect pixels = QRect(area.topLeft() * m_scale, area.size() * m_scale)
                             .intersected(QRect(QPoint(0, 0), GetDimensions()));
    const int bits = GetColorDepth();
    if (bits == 8) {
        const uint8_t source = uint8_t(ColorToIndex(from)), target = uint8_t(ColorToIndex(to));
        for (int y = pixels.top(); y <= pixels.bottom(); ++y)
            for (int x = pixels.left(); x <= pixels.right(); ++x)
                if (uint8_t* p = GetPixelAddress(x, y); *p == source)
                    *p = target;
    } else if (bits == 24 || bits == 32) {
        const QRgb source = plat::ui::toQColor(from).rgb(), target = plat::ui::toQColor(to).rgb();
        for (int y = pixels.top(); y <= pixels.bottom(); ++y) {
            for (int x = pixels.left(); x <= pixels.right(); ++x) {
                uint8_t* p = GetPixelAddress(x, y);
                if (qRgb(p[2], p[1], p[0]) == source) {
                    p[0] = uint8_t(qBlue(target));
                    p[1] = uint8_t(qGreen(target));
                    p[2] = uint8_t(qRed(target));
                }
            }
        }
    }
    m_section.reset();
}

int MCBitmap::UsePalette(plat::ui::DrawContext*, int)
{
    return 0;
}

int MCBitmap::MapColorsToPalette()
{
    const MCPalette* palette = paletteInUse();
    if (!palette || GetColorDepth() != 8 || palette->GetNumColors() == 0)
        return 0;
    uint8_t map[256];
    for (int i = 0; i < 256; ++i)
        map[i] = uint8_t(palette->NearestIndex(tableColour(m_colorTable + i * 4)));
    const std::vector<QRgb>& entries = palette->Entries();
    if (m_section) {
        for (int y = 0; y < m_section->height(); ++y) {
            uchar* line = m_section->scanLine(y);
            for (int x = 0; x < m_section->width(); ++x)
                line[x] = map[line[x]];
        }
        QList<QRgb> table(256, qRgb(0, 0, 0));
        for (size_t i = 0; i < entries.size() && i < 256; ++i)
            table[qsizetype(i)] = entries[i];
        m_section->setColorTable(table);
    } else {
        const size_t size = GetDataSize();
        for (size_t i = 0; i < size; ++i)
            m_pixels[i] = map[m_pixels[i]];
    }
    for (int i = 0; i < 256; ++i)
        setTableColour(m_colorTable + i * 4, size_t(i) < entries.size() ? entries[size_t(i)] : qRgb(0, 0, 0));
    setHeaderInt(kClrUsed, 256);
    return 1;
}

int MCBitmap::ReplaceColorIndex(plat::ui::ColorRef from, plat::ui::ColorRef to)
{
    if (GetColorDepth() != 8)
        return 0;
    if (from == to)
        return 1;
    const int index = ColorToIndex(from);
    QRgb colour = plat::ui::toQColor(to & 0xFFFFFF).rgb();
    const MCPalette* palette = paletteInUse();
    if ((to >> 24) == 1) {
        const int source = int(to & 0xFF);
        colour = palette && source < palette->GetNumColors() ? palette->Entries()[size_t(source)]
                                                             : tableColour(m_colorTable + source * 4);
    } else if (palette) {
        colour = palette->Entries()[size_t(palette->NearestIndex(colour))];
    }
    setTableColour(m_colorTable + index * 4, colour);
    if (m_section)
        m_section->setColor(index, colour);
    return 1;
}

QImage MCBitmap::ToImage() const
{
    if (!m_pixels)
        return QImage();
    const QSize size = GetDimensions();
    const int bits = GetColorDepth(), scan = CalcScanWidth(size.width(), bits);
    QImage image;
    if (bits <= 8) {
        image = QImage(size, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (int i = 0; i < m_numColors; ++i)
            table.push_back(tableColour(m_colorTable + i * 4));
        image.setColorTable(table);
        for (int y = 0; y < size.height(); ++y) {
            const uint8_t* row = m_pixels + size_t(size.height() - 1 - y) * size_t(scan);
            uchar* line = image.scanLine(y);
            for (int x = 0; x < size.width(); ++x) {
                if (bits == 8)
                    line[x] = row[x];
                else if (bits == 4)
                    line[x] = (row[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F;
                else
                    line[x] = (row[x / 8] >> (7 - x % 8)) & 1;
            }
        }
    } else {
        image = QImage(size, bits == 32 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        for (int y = 0; y < size.height(); ++y) {
            const uint8_t* row = m_pixels + size_t(size.height() - 1 - y) * size_t(scan);
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < size.width(); ++x) {
                if (bits == 16) {
                    const int value = row[x * 2] | (row[x * 2 + 1] << 8);
                    line[x] = qRgb(((value >> 10) & 31) * 255 / 31, ((value >> 5) & 31) * 255 / 31, (value & 31) * 255 / 31);
                } else {
                    const uint8_t* p = row + x * (bits / 8);
                    line[x] = qRgba(p[2], p[1], p[0], bits == 32 ? p[3] : 255);
                }
            }
        }
    }
    image.setDevicePixelRatio(m_scale);
    return image;
}

const QImage* MCBitmap::CreateSection(plat::ui::DrawContext* dc)
{
    if (!dc || !m_header)
        return nullptr;
    // The whole of the pixels goes into the section, also for a bitmap made blank and drawn
    // on before it was first shown.
    if (!m_section)
        m_section = ToImage();
    return &*m_section;
}

int MCBitmap::Draw(plat::ui::DrawContext* dc, const QRect& dest, const QRect& src)
{
    if (!dc || !m_pixels)
        return 0;
    QPainter& painter = dc->painter();
    if (m_section) {
        const QRect block(src.topLeft() * m_scale, dest.size() * m_scale);
        painter.drawImage(QRectF(dest), *m_section, QRectF(block));
    } else {
        const QImage image = ToImage();
        const QRect from(src.topLeft() * m_scale, src.size() * m_scale);
        painter.drawImage(QRectF(dest), image, QRectF(from));
    }
    return 1;
}
