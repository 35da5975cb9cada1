#include "rack/plinthart/GraphicCache.h"

#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthart/ResourceBitmap.h"
#include "rack/plinthart/art/PartArtwork.h"

#include "platform/ui/rackwindow/Cursor.h"

#include <array>
#include <map>
#include <string>

namespace rack {

namespace {

using plat::ui::Bitmap;
using plat::ui::Brush;
using plat::ui::ColorRef;
using plat::ui::Font;
using plat::ui::LogicalFont;
using plat::ui::Palette;
using plat::ui::Pen;

constexpr size_t kFaceBuffer = 62;

const std::map<int, const char*> kParts = {
    {kPartMixerBackground, "MIXER_BACKGROUND"}, {kPartTopPanel, "TOP_PANEL"},
    {kPartSliderBackground, "SLIDER_BACKGROUND"}, {kPartCdBackground, "CD_BACKGROUND"},
    {kPartMidiBackground, "MIDI_BACKGROUND"}, {kPartWaveBackground, "WAVE_BACKGROUND"},
    {kPartMidiMeter, "MIDI_METER"}, {kPartWaveMeter, "WAVE_METER"},
    {kPartBalanceSlider, "BALANCE_SLIDER"}, {kPartGreenLed, "GREEN_LED"},
    {kPartRedLed, "RED_LED"}, {kPartYellowLed, "YELLOW_LED"},
    {kPartSingleMidiMeter, "SINGLE_MIDI_METER"}, {kPartMixerBackground2, "MIXER_BACKGROUND2"},
    {kPartOemLogo, "OEM_LOGO"}, {kPartMixerSlider, "MIXER_SLIDER"},
    {kPartVertTics, "VERT_TICS"}, {kPartVertSlider, "VERT_SLIDER"},
    {kPartVertGutter, "VERT_GUTTER"}, {kPartSmoothTop, "SMOOTH_TOP"},
    {kPartSmoothBottom, "SMOOTH_BOTTOM"}, {kPartTile, "TILE"},
};

const std::map<int, const char*> kDigits = {
    {kDigitsGreen, "DIGITS_GREEN"}, {kDigitsCyan, "DIGITS_CYAN"},     {kDigitsOff, "DIGITS_OFF"},
    {kDigits5x9, "DIGITS_5X9"},     {kDigits5x9Off, "DIGITS_5X9OFF"}, {kDigits7x13, "DIGITS_7X13"},
    {kDigits7x13Off, "DIGITS_7X13OFF"}, {kDigitsTinyTics, "DIGITS_TINYTICS"},
};

const std::map<int, const char*> kLeds = {
    {kLedRecordOn, "LED_RECORD_ON"}, {kLedRecordOff, "LED_RECORD_OFF"}, {kLed8BitOn, "LED_8BIT_ON"},
    {kLed8BitOff, "LED_8BIT_OFF"},   {kLed16BitOn, "LED_16BIT_ON"},     {kLed16BitOff, "LED_16BIT_OFF"},
    {kLedStereoOn, "LED_STEREO_ON"}, {kLedStereoOff, "LED_STEREO_OFF"}, {kLedMonoOn, "LED_MONO_ON"},
    {kLedMonoOff, "LED_MONO_OFF"},   {kLedHzOn, "LED_HZ_ON"},           {kLedHzOff, "LED_HZ_OFF"},
};

const std::map<int, const char*> kIcons = {
    {kIconWave, "WAVE_ICON"}, {kIconMidi, "MIDI_ICON"}, {kIconCd, "CD_ICON"},
};

const std::map<int, ColorRef> kBrushColors = {
    {kBrushRed, 0x0000FF},  {kBrushDarkRed, 0x000080}, {kBrushGreen, 0x00FF00},   {kBrushDarkGreen, 0x008000},
    {kBrushYellow, 0x00FFFF}, {kBrushOlive, 0x008080}, {kBrushCyan, 0xFFFF00},    {kBrushTeal, 0x808000},
    {kBrushBlue, 0xFF0000}, {kBrushNavy, 0x800000},    {kBrushMagenta, 0xFF00FF}, {kBrushPurple, 0x800080},
};

const std::map<int, ColorRef> kPenColors = {
    {kPenRed, 0x0000FF},  {kPenGreen, 0x00FF00}, {kPenYellow, 0x00FFFF},  {kPenCyan, 0xFFFF00},
    {kPenBlue, 0xFF0000}, {kPenMagenta, 0xFF00FF}, {kPenGray, 0x808080},
};

// The caches of the library, cleared when it loads.
class GraphicCache {
public:
    static GraphicCache& instance()
    {
        static GraphicCache cache;
        return cache;
    }

    void clear()
    {
        palette.reset();
        parts.clear();
        digits.clear();
        icons.clear();
        brushes.clear();
        pens.clear();
        fonts.clear();
    }

    // Loads one of the library's bitmaps; the first palette that comes with one becomes the
    // shared palette, any later one is dropped at once.
    std::unique_ptr<Bitmap> load(const char* name)
    {
        std::unique_ptr<Palette> loadedPalette;
        std::unique_ptr<Bitmap> bitmap = LoadResourceBitmap(art::kPlinthArtModule, name, &loadedPalette);
        if (bitmap && loadedPalette && !palette)
            palette = std::move(loadedPalette);
        return bitmap;
    }

    std::unique_ptr<Palette> palette;
    std::map<int, std::unique_ptr<Bitmap>> parts;
    std::map<int, std::unique_ptr<Bitmap>> digits;
    std::map<int, std::unique_ptr<Bitmap>> icons;
    std::map<int, std::unique_ptr<Brush>> brushes;
    std::map<int, std::unique_ptr<Pen>> pens;
    std::map<int, std::unique_ptr<Font>> fonts;
    // The Application, Tags and Mode faces.
    std::array<std::string, 3> faces;
};

// A cached bitmap of a table, loaded on first request (a missing one is asked for again).
Bitmap* cached(std::map<int, std::unique_ptr<Bitmap>>& cache, const std::map<int, const char*>& names, int id)
{
    const auto name = names.find(id);
    if (name == names.end())
        return nullptr;
    std::unique_ptr<Bitmap>& slot = cache[id];
    if (!slot)
        slot = GraphicCache::instance().load(name->second);
    return slot.get();
}

LogicalFont fontDescription(int id, const std::array<std::string, 3>& faces)
{
    LogicalFont font;
    font.pitchAndFamily = 0x32;
    switch (id) {
    case kFontApplication:
        font.height = 13, font.width = 5, font.weight = 220, font.faceName = faces[0];
        break;
    case kFontTags:
        font.height = 9, font.width = 5, font.weight = 100, font.faceName = faces[1];
        break;
    case kFontMode:
        font.height = 15, font.width = 6, font.weight = 700, font.faceName = faces[2];
        break;
    default:
        font.height = 14, font.width = 6, font.weight = 220, font.quality = LogicalFont::Quality::proof;
        font.pitchAndFamily = 0x22;
        break;
    }
    return font;
}

}  // namespace

void grp_Initialize()
{
    plat::ui::Cursor::setShape(plat::ui::CursorShape::wait);
    GraphicCache& cache = GraphicCache::instance();
    cache.faces = {
        PlinthProfile::getString("Fonts", "Application", "Arial", kFaceBuffer),
        PlinthProfile::getString("Fonts", "Tags", "Arial", kFaceBuffer),
        PlinthProfile::getString("Fonts", "Mode", "Arial", kFaceBuffer),
    };
    cache.clear();
    for (const int id : {kPartCdBackground, kPartMidiBackground, kPartMixerBackground, kPartSliderBackground,
                         kPartTopPanel, kPartWaveBackground, kPartMidiMeter, kPartSingleMidiMeter, kPartWaveMeter})
        GetGraphicPart(id);
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
}

void grp_Terminate()
{
    GraphicCache::instance().clear();
}

const Palette* GetGraphicPalette()
{
    return GraphicCache::instance().palette.get();
}

Bitmap* GetGraphicPart(int id)
{
    GraphicCache& cache = GraphicCache::instance();
    if (id == kPartWaveMeter)
        cache.parts.erase(id);
    return cached(cache.parts, kParts, id);
}

const Bitmap* GetGraphicDigit(int id)
{
    return cached(GraphicCache::instance().digits, kDigits, id);
}

std::unique_ptr<Bitmap> GetGraphicLed(int id)
{
    const auto name = kLeds.find(id);
    if (name == kLeds.end())
        return nullptr;
    // The caller's own bitmap; its palette is not wanted.
    return LoadResourceBitmap(art::kPlinthArtModule, name->second, nullptr);
}

const Bitmap* GetGraphicIcon(int id)
{
    return cached(GraphicCache::instance().icons, kIcons, id);
}

const Brush* GetGraphicBrush(int id)
{
    const auto color = kBrushColors.find(id);
    if (color == kBrushColors.end())
        return nullptr;
    std::unique_ptr<Brush>& slot = GraphicCache::instance().brushes[id];
    if (!slot)
        slot = std::make_unique<Brush>(Brush::solid(color->second));
    return slot.get();
}

const Pen* GetGraphicPen(int id)
{
    const auto color = kPenColors.find(id);
    if (color == kPenColors.end())
        return nullptr;
    std::unique_ptr<Pen>& slot = GraphicCache::instance().pens[id];
    if (!slot)
        slot = std::make_unique<Pen>(Pen::solid(color->second, 1));
    return slot.get();
}

const Font* GetGraphicFont(int id)
{
    if (id != kFontApplication && id != kFontTags && id != kFontMode && id != kFontProof)
        return nullptr;
    GraphicCache& cache = GraphicCache::instance();
    std::unique_ptr<Font>& slot = cache.fonts[id];
    if (!slot)
        slot = std::make_unique<Font>(fontDescription(id, cache.faces));
    return slot.get();
}

int DoRealizePalette(plat::ui::Window*, int)
{
    const Palette* palette = GetGraphicPalette();
    return palette ? palette->realize() : 0;
}

}  // namespace rack
