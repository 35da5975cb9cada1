#include "platform/ui/draw/Font.h"

#include <QFontMetrics>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace plat::ui {

namespace {

QFont::StyleHint styleHint(uint8_t pitchAndFamily)
{
    switch (pitchAndFamily & 0xF0) {
    case 0x10: return QFont::Serif;
    case 0x20: return QFont::SansSerif;
    case 0x30: return (pitchAndFamily & 0x03) == 1 ? QFont::Monospace : QFont::SansSerif;
    case 0x40: return QFont::Cursive;
    case 0x50: return QFont::Decorative;
    default: return QFont::AnyStyle;
    }
}

constexpr int kDefaultPixelSize = 13;

}  // namespace

Font::Font(LogicalFont description) : m_description(std::move(description))
{
    const LogicalFont& d = m_description;
    if (!d.faceName.empty())
        m_font.setFamily(QString::fromStdString(d.faceName));
    m_font.setStyleHint(styleHint(d.pitchAndFamily));
    if ((d.pitchAndFamily & 0x03) == 1)
        m_font.setFixedPitch(true);
    m_font.setWeight(QFont::Weight(std::clamp(d.weight == 0 ? LogicalFont::kNormalWeight : d.weight, 1, 1000)));
    m_font.setItalic(d.italic);
    m_font.setUnderline(d.underline);
    switch (d.quality) {
    case LogicalFont::Quality::draft:
    case LogicalFont::Quality::nonAntialiased: m_font.setStyleStrategy(QFont::NoAntialias); break;
    case LogicalFont::Quality::antialiased:
    case LogicalFont::Quality::proof: m_font.setStyleStrategy(QFont::PreferQuality); break;
    case LogicalFont::Quality::normal: break;
    }

    // A negative height is the character height (the em), a positive one the cell height:
    // the em is scaled by how much taller the cell of this face is than its em.
    const int height = d.height == 0 ? kDefaultPixelSize : std::abs(d.height);
    m_font.setPixelSize(height);
    if (d.height > 0) {
        const int cell = QFontMetrics(m_font).height();
        if (cell > 0 && cell != height)
            m_font.setPixelSize(std::max(1, int(std::lround(double(height) * height / cell))));
    }
    if (d.width > 0) {
        const int average = QFontMetrics(m_font).averageCharWidth();
        if (average > 0 && average != d.width)
            m_font.setStretch(std::clamp(int(std::lround(100.0 * d.width / average)), 50, 200));
    }
}

}  // namespace plat::ui
