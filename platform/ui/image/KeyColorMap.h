#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QImage>
#include <QPalette>

#include <optional>
#include <utility>
#include <vector>

namespace plat::ui {

// Our images are drawn with key colours where the user's colours belong: a face, a highlight
// and a shadow colour, and one colour that stands for "nothing here". A map replaces each key
// by the colour it stands for, exactly (the keys are painted without smoothing), and turns the
// transparent key into alpha. Works on images with a colour table (the table changes) and on
// true-colour ones (the pixels change).
class PLATUI_API KeyColorMap {
public:
    // The button colours of palette for the face, highlight and shadow keys; a key that is
    // unset is left alone.
    static KeyColorMap buttonColors(const QPalette& palette, std::optional<ColorRef> faceKey,
                                    std::optional<ColorRef> highlightKey, std::optional<ColorRef> shadowKey);

    void replace(ColorRef key, QColor color);
    void setTransparent(ColorRef key) { m_transparent = key; }

    // The image with the keys replaced; with a transparent key, an image with alpha.
    QImage apply(const QImage& image) const;

private:
    std::vector<std::pair<ColorRef, QColor>> m_replacements;
    std::optional<ColorRef> m_transparent;
};

}  // namespace plat::ui
