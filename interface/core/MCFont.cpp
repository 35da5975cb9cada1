#include "interface/core/MCFont.h"

#include "platform/ui/draw/DrawContext.h"

#include <cstdlib>

namespace {

// What the previous selection replaced, kept once for the process.
const plat::ui::Font* s_previousFont = nullptr;
plat::ui::ColorRef s_previousColor = 0;

// a x b / c rounded to the nearest whole number, halves away from zero.
int mulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const long long product = static_cast<long long>(a) * b;
    const long long half = std::llabs(c) / 2;
    const long long rounded = (product >= 0) == (c > 0) ? (std::llabs(product) + half) / std::llabs(c)
                                                        : -((std::llabs(product) + half) / std::llabs(c));
    return int(rounded);
}

}  // namespace

MCFont::MCFont()
{
    m_description.height = -14;
    m_description.weight = plat::ui::LogicalFont::kNormalWeight;
    m_description.faceName = "Arial";
}

MCFont::~MCFont() = default;

void MCFont::SetFontName(const std::string& name)
{
    m_description.faceName = name;
    changed();
}

void MCFont::SetFontHeight(int height)
{
    m_description.height = height;
    changed();
}

void MCFont::SetFontWidth(int width)
{
    m_description.width = width;
    changed();
}

void MCFont::SetFontPointSize(int points, int pixelsPerInch)
{
    m_description.height = mulDiv(points, pixelsPerInch, 72);
    changed();
}

int MCFont::GetFontPointSize(int pixelsPerInch) const
{
    // Rounded as the size was, so a size set reads back the same.
    return pixelsPerInch == 0 ? 0 : mulDiv(m_description.height, 72, pixelsPerInch);
}

void MCFont::SetFontStyle(int bold, int italic, int underline)
{
    m_description.weight = bold ? plat::ui::LogicalFont::kBoldWeight : plat::ui::LogicalFont::kNormalWeight;
    m_description.italic = italic != 0;
    m_description.underline = underline != 0;
    changed();
}

void MCFont::SetFontColor(plat::ui::ColorRef color)
{
    m_color = color;
    m_flags |= kApplyColor;
}

void MCFont::SetEscapement(int escapement)
{
    m_escapement = escapement;
    changed();
}

void MCFont::SetCharSet(int charSet)
{
    m_charSet = charSet;
    changed();
}

const plat::ui::Font& MCFont::GetFont(plat::ui::DrawContext& dc)
{
    if (!(m_flags & kChanged) && m_font)
        return *m_font;
    // The old font is about to go: a context that has it selected gets its own font back.
    if ((m_flags & kSelected) && dc.font() == m_font.get())
        dc.setFont(s_previousFont);
    m_font = std::make_unique<plat::ui::Font>(m_description);
    m_flags &= ~kChanged;
    return *m_font;
}

const plat::ui::Font* MCFont::SelectFont(plat::ui::DrawContext& dc)
{
    m_lock.lock();
    if (m_flags & kApplyColor)
        s_previousColor = dc.setTextColor(m_color);
    s_previousFont = dc.setFont(&GetFont(dc));
    m_flags |= kSelected;
    return s_previousFont;
}

const plat::ui::Font* MCFont::DeselectFont(plat::ui::DrawContext& dc)
{
    if (m_flags & kApplyColor) {
        dc.setTextColor(s_previousColor);
        m_flags &= ~kApplyColor;
    }
    const plat::ui::Font* selected = dc.setFont(s_previousFont);
    const bool wasSelected = (m_flags & kSelected) != 0;
    m_flags &= ~kSelected;
    if (wasSelected)
        m_lock.unlock();
    return selected;
}

void MCFont::SaveLogFont(plat::ui::LogicalFont& out) const
{
    out = m_description;
}

void MCFont::RestoreLogFont(const plat::ui::LogicalFont& description)
{
    m_description = description;
    changed();
}
