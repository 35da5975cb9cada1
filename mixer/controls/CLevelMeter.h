#pragma once

#include "mixer/MixerExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <memory>

// The upright level meter of a track strip and of the master section. Its owner feeds it an
// input level every 100 ms; the meter smooths it (level = decay x level + attack x input,
// held to 0..1) and lights the bars from the bottom up to the level. It paints by copying from
// two prepared images, unlit and lit, made at the screen's resolution on the first paint; a
// change of level that lights or darkens a bar repaints only the band between the old and the
// new top of the lit part.
// Strip meters share their images through a cache keyed by colour, size and device pixel
// ratio, emptied when the last meter goes; the master section keeps its own.
class MIXER_API CLevelMeter : public QWidget {
public:
    // Levels this small left by the decay are taken as silence.
    static constexpr float kFlushBelow = 1.1920929e-7f;
    // The bar ends this far above the bottom; the block below shows the meter's colour while
    // any of the bar is lit.
    static constexpr int kBarInset = 9;
    static constexpr plat::ui::ColorRef kDefaultLit = 0x00FF00;
    static constexpr plat::ui::ColorRef kBackground = 0x000000;

    // Attack and decay from "Components\Mixer" "Attack" and "Decay" (0.75 each).
    explicit CLevelMeter(QWidget* parent = nullptr);
    ~CLevelMeter() override;

    // Takes the place, and the fixed size, of the item id of parent; false without one.
    bool SubclassLevelMeter(int id, QWidget* parent);

    // One step of the ballistics: a level below kFlushBelow becomes 0, then decay x level +
    // attack x input, held to 0..1.
    static float Ballistics(float level, float input, float attack, float decay);

    // One step with input; with redraw, the band whose lighting changed is repainted.
    void SetLevel(float input, bool redraw);
    // Level and lit height 0.
    void Reset(bool redraw);
    // Forgets both images (a shared one stays in the cache), so the next paint makes them anew.
    void FreeImages(bool redraw);

    float GetLevel() const { return m_level; }
    int GetLitHeight() const { return m_litHeight; }
    float GetAttack() const { return m_attack; }
    float GetDecay() const { return m_decay; }
    plat::ui::ColorRef GetLitColor() const { return m_litColor; }
    // The owner sets the colour, then frees the images.
    void SetLitColor(plat::ui::ColorRef color) { m_litColor = color; }
    bool UsesSharedImages() const { return (m_flags & kShared) != 0; }
    void SetSharedImages(bool shared);
    // The client rectangle with its bottom kBarInset pixels up.
    QRect BarRect() const;

    // Meters alive, and images in the shared cache.
    static int LiveMeters();
    static size_t SharedImageCount();

    QSize sizeHint() const override { return QSize(12, 64); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    using Image = std::shared_ptr<const QImage>;
    // The image of a colour at the current size and ratio; null when it cannot be made.
    Image ImageOf(plat::ui::ColorRef color);
    Image PaintImage(plat::ui::ColorRef color) const;
    int LitHeightOf(float level) const;
    // The first row painted from the lit image for a lit height: none at rest.
    int LitTop(int litHeight) const;
    // The lit bars a lit height shows, the block below them included: two heights that show
    // as many look the same.
    int ShownBars(int litHeight) const;

    static constexpr uint32_t kShared = 0x1;
    uint32_t m_flags = kShared;
    float m_level = 0.0f;
    float m_attack;
    float m_decay;
    plat::ui::ColorRef m_litColor = kDefaultLit;
    int m_litHeight = 0;
    Image m_unlit;
    Image m_lit;
};
