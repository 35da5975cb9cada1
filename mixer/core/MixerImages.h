#pragma once

#include "mixer/MixerExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QPoint>
#include <QRect>

#include <cstdint>

class QWidget;

// The images of the mixer, all drawn in code and registered under the library's module: the
// faces of its buttons (by name, one image per state), the tracks and thumbs of its sliders and
// the knobs of its dials (by number). Images meant for recolouring are drawn in the key colours
// below without smoothing, so the image cache puts the user's button colours in their place.
class MIXER_API MixerImages {
public:
    // Key colours (0x00BBGGRR) of the recoloured images: face, highlight and shadow.
    static constexpr plat::ui::ColorRef kFaceKey = 0xFF0000;
    static constexpr plat::ui::ColorRef kHighlightKey = 0x00FF00;
    static constexpr plat::ui::ColorRef kShadowKey = 0x0000FF;

    // Slider images: (track, thumb) of the strip's volume, the master volume (upright and
    // lying) and the tempo speed.
    enum : uint32_t {
        kStripTrack = 5200,
        kStripThumb = 5201,
        kMasterTrack = 5202,
        kMasterThumb = 5203,
        kTempoTrack = 5204,
        kTempoThumb = 5205,
        kMiniMasterThumb = 5206,
        kMiniMasterTrack = 5207,
    };
    // Dial knobs: pan, chorus, reverb, modulation.
    enum : uint32_t { kPanKnob = 5165, kChorusKnob = 5166, kReverbKnob = 5167, kModulationKnob = 5168 };

    // Where a slider's thumb travels on its track, and the thumb's hot spot.
    struct SliderGeometry {
        QRect travel;
        QPoint hotSpot;
    };
    static SliderGeometry Geometry(uint32_t trackId);
    // The knob's part of a dial image.
    static QRect KnobPart();

    // Puts the image id into the image cache at the widget's scales, recoloured by the key
    // colours above.
    static void AddToCache(uint32_t id, const QWidget* widget);
};
