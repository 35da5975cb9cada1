#include "platform/ui/tests/UiTestEnvironment.h"

#include "platform/ui/draw/BitmapResources.h"

#include <gtest/gtest.h>

namespace plat::ui {
namespace {

TEST(BitmapResourcesTest, ResourcesArePaintedOnEachLoadByModuleAndName)
{
    int painted = 0;
    const BitmapResources::Entry entries[] = {
        {"TILE", 8, [&] {
             ++painted;
             QImage image(8, 8, QImage::Format_RGB32);
             image.fill(Qt::red);
             return image;
         }},
        {BitmapResources::resourceName(200), 0, [] { return QImage(34, 24, QImage::Format_RGB32); }},
        {"EMPTY", 0, [] { return QImage(); }},
    };
    {
        const BitmapResources::Registration registration("TestModule", entries);
        EXPECT_TRUE(BitmapResources::contains("testmodule", "tile"));
        const auto tile = BitmapResources::load("TESTMODULE", "Tile");
        ASSERT_TRUE(tile.has_value());
        EXPECT_EQ(tile->colorTableBits, 8);
        EXPECT_EQ(tile->image.size(), QSize(8, 8));
        BitmapResources::load("TestModule", "TILE");
        EXPECT_EQ(painted, 2);
        EXPECT_EQ(BitmapResources::load("TestModule", "#200")->image.size(), QSize(34, 24));
        EXPECT_FALSE(BitmapResources::load("TestModule", "EMPTY"));
        EXPECT_FALSE(BitmapResources::load("TestModule", "#201"));
        EXPECT_FALSE(BitmapResources::load("OtherModule", "TILE"));
    }
    EXPECT_FALSE(BitmapResources::contains("TestModule", "TILE"));
}

}  // namespace
}  // namespace plat::ui
