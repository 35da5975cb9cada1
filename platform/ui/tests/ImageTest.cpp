#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/core/Paths.h"
#include "platform/core/Resources.h"
#include "platform/ui/image/ImageStrip.h"
#include "platform/ui/image/KeyColorMap.h"
#include "platform/ui/resource/ImageResources.h"
#include "platform/ui/resource/MenuResources.h"
#include "platform/ui/resource/ResourceLibrary.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

constexpr ColorRef kFaceKey = rgb(0, 0, 255), kHighlightKey = rgb(0, 255, 0), kShadowKey = rgb(255, 0, 0),
                   kClearKey = rgb(255, 0, 255);

// Two frames of 4 x 2 logical pixels: face, highlight, shadow and clear keys, then black.
QImage keyedStrip(int scale)
{
    QImage image(8 * scale, 2 * scale, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.scale(scale, scale);
    const ColorRef keys[] = {kFaceKey, kHighlightKey, kShadowKey, kClearKey};
    for (int x = 0; x < 4; ++x) {
        painter.fillRect(QRect(x, 0, 1, 2), toQColor(keys[x]));
        painter.fillRect(QRect(4 + x, 0, 1, 2), Qt::black);
    }
    painter.end();
    image.setDevicePixelRatio(scale);
    return image;
}

TEST(KeyColorMapTest, KeysBecomeTheButtonColoursAndTheClearKeyAlpha)
{
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(10, 20, 30));
    palette.setColor(QPalette::Light, QColor(200, 210, 220));
    palette.setColor(QPalette::Dark, QColor(60, 70, 80));
    KeyColorMap map = KeyColorMap::buttonColors(palette, kFaceKey, kHighlightKey, kShadowKey);
    map.setTransparent(kClearKey);
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const QImage result = map.apply(keyedStrip(scale));
        EXPECT_EQ(result.devicePixelRatio(), scale);
        EXPECT_EQ(result.pixel(0, 0), QColor(10, 20, 30).rgb());
        EXPECT_EQ(result.pixel(1 * scale, scale), QColor(200, 210, 220).rgb());
        EXPECT_EQ(result.pixel(3 * scale - 1, 0), QColor(60, 70, 80).rgb());
        EXPECT_EQ(qAlpha(result.pixel(3 * scale, 0)), 0);
        EXPECT_EQ(result.pixel(4 * scale, 0), qRgb(0, 0, 0));

        const ImageStrip strip(result, 2);
        EXPECT_EQ(strip.frameSize(), QSize(4, 2));
        EXPECT_EQ(strip.frame(1).pixel(0, 0), qRgb(0, 0, 0));
        EXPECT_EQ(strip.frame(1).devicePixelRatio(), scale);
        EXPECT_TRUE(strip.frame(2).isNull());
    }

    // A key unset is left as drawn; a colour table changes in its table.
    const KeyColorMap faceOnly = KeyColorMap::buttonColors(palette, kFaceKey, std::nullopt, std::nullopt);
    QImage indexed(2, 1, QImage::Format_Indexed8);
    indexed.setColorTable({toQColor(kFaceKey).rgb(), toQColor(kShadowKey).rgb()});
    indexed.setPixel(0, 0, 0);
    indexed.setPixel(1, 0, 1);
    const QImage mapped = faceOnly.apply(indexed);
    EXPECT_EQ(mapped.format(), QImage::Format_Indexed8);
    EXPECT_EQ(mapped.color(0), QColor(10, 20, 30).rgb());
    EXPECT_EQ(mapped.color(1), toQColor(kShadowKey).rgb());
}

TEST(ImageStripTest, StateIconsUseTheFramesForTheirModes)
{
    QImage image(6, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QPainter(&image).fillRect(QRect(2, 0, 2, 2), Qt::green);
    QPainter(&image).fillRect(QRect(4, 0, 2, 2), Qt::blue);
    const QIcon icon = ImageStrip(image, 3).stateIcon(0, 1, 2);
    EXPECT_EQ(icon.pixmap(QSize(2, 2), QIcon::Normal, QIcon::Off).toImage().pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(icon.pixmap(QSize(2, 2), QIcon::Normal, QIcon::On).toImage().pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(icon.pixmap(QSize(2, 2), QIcon::Disabled, QIcon::Off).toImage().pixel(0, 0), qRgb(0, 0, 255));
}

TEST(ResourceModulesTest, ImagesAndMenusFollowTheCurrentModuleAndFallBackToTheProgram)
{
    const auto painted = [](QColor colour) {
        return [colour](int scale) {
            QImage image(3 * scale, 3 * scale, QImage::Format_RGB32);
            image.fill(colour);
            return image;
        };
    };
    const ImageResources::Entry program[] = {{"KNOB", painted(Qt::red)}, {ImageResources::imageName(200), painted(Qt::gray)}};
    const ImageResources::Entry library[] = {{"knob", painted(Qt::blue)}};
    const ImageResources::Registration programImages(Resources::programModule(), program);
    const ImageResources::Registration libraryImages("Knobset", library);
    const MenuResources::Menu programMenus[] = {{11610, {{1, "&Number", {}}, {0, "", {}}, {0, "&Format", {{2, "&Sharps", {}}}}}}};
    const MenuResources::Registration menus(Resources::programModule(), programMenus);

    const auto knob = ImageResources::find("Knob", 2);
    ASSERT_TRUE(knob);
    EXPECT_EQ(knob->size(), QSize(6, 6));
    EXPECT_EQ(knob->devicePixelRatio(), 2);
    EXPECT_EQ(knob->pixel(0, 0), qRgb(255, 0, 0));
    {
        const Resources::ModuleSwitch toLibrary("Knobset");
        EXPECT_EQ(ImageResources::find("KNOB")->pixel(0, 0), qRgb(0, 0, 255));
        // What the library lacks comes from the program.
        EXPECT_TRUE(ImageResources::find(200));
        const auto menu = MenuResources::find(11610);
        ASSERT_TRUE(menu);
        EXPECT_TRUE(menu->entries[1].isSeparator());
        EXPECT_TRUE(menu->entries[2].isPopup());
        EXPECT_EQ(menu->entries[2].entries[0].id, 2u);
    }
    EXPECT_EQ(ImageResources::find("KNOB")->pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_FALSE(ImageResources::find("MISSING"));
    EXPECT_FALSE(ImageResources::find("KNOB", 0));
    EXPECT_FALSE(MenuResources::find(11611));
}

TEST(ResourceLibraryTest, NamesBecomeFilesAndModules)
{
    EXPECT_EQ(ResourceLibrary::moduleOf("/opt/quavix/libKnobset.so"), "Knobset");
    EXPECT_EQ(ResourceLibrary::moduleOf("PlugIns\\Backdrape.so"), "Backdrape");
    // A bare name not beside the program is left to the system's search.
    EXPECT_EQ(ResourceLibrary::fileFor("NoSuchModule"), "libNoSuchModule.so");
    // A path below the program's folder gets the library suffix when it has no dot.
    const std::string folder = paths::programFolder();
    EXPECT_EQ(ResourceLibrary::fileFor("PlugIns\\Backdrape"), folder + "/PlugIns/Backdrape.so");
    EXPECT_EQ(ResourceLibrary::fileFor("PlugIns/Backdrape.bin"), folder + "/PlugIns/Backdrape.bin");

    ResourceLibrary missing;
    const std::string before = Resources::currentModule();
    EXPECT_FALSE(missing.load("NoSuchModule"));
    EXPECT_FALSE(missing.error().empty());
    EXPECT_EQ(Resources::currentModule(), before);

    // Our own library holds no resources, but loads and switches the module and back.
    ResourceLibrary platui;
    ASSERT_TRUE(platui.load("platui")) << platui.error();
    EXPECT_EQ(Resources::currentModule(), "platui");
    EXPECT_EQ(platui.previousModule(), before);
    platui.release();
    EXPECT_EQ(Resources::currentModule(), before);
}

}  // namespace
}  // namespace plat::ui
