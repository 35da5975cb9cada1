#include "interface/tests/WidgetTestSupport.h"

#include "interface/core/InterfaceImages.h"
#include "interface/core/MCBitmap.h"
#include "interface/core/MCImageMgr.h"
#include "interface/core/MCPalette.h"
#include "platform/core/Resources.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/image/ImageStrip.h"
#include "platform/ui/image/KeyColorMap.h"
#include "platform/ui/resource/ImageResources.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

using plat::ui::ColorRef;

TEST(MCBitmapTest, ScanWidthFitsEveryDepth)
{
    struct Case {
        int width;
        int bits;
        int scan;
        int colours;
    };
    const Case cases[] = {
        {33, 1, 8, 2},   {32, 1, 4, 2},   {1, 1, 4, 2},    {9, 4, 8, 16},  {8, 4, 4, 16},  {5, 8, 8, 256},
        {4, 8, 4, 256},  {3, 16, 8, 0},   {2, 16, 4, 0},   {5, 24, 16, 0}, {4, 24, 12, 0}, {3, 32, 12, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.bits));
        EXPECT_EQ(MCBitmap::CalcScanWidth(c.width, c.bits), c.scan);
        EXPECT_EQ(MCBitmap::CalcDataSize(c.width, 3, c.bits), size_t(c.scan) * 3);
        EXPECT_EQ(MCBitmap::ColorCountOf(c.bits), c.colours);
        MCBitmap bitmap;
        ASSERT_EQ(bitmap.Create(QSize(c.width, 3), c.bits), 1);
        EXPECT_EQ(bitmap.GetNumColors(), c.colours);
        EXPECT_EQ(bitmap.GetDataSize(), size_t(c.scan) * 3);
        // The last pixel of the last row is inside the block.
        EXPECT_NE(bitmap.GetPixelAddress(c.width - 1, 0), nullptr);
        EXPECT_EQ(bitmap.GetPixelAddress(c.width, 0), nullptr);
    }
    MCBitmap bad;
    EXPECT_EQ(bad.Create(QSize(0, 4), 8), 0);
    EXPECT_EQ(bad.Create(QSize(4, 4), 7), 0);
    EXPECT_EQ(bad.Create(QSize(100000, 100000), 32), 0);
    EXPECT_TRUE(bad.IsEmpty());
}

TEST(MCBitmapTest, ABlankBitmapHasAGreyRampAndZeroPixels)
{
    MCBitmap bitmap;
    ASSERT_EQ(bitmap.Create(), 1);
    EXPECT_EQ(bitmap.GetDimensions(), QSize(10, 10));
    EXPECT_EQ(bitmap.GetColorDepth(), 8);
    const std::vector<QRgb> table = bitmap.GetColorTable();
    ASSERT_EQ(table.size(), 256u);
    EXPECT_EQ(table[0], qRgb(0, 0, 0));
    EXPECT_EQ(table[100], qRgb(100, 100, 100));
    EXPECT_EQ(table[255], qRgb(255, 255, 255));
    MCBitmap two;
    two.Create(QSize(3, 3), 1);
    EXPECT_EQ(two.GetColorTable(), (std::vector<QRgb>{qRgb(0, 0, 0), qRgb(128, 128, 128)}));
    EXPECT_EQ(*bitmap.GetPixelAddress(9, 9), 0);

    // Pixels written before the first drawing are in the section drawing uses.
    *bitmap.GetPixelAddress(2, 3) = 200;
    QImage target(10, 10, QImage::Format_RGB32);
    plat::ui::DrawContext dc(target);
    ASSERT_NE(bitmap.CreateSection(&dc), nullptr);
    EXPECT_EQ(bitmap.Draw(&dc, QRect(0, 0, 10, 10), QRect(0, 0, 10, 10)), 1);
    dc.painter().end();
    EXPECT_EQ(target.pixel(2, 3), qRgb(200, 200, 200));
    EXPECT_EQ(target.pixel(3, 2), qRgb(0, 0, 0));
    EXPECT_EQ(MCBitmap().Draw(&dc, QRect(0, 0, 1, 1), QRect(0, 0, 1, 1)), 0);
}

class ImageFixture : public testing::Test {
protected:
    static constexpr ColorRef kFace = InterfaceImages::kFaceKey, kShadow = InterfaceImages::kShadowKey;

    // An 8-bit image: face key on the left half, shadow key on the right, one black pixel.
    static QImage keyed(int scale)
    {
        return InterfaceImages::Paint(4, 2, scale, true, [](QPainter& painter) {
            painter.fillRect(QRect(0, 0, 2, 2), plat::ui::toQColor(kFace));
            painter.fillRect(QRect(2, 0, 2, 2), plat::ui::toQColor(kShadow));
            painter.fillRect(QRect(3, 1, 1, 1), Qt::black);
        });
    }

    void SetUp() override
    {
        QPalette palette = QApplication::palette();
        palette.setColor(QPalette::Button, QColor(10, 20, 30));
        palette.setColor(QPalette::Dark, QColor(70, 80, 90));
        QApplication::setPalette(palette);
    }
    void TearDown() override
    {
        MCImageMgr::GetImageMgr().RemoveImages();
        QApplication::setPalette(QPalette());
    }

    const plat::ui::ImageResources::Entry entries[4] = {
        {"KEYED0", [](int scale) { return keyed(scale); }},
        {"TRUE24", [](int scale) { return QImage(3 * scale, 3 * scale, QImage::Format_RGB32); }},
        {plat::ui::ImageResources::imageName(11999), [](int scale) { return keyed(scale); }},
        {"OTHER", [](int scale) { return keyed(scale); }},
    };
    const plat::ui::ImageResources::Registration registration{"BitmapTest", entries};
    const plat::Resources::ModuleSwitch module{"BitmapTest"};
};

TEST_F(ImageFixture, ResourcesLoadWithTheirDepth)
{
    MCBitmap keyedBitmap, trueColour;
    ASSERT_EQ(keyedBitmap.Create("KEYED0"), 1);
    EXPECT_EQ(keyedBitmap.GetColorDepth(), 8);
    EXPECT_EQ(keyedBitmap.GetNumColors(), 256);
    ASSERT_EQ(trueColour.Create("TRUE24"), 1);
    EXPECT_EQ(trueColour.GetColorDepth(), 24);
    EXPECT_EQ(trueColour.GetNumColors(), 0);
    EXPECT_EQ(MCBitmap().Create("MISSING"), 0);

    MCBitmap twice;
    ASSERT_EQ(twice.Create(11999u, 2), 1);
    EXPECT_EQ(twice.GetDimensions(), QSize(8, 4));
    EXPECT_EQ(twice.GetLogicalSize(), QSize(4, 2));
    EXPECT_EQ(twice.ToImage().devicePixelRatio(), 2);

    // A copy is deep.
    MCBitmap copy = keyedBitmap;
    *copy.GetPixelAddress(0, 0) = 9;
    EXPECT_NE(*keyedBitmap.GetPixelAddress(0, 0), 9);
}

TEST_F(ImageFixture, ReplacingAnIndexChangesTheTableAndMappingKeepsTheColours)
{
    MCBitmap bitmap;
    ASSERT_EQ(bitmap.AttachResource("KEYED0", 1), 1);
    ASSERT_NE(bitmap.GetPalette(), nullptr);
    const std::vector<uint8_t> before(bitmap.GetData(), bitmap.GetData() + bitmap.GetDataSize());
    EXPECT_EQ(bitmap.ReplaceColorIndex(kFace, 0x00FFFF), 1);
    EXPECT_EQ(std::vector<uint8_t>(bitmap.GetData(), bitmap.GetData() + bitmap.GetDataSize()), before);
    // The palette has no yellow: the face takes the palette's nearest, here the shadow key.
    EXPECT_EQ(bitmap.ToImage().pixel(0, 0), plat::ui::toQColor(kShadow).rgb());

    // Mapped to another palette, every pixel shows the colour it showed.
    MCBitmap source;
    source.Create("KEYED0");
    const QImage shown = source.ToImage();
    MCPalette reversed;
    std::vector<QRgb> entries(256, qRgb(1, 2, 3));
    entries[255] = plat::ui::toQColor(kFace).rgb();
    entries[254] = plat::ui::toQColor(kShadow).rgb();
    entries[253] = qRgb(0, 0, 0);
    reversed.SetEntries(entries);
    source.SetAutoDelete(0);
    source.SetPalette(&reversed);
    EXPECT_EQ(source.MapColorsToPalette(), 1);
    EXPECT_EQ(*source.GetPixelAddress(0, 0), 255);
    EXPECT_EQ(source.ToImage(), shown);
    EXPECT_EQ(reversed.Normalize(nullptr), 0);
    EXPECT_EQ(MCPalette().Create(&source), 1);
    MCBitmap trueColour;
    trueColour.Create("TRUE24");
    EXPECT_EQ(MCPalette().Create(&trueColour), 0);
    EXPECT_EQ(trueColour.MapColorsToPalette(), 0);
}

TEST_F(ImageFixture, TheImageManagerCachesByIdAndNameAndRecolours)
{
    MCImageMgr& manager = MCImageMgr::GetImageMgr();
    EXPECT_EQ(MCImageMgr::HashName(""), 0x6000u);
    EXPECT_EQ(MCImageMgr::HashName("AB"), 65u * 33 + 66 + 0x6000);
    EXPECT_EQ(MCImageMgr::HashName("\xE9"), uint32_t(-23) + 0x6000);

    MCBitmap* image = manager.AddImage("KEYED0", kFace, MCImageMgr::kNoColor, kShadow);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(manager.AddImage("KEYED0", 0, 0, 0), image);
    EXPECT_EQ(manager.GetImage("KEYED0"), image);
    EXPECT_TRUE(image->HasSection());
    const QImage shown = image->ToImage();
    EXPECT_EQ(shown.pixel(0, 0), qRgb(10, 20, 30));
    EXPECT_EQ(shown.pixel(2, 0), qRgb(70, 80, 90));
    EXPECT_EQ(shown.pixel(3, 1), qRgb(0, 0, 0));

    MCBitmap* byId = manager.AddImage(11999u, kFace, MCImageMgr::kNoColor, MCImageMgr::kNoColor);
    ASSERT_NE(byId, nullptr);
    EXPECT_NE(byId, image);
    EXPECT_EQ(manager.GetImage(11999u), byId);
    // The shadow key was left alone.
    EXPECT_EQ(byId->ToImage().pixel(2, 0), plat::ui::toQColor(kShadow).rgb());
    // At ratio 2 the image is its own, with twice the pixels.
    MCBitmap* doubled = manager.AddImage(11999u, kFace, MCImageMgr::kNoColor, MCImageMgr::kNoColor, 2);
    ASSERT_NE(doubled, nullptr);
    EXPECT_NE(doubled, byId);
    EXPECT_EQ(doubled->GetDimensions(), QSize(8, 4));
    EXPECT_EQ(manager.AddImage("MISSING", 0, 0, 0), nullptr);
}

TEST_F(ImageFixture, NamesWithTheSameHashKeepTheirOwnImages)
{
    // "Ac" and "BB" hash alike: 65 x 33 + 99 = 66 x 33 + 66.
    ASSERT_EQ(MCImageMgr::HashName("Ac"), MCImageMgr::HashName("BB"));
    const plat::ui::ImageResources::Entry colliding[] = {
        {"Ac", [](int) { return QImage(1, 1, QImage::Format_RGB32); }},
        {"BB", [](int) { return QImage(2, 2, QImage::Format_RGB32); }},
    };
    const plat::ui::ImageResources::Registration registration2("Colliding", colliding);
    const plat::Resources::ModuleSwitch module2("Colliding");
    MCImageMgr& manager = MCImageMgr::GetImageMgr();
    MCBitmap* a = manager.AddImage("Ac", MCImageMgr::kNoColor, MCImageMgr::kNoColor, MCImageMgr::kNoColor);
    MCBitmap* b = manager.AddImage("BB", MCImageMgr::kNoColor, MCImageMgr::kNoColor, MCImageMgr::kNoColor);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(b->GetDimensions(), QSize(2, 2));
}

TEST_F(ImageFixture, TheBufferOnlyGrowsAndFollowsTheRatio)
{
    MCImageMgr& manager = MCImageMgr::GetImageMgr();
    QImage screen(4, 4, QImage::Format_RGB32);
    plat::ui::DrawContext dc(screen);
    QImage* first = manager.GetImageBuffer(QSize(40, 10), &dc);
    ASSERT_NE(first, nullptr);
    EXPECT_GE(first->width(), 40);
    QImage* same = manager.GetImageBuffer(QSize(20, 10), &dc);
    EXPECT_EQ(same, first);
    QImage* grown = manager.GetImageBuffer(QSize(30, 50), &dc);
    EXPECT_GE(grown->width(), 40);
    EXPECT_GE(grown->height(), 50);
    QImage doubled(4, 4, QImage::Format_RGB32);
    doubled.setDevicePixelRatio(2);
    plat::ui::DrawContext dc2(doubled);
    QImage* sharp = manager.GetImageBuffer(QSize(10, 10), &dc2);
    EXPECT_EQ(sharp->devicePixelRatio(), 2);
    EXPECT_GE(sharp->width(), 80);
}

// A strip of three button faces in the key colours, recoloured and shown at ratios 1 and 2.
TEST(RecolouredStripTest, ButtonStripAtRatiosOneAndTwo)
{
    const auto strip = [](int scale) {
        return InterfaceImages::Paint(72, 24, scale, false, [](QPainter& painter) {
            for (int state = 0; state < 3; ++state) {
                const QRect face(state * 24, 0, 24, 24);
                const bool down = state == 1;
                painter.fillRect(face, plat::ui::toQColor(InterfaceImages::kFaceKey));
                painter.fillRect(QRect(face.left(), 0, 24, 2),
                                 plat::ui::toQColor(down ? InterfaceImages::kShadowKey : InterfaceImages::kHighlightKey));
                painter.fillRect(QRect(face.left(), 0, 2, 24),
                                 plat::ui::toQColor(down ? InterfaceImages::kShadowKey : InterfaceImages::kHighlightKey));
                painter.fillRect(QRect(face.left(), 22, 24, 2),
                                 plat::ui::toQColor(down ? InterfaceImages::kHighlightKey : InterfaceImages::kShadowKey));
                painter.fillRect(QRect(face.right() - 1, 0, 2, 24),
                                 plat::ui::toQColor(down ? InterfaceImages::kHighlightKey : InterfaceImages::kShadowKey));
                // A play triangle, grey when disabled.
                QPolygon triangle;
                const int shift = down ? 1 : 0;
                triangle << QPoint(face.left() + 8 + shift, 6 + shift) << QPoint(face.left() + 17 + shift, 12 + shift)
                         << QPoint(face.left() + 8 + shift, 18 + shift);
                painter.setPen(Qt::NoPen);
                painter.setBrush(state == 2 ? QColor(128, 128, 128) : QColor(0, 0, 0));
                painter.drawPolygon(triangle);
            }
        });
    };
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(214, 210, 202));
    palette.setColor(QPalette::Light, QColor(255, 255, 255));
    palette.setColor(QPalette::Dark, QColor(120, 116, 108));
    const plat::ui::KeyColorMap map = plat::ui::KeyColorMap::buttonColors(
        palette, InterfaceImages::kFaceKey, InterfaceImages::kHighlightKey, InterfaceImages::kShadowKey);
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    for (const int scale : {1, 2}) {
        QImage image = map.apply(strip(scale));
        image.setDevicePixelRatio(scale);
        const plat::ui::ImageStrip frames(image, 3);
        EXPECT_EQ(frames.frameSize(), QSize(24, 24));
        EXPECT_EQ(frames.frame(0).pixel(12 * scale, 2 * scale), qRgb(214, 210, 202));
        EXPECT_EQ(frames.frame(0).pixel(0, 0), qRgb(255, 255, 255));
        EXPECT_EQ(frames.frame(1).pixel(0, 0), qRgb(120, 116, 108));
        QImage shown = image;
        shown.setDevicePixelRatio(1);
        auto* label = new QLabel(&window);
        label->setPixmap(QPixmap::fromImage(shown));
        layout->addWidget(label);
        widgettest::saveScreenshot(*label, "button-strip-ratio-" + std::to_string(scale));
    }
    window.show();
    EXPECT_FALSE(widgettest::saveScreenshot(window, "button-strip").empty());
}

}  // namespace
