#pragma once

#include "interface/InterfaceExport.h"

#include "platform/ui/draw/ColorRef.h"
#include "platform/ui/draw/Font.h"
#include "platform/ui/draw/LogicalFont.h"

#include <memory>
#include <mutex>
#include <string>

namespace plat::ui {
class DrawContext;
}

// A font described field by field, made when first needed and again after its description
// changed, and selected into a drawing context together with a text colour that applies to
// that one selection. A selection holds the font's lock until it is deselected on the same
// thread. The font and colour a selection replaced are kept once for the whole process, so
// selections of two fonts must not be nested.
class INTERFACE_API MCFont {
public:
    MCFont();
    virtual ~MCFont();
    MCFont(const MCFont&) = delete;
    MCFont& operator=(const MCFont&) = delete;

    void SetFontName(const std::string& name);
    void SetFontHeight(int height);
    void SetFontWidth(int width);
    // height = points x pixelsPerInch / 72, and back, each rounded; 0 for 0 pixels per inch.
    void SetFontPointSize(int points, int pixelsPerInch);
    int GetFontPointSize(int pixelsPerInch) const;
    void SetFontStyle(int bold, int italic, int underline);
    void SetFontColor(plat::ui::ColorRef color);
    void SetEscapement(int escapement);
    int GetEscapement() const { return m_escapement; }
    void SetCharSet(int charSet);
    int GetCharSet() const { return m_charSet; }

    virtual const plat::ui::Font& GetFont(plat::ui::DrawContext& dc);
    // Answers the font the context had (null for its default font).
    virtual const plat::ui::Font* SelectFont(plat::ui::DrawContext& dc);
    // Answers the font that was selected.
    virtual const plat::ui::Font* DeselectFont(plat::ui::DrawContext& dc);
    virtual void SaveLogFont(plat::ui::LogicalFont& out) const;
    virtual void RestoreLogFont(const plat::ui::LogicalFont& description);

    bool IsSelected() const { return (m_flags & kSelected) != 0; }

private:
    static constexpr unsigned kChanged = 1, kApplyColor = 2, kSelected = 4;

    void changed() { m_flags |= kChanged; }

    std::recursive_mutex m_lock;
    std::unique_ptr<plat::ui::Font> m_font;
    plat::ui::LogicalFont m_description;
    int m_escapement = 0;
    int m_charSet = 1;
    plat::ui::ColorRef m_color = 0;
    unsigned m_flags = kChanged;
};
