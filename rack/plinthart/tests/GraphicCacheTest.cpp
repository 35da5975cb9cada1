#include "rack/plinthart/tests/RackTestEnvironment.h"

#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/PlinthProfile.h"
#include "rack/plinthart/ResourceBitmap.h"
#include "rack/plinthart/art/PartArtwork.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/tests/support/LayoutCheck.h"

#include "platform/core/Paths.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace rack {
namespace {

class GraphicCacheTest : public testing::Test {
protected:
    void TearDown() override { grp_Terminate(); }
};

TEST_F(GraphicCacheTest, InitializeLoadsTheBandsAndTheirPaletteBecomesTheSharedOne)
{
    grp_Terminate();
    EXPECT_EQ(GetGraphicPalette(), nullptr);
    EXPECT_EQ(DoRealizePalette(nullptr, 1), 0);
    grp_Initialize();
    const plat::ui::Palette* palette = GetGraphicPalette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->entryCount(), 256u);
    // The CD background was loaded first: the palette holds its colours.
    std::unique_ptr<plat::ui::Palette> cdPalette;
    ASSERT_NE(LoadResourceBitmap(art::kPlinthArtModule, "CD_BACKGROUND", &cdPalette), nullptr);
    ASSERT_NE(cdPalette, nullptr);
    EXPECT_EQ(palette->entries(), cdPalette->entries());
    // Later loads keep the shared palette; a true-colour display changes no entry.
    GetGraphicPart(kPartTile);
    EXPECT_EQ(GetGraphicPalette(), palette);
    EXPECT_EQ(DoRealizePalette(nullptr, 1), 0);
    EXPECT_EQ(DoRealizePalette(nullptr, 0), 0);
    grp_Terminate();
    EXPECT_EQ(GetGraphicPalette(), nullptr);
}

TEST_F(GraphicCacheTest, PartsAndDigitsHaveTheirSizesAndStayCached)
{
    struct Case {
        int id;
        QSize size;
    };
    const Case parts[] = {
        {kPartMixerBackground, {633, 105}}, {kPartTopPanel, {635, 36}},    {kPartCdBackground, {633, 66}},
        {kPartMidiBackground, {633, 66}},   {kPartWaveBackground, {633, 66}}, {kPartMidiMeter, {67, 31}},
        {kPartSingleMidiMeter, {2, 31}},    {kPartWaveMeter, {25, 31}},    {kPartSmoothTop, {32, 32}},
        {kPartSmoothBottom, {32, 32}},      {kPartTile, {8, 8}},           {kPartMixerBackground2, {633, 105}},
    };
    for (const Case& c : parts) {
        SCOPED_TRACE(c.id);
        const plat::ui::Bitmap* part = GetGraphicPart(c.id);
        ASSERT_NE(part, nullptr);
        EXPECT_EQ(part->size(), c.size);
        if (c.id != kPartWaveMeter) {
            EXPECT_EQ(GetGraphicPart(c.id), part);
        }
    }
    for (const int id : {kPartBalanceSlider, kPartGreenLed, kPartRedLed, kPartYellowLed, kPartSliderBackground,
                         kPartMixerSlider, kPartVertTics, kPartVertSlider, kPartVertGutter})
        EXPECT_NE(GetGraphicPart(id), nullptr) << id;
    for (const int id : {kPartOemLogo, 0, 100, 116, 529, 609})
        EXPECT_EQ(GetGraphicPart(id), nullptr) << id;

    const Case digits[] = {
        {kDigitsGreen, {102, 19}}, {kDigitsCyan, {102, 19}}, {kDigitsOff, {102, 19}}, {kDigits5x9, {52, 9}},
        {kDigits5x9Off, {52, 9}},  {kDigits7x13, {72, 13}},  {kDigits7x13Off, {72, 13}},
    };
    for (const Case& c : digits) {
        const plat::ui::Bitmap* strip = GetGraphicDigit(c.id);
        ASSERT_NE(strip, nullptr) << c.id;
        EXPECT_EQ(strip->size(), c.size) << c.id;
        EXPECT_EQ(GetGraphicDigit(c.id), strip);
    }
    EXPECT_NE(GetGraphicDigit(kDigitsTinyTics), nullptr);
    EXPECT_EQ(GetGraphicDigit(769), nullptr);
}

TEST_F(GraphicCacheTest, TheWaveMeterIsFreshOnEveryRequest)
{
    plat::ui::Bitmap* first = GetGraphicPart(kPartWaveMeter);
    ASSERT_NE(first, nullptr);
    const QImage pristine = first->image().copy();
    {
        plat::ui::DrawContext dc(*first);
        dc.fillRect(QRect(0, 0, 25, 31), plat::ui::Brush::stock(plat::ui::StockBrush::black));
    }
    plat::ui::Bitmap* second = GetGraphicPart(kPartWaveMeter);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->image(), pristine);
}

TEST_F(GraphicCacheTest, LightsBelongToTheCallerAndIconsBrushesPensAreCached)
{
    std::unique_ptr<plat::ui::Bitmap> on = GetGraphicLed(kLedRecordOn);
    std::unique_ptr<plat::ui::Bitmap> again = GetGraphicLed(kLedRecordOn);
    ASSERT_NE(on, nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_NE(on.get(), again.get());
    EXPECT_EQ(on->image(), again->image());
    EXPECT_NE(on->image(), GetGraphicLed(kLedRecordOff)->image());
    EXPECT_EQ(GetGraphicLed(289), nullptr);
    EXPECT_EQ(GetGraphicPalette(), nullptr);  // a light's palette is never kept

    for (const int id : {kIconWave, kIconMidi, kIconCd}) {
        const plat::ui::Bitmap* icon = GetGraphicIcon(id);
        ASSERT_NE(icon, nullptr);
        EXPECT_EQ(icon->size(), QSize(32, 32));
        EXPECT_TRUE(icon->image().hasAlphaChannel());
        EXPECT_EQ(GetGraphicIcon(id), icon);
    }
    EXPECT_EQ(GetGraphicIcon(1281), nullptr);

    const std::pair<int, plat::ui::ColorRef> brushes[] = {
        {kBrushRed, 0x0000FF}, {kBrushNavy, 0x800000}, {kBrushCyan, 0xFFFF00}, {kBrushPurple, 0x800080}};
    for (const auto& [id, color] : brushes) {
        ASSERT_NE(GetGraphicBrush(id), nullptr);
        EXPECT_EQ(GetGraphicBrush(id)->color(), color);
        EXPECT_EQ(GetGraphicBrush(id), GetGraphicBrush(id));
    }
    EXPECT_EQ(GetGraphicBrush(812), nullptr);
    ASSERT_NE(GetGraphicPen(kPenGray), nullptr);
    EXPECT_EQ(GetGraphicPen(kPenGray)->color(), 0x808080u);
    EXPECT_EQ(GetGraphicPen(kPenGray)->width(), 1);
    EXPECT_EQ(GetGraphicPen(838), nullptr);
}

TEST_F(GraphicCacheTest, FontsTakeTheirFacesFromTheProfileAndKeepTheirSizes)
{
    ASSERT_TRUE(PlinthProfile::setString("Fonts", "Tags", "DejaVu Sans"));
    grp_Initialize();
    const plat::ui::Font* tags = GetGraphicFont(kFontTags);
    const plat::ui::Font* application = GetGraphicFont(kFontApplication);
    ASSERT_NE(tags, nullptr);
    ASSERT_NE(application, nullptr);
    EXPECT_EQ(GetGraphicFont(kFontTags), tags);
    EXPECT_EQ(tags->description().faceName, "DejaVu Sans");
    EXPECT_EQ(QFontInfo(tags->qfont()).family(), "DejaVu Sans");
    EXPECT_EQ(application->description().faceName, "Arial");
    EXPECT_EQ(application->description().weight, 220);
    EXPECT_EQ(GetGraphicFont(kFontMode)->description().height, 15);
    EXPECT_EQ(GetGraphicFont(kFontProof)->description().faceName, "");
    EXPECT_EQ(GetGraphicFont(kFontProof)->description().pitchAndFamily, 0x22);
    EXPECT_NEAR(QFontMetrics(application->qfont()).height(), 13, 1);
    EXPECT_EQ(GetGraphicFont(1030), nullptr);
    ASSERT_TRUE(PlinthProfile::setString("Fonts", "Tags", "Arial"));
}

TEST_F(GraphicCacheTest, BrushesMadeForTheCaller)
{
    EXPECT_EQ(PlinthCreateSolidBrush(0x123456)->color(), 0x123456u);
    EXPECT_EQ(CreateBrush(kBrushStyleSolid, 0x00FF00, 0)->color(), 0x00FF00u);
    EXPECT_TRUE(CreateBrush(kBrushStyleNull, 0, 0)->isNull());
    EXPECT_EQ(CreateBrush(kBrushStyleHatched, 0xFF, 4)->qbrush().style(), Qt::CrossPattern);
    EXPECT_EQ(CreateBrush(kBrushStyleHatched, 0xFF, 6), nullptr);
    EXPECT_EQ(CreateBrush(7, 0xFF, 0), nullptr);
}

TEST(PlinthProfileTest, OneFileFoundWithoutRegardToCaseAndReadsCutToTheirBuffer)
{
    ASSERT_TRUE(PlinthProfile::setString("Stereo", "WindowLocation", "12 34"));
    EXPECT_EQ(PlinthProfile::getString("stereo", "windowlocation", "X", 32), "12 34");
    EXPECT_EQ(PlinthProfile::getString("Stereo", "WindowLocation", "X", 4), "12 ");
    EXPECT_EQ(PlinthProfile::getString("Stereo", "Missing", "Off", 10), "Off");
    EXPECT_EQ(PlinthProfile::getString("Stereo", "Missing", "Off", 0), "");
    ASSERT_TRUE(PlinthProfile::setString("Fonts", "Mode", "Ab\xC3\xA9z"));
    EXPECT_EQ(PlinthProfile::getString("Fonts", "Mode", "", 4), "Ab");  // never half a character
    EXPECT_EQ(plat::paths::name(PlinthProfile::path()), "PLINTHRC.INI");

    // A file written as plinthrc.ini by hand is the same file.
    const std::string path = PlinthProfile::path();
    std::filesystem::rename(path, plat::paths::join(plat::paths::folder(path), "plinthrc.ini"));
    EXPECT_EQ(PlinthProfile::getString("Stereo", "WindowLocation", "X", 32), "12 34");
    EXPECT_TRUE(PlinthProfile::setString("Stereo", "OnTop", "Yes"));
    EXPECT_EQ(plat::paths::name(PlinthProfile::path()), "plinthrc.ini");
}

}  // namespace
}  // namespace rack

namespace rack {
namespace {

// Every picture at its size, drawn (not one flat colour), and shown whole where the gallery put it.
TEST(GraphicGalleryTest, ScreenshotOfEveryPicture)
{
    grp_Initialize();
    plat::ui::Bitmap gallery(660, 560);
    struct Placed {
        std::string what;
        QImage picture;
        QPoint at;
    };
    std::vector<Placed> placed;
    {
        plat::ui::DrawContext dc(gallery);
        dc.fillRect(QRect(0, 0, 660, 560), plat::ui::Brush::solid(0x505050));
        // Draws picture at x, y; its size (none when it is missing).
        auto put = [&](const std::string& what, const plat::ui::Bitmap* picture, int x, int y) {
            if (!picture) {
                ADD_FAILURE() << what << " is missing";
                return QSize();
            }
            dc.blit(x, y, picture->width(), picture->height(), *picture, 0, 0);
            placed.push_back({what, picture->image(), QPoint(x, y)});
            return picture->image().size();
        };
        int y = 4;
        for (const int id : {kPartTopPanel, kPartMixerBackground, kPartWaveBackground, kPartMidiBackground,
                             kPartCdBackground}) {
            y += put("part " + std::to_string(id), GetGraphicPart(id), 4, y).height() + 4;
        }
        int x = 4;
        for (const int id : {kPartMidiMeter, kPartSingleMidiMeter, kPartWaveMeter, kPartBalanceSlider, kPartGreenLed,
                             kPartRedLed, kPartYellowLed, kPartMixerSlider, kPartVertTics, kPartVertSlider,
                             kPartVertGutter, kPartSliderBackground, kPartSmoothTop, kPartSmoothBottom, kPartTile}) {
            x += put("part " + std::to_string(id), GetGraphicPart(id), x, y).width() + 6;
        }
        y += 84;
        x = 4;
        for (const int id : {kDigitsGreen, kDigitsCyan, kDigitsOff, kDigits5x9, kDigits5x9Off, kDigits7x13,
                             kDigits7x13Off, kDigitsTinyTics}) {
            x += put("digits " + std::to_string(id), GetGraphicDigit(id), x, y).width() + 6;
            if (x > 500) {
                x = 4;
                y += 24;
            }
        }
        y += 24;
        x = 4;
        for (int id = kLedRecordOn; id <= kLedHzOff; id += 2) {
            if (std::unique_ptr<plat::ui::Bitmap> led = GetGraphicLed(id)) {
                x += put("light " + std::to_string(id), led.get(), x, y).width() + 4;
            }
        }
        for (const int id : {kIconWave, kIconMidi, kIconCd}) {
            const plat::ui::Bitmap* icon = GetGraphicIcon(id);
            dc.painter().drawImage(QPoint(x, y), icon->image());
            placed.push_back({"icon " + std::to_string(id), icon->image(), QPoint(x, y)});
            x += 36;
        }
    }
    test::saveScreenshot(gallery.image(), "plinthart-gallery");
    const QImage shown = gallery.image().convertToFormat(QImage::Format_RGB32);
    for (const Placed& picture : placed) {
        SCOPED_TRACE(picture.what);
        ASSERT_FALSE(picture.picture.isNull());
        EXPECT_GT(picture.picture.width() * picture.picture.height(), 0);
        const QImage opaque = picture.picture.convertToFormat(QImage::Format_RGB32);
        EXPECT_GT(plat::ui::test::LayoutCheck::inkIn(opaque, opaque.rect(), opaque.pixel(0, 0)), 0) << "one flat colour";
        EXPECT_TRUE(picture.picture.rect().translated(picture.at).intersects(shown.rect()));
        if (!picture.picture.hasAlphaChannel()) {
            EXPECT_TRUE(QRect(QPoint(0, 0), shown.size()).contains(picture.picture.rect().translated(picture.at)));
            EXPECT_TRUE(test::sameRegion(shown, picture.at.x(), picture.at.y(), opaque, 0, 0, opaque.width(),
                                         opaque.height()));
        }
    }
    grp_Terminate();
}

}  // namespace
}  // namespace rack
