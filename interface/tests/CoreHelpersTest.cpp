#include "interface/tests/WidgetTestSupport.h"

#include "interface/core/MCDrawing.h"
#include "interface/core/MCFont.h"
#include "interface/core/MCGdiObj.h"
#include "interface/core/MCLine.h"
#include "interface/core/MCPaths.h"
#include "interface/core/MCProgress.h"
#include "interface/core/MCResourceModule.h"
#include "notabase/performance/ECPerformance.h"
#include "notabase/states/MCStateMgr.h"
#include "notabase/states/SCStatus.h"
#include "platform/core/Paths.h"
#include "platform/core/Resources.h"
#include "platform/ui/draw/DrawContext.h"

#include <QAction>
#include <QMenu>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(MCPathsTest, PathPiecesSplitOnEitherSeparator)
{
    struct Case {
        const char* path;
        const char* folder;
        const char* name;
        const char* title;
        const char* extension;
    };
    const Case cases[] = {
        {"", "", "", "", ""},
        {"song.kvd", "song.kvd", "song.kvd", "song", "kvd"},
        {"/home/me/song.kvd", "/home/me", "song.kvd", "song", "kvd"},
        {"C:\\Music\\song.kvd", "C:\\Music", "song.kvd", "song", "kvd"},
        {"a/b.tar.gz", "a", "b.tar.gz", "b.tar", "gz"},
        {"README", "README", "README", "README", "README"},
        // A dot in a folder's name: the extension reaches over the separator, as callers that
        // compare extensions expect; the title looks at the file name only.
        {"dir.v1/file", "dir.v1", "file", "file", "v1/file"},
        {"dir/", "dir", "", "", "dir/"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(MCGetFilePath(c.path), c.folder);
        EXPECT_EQ(MCGetFileName(c.path), c.name);
        EXPECT_EQ(MCGetTitle(c.path), c.title);
        EXPECT_EQ(MCGetExtension(c.path), c.extension);
    }
    const std::string folder = plat::paths::programFolder();
    EXPECT_EQ(MCGetAppPath(), folder);
    EXPECT_NE(MCGetAppPath().back(), '/');
    EXPECT_EQ(MCGetAppPath("Music.tip"), folder + "/Music.tip");
    // A long name is not cut at any fixed length.
    const std::string longName(400, 'x');
    EXPECT_EQ(MCGetAppPath(longName), folder + "/" + longName);
}

TEST(MCResourceModuleTest, ModulesSwitchByNameAndBackAndAFailureChangesNothing)
{
    const std::string before = plat::Resources::currentModule();
    EXPECT_FALSE(SetResourceModule("NoSuchResources"));
    EXPECT_FALSE(SetResourceModule("Missing\\Folder\\Module"));
    EXPECT_EQ(plat::Resources::currentModule(), before);

    const std::optional<std::string> previous = SetResourceModule("platui");
    ASSERT_TRUE(previous);
    EXPECT_EQ(*previous, before);
    EXPECT_EQ(plat::Resources::currentModule(), "platui");
    ResetResourceModule();
    EXPECT_EQ(plat::Resources::currentModule(), before);
}

TEST(MCResourceModuleTest, MenuIndexMatchesTheWholeTextExactly)
{
    QMenu menu;
    menu.addAction("&Open...");
    menu.addSeparator();
    QAction* cut = menu.addAction("Cu&t");
    cut->setShortcut(QKeySequence("Ctrl+X"));
    menu.addMenu("&Tools");
    EXPECT_EQ(MCGetMenuIndex(&menu, "&Open..."), 0);
    EXPECT_EQ(MCGetMenuIndex(&menu, "&Tools"), 3);
    EXPECT_EQ(MCGetMenuIndex(&menu, "Cu&t\tCtrl+X"), 2);
    EXPECT_EQ(MCGetMenuIndex(&menu, "Cu&t"), -1);
    EXPECT_EQ(MCGetMenuIndex(&menu, "&tools"), -1);
    EXPECT_EQ(MCGetMenuIndex(&menu, "Open"), -1);
    EXPECT_EQ(MCGetMenuIndex(nullptr, "&Tools"), -1);

    const plat::Resources::Entry table[] = {{33001, "&Tools"}};
    const plat::Resources::Registration strings(plat::Resources::programModule(), table);
    EXPECT_EQ(MCGetMenuIndex(&menu, 33001u), 3);
}

TEST(MCResourceModuleTest, EveryElementTypeHasItsIconAndTheRestTheDefault)
{
    const std::pair<int, uint32_t> table[] = {
        {0, 11820},  {1, 11821},  {3, 11822},  {4, 11822},  {14, 11824}, {17, 11825}, {18, 11826},
        {21, 11827}, {29, 11828}, {16, 11829}, {32, 11829}, {33, 11830}, {37, 11831}, {44, 11832},
        {45, 11833}, {49, 11834}, {51, 11835}, {55, 11836}, {56, 11837}, {57, 11838}, {59, 11839},
        {2, 11823},  {-1, 11823}, {74, 11823}, {1000, 11823},
    };
    for (const auto& [type, icon] : table) {
        SCOPED_TRACE(type);
        EXPECT_EQ(MCGetEventIconId(type), icon);
        const QIcon image = MCGetEventIcon(type);
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.availableSizes().size(), 2);
    }
}

QImage ramp()
{
    QImage image(24, 20, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 10, y * 12, (x * y) % 256));
    return image;
}

TEST(MCDrawingTest, FocusFrameDrawnTwiceGivesTheOriginalBackAndAnEmptyOneDrawsNothing)
{
    for (const int ratio : {1, 2}) {
        SCOPED_TRACE(ratio);
        QImage image = ramp().scaled(24 * ratio, 20 * ratio);
        image.setDevicePixelRatio(ratio);
        const QImage original = image;
        {
            QPainter painter(&image);
            plat::ui::DrawContext dc(painter);
            MCDrawFocusRect(dc, QRect(12, 15, -8, -10));  // normalised to (4, 5) 8 x 10
        }
        EXPECT_NE(image, original);
        // The inside is untouched.
        EXPECT_EQ(image.pixel(8 * ratio, 9 * ratio), original.pixel(8 * ratio, 9 * ratio));
        {
            QPainter painter(&image);
            plat::ui::DrawContext dc(painter);
            MCDrawFocusRect(dc, QRect(4, 5, 8, 10));
            MCDrawFocusRect(dc, QRect(4, 5, 0, 6));
        }
        EXPECT_EQ(image, original);
    }
}

TEST(MCDrawingTest, RaisedAndLoweredFramesUseTheButtonColours)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::Light, QColor(250, 240, 230));
    palette.setColor(QPalette::Dark, QColor(20, 30, 40));
    QApplication::setPalette(palette);
    QImage image(20, 20, QImage::Format_RGB32);
    image.fill(Qt::gray);
    {
        plat::ui::DrawContext dc(image);
        MCDrawRaisedRect(dc, QRect(0, 0, 10, 10));
        MCDrawLoweredRect(dc, QRect(10, 10, 10, 10));
    }
    EXPECT_EQ(image.pixel(0, 5), qRgb(250, 240, 230));   // raised: left light
    EXPECT_EQ(image.pixel(5, 0), qRgb(250, 240, 230));   // top light
    EXPECT_EQ(image.pixel(9, 5), qRgb(20, 30, 40));      // right dark
    EXPECT_EQ(image.pixel(5, 9), qRgb(20, 30, 40));      // bottom dark
    EXPECT_EQ(image.pixel(10, 15), qRgb(20, 30, 40));    // lowered: left dark
    EXPECT_EQ(image.pixel(19, 15), qRgb(250, 240, 230)); // right light
    EXPECT_EQ(image.pixel(15, 15), QColor(Qt::gray).rgb());
    QApplication::setPalette(QPalette());
}

TEST(MCDrawingTest, CombineRectGivesTheBoundingBoxOfTheRegionResult)
{
    const QRect a(0, 0, 10, 10), b(5, 5, 10, 10), apart(20, 20, 5, 5);
    struct Case {
        QRect second;
        int mode;
        int result;
        QRect box;
    };
    const Case cases[] = {
        {b, RGN_AND, 1, QRect(5, 5, 5, 5)},    {b, RGN_OR, 1, QRect(0, 0, 15, 15)},
        {b, RGN_XOR, 1, QRect(0, 0, 15, 15)},  {b, RGN_DIFF, 1, QRect(0, 0, 10, 10)},
        {b, RGN_COPY, 1, a},                   {apart, RGN_AND, 0, QRect()},
        {a, RGN_XOR, 0, QRect()},              {a, RGN_DIFF, 0, QRect()},
        {b, 9, 0, QRect()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        QRect out(1, 2, 3, 4);
        EXPECT_EQ(CombineRect(a, c.second, out, c.mode), c.result);
        EXPECT_EQ(out, c.box);
    }
}

std::optional<QImage> blankFactory(QWidget*, const MCDrawItem& item)
{
    return QImage(item.rect.size(), QImage::Format_RGB32);
}

TEST(MCDrawingTest, TheDrawItemHookIsSetAndRead)
{
    EXPECT_EQ(GetDrawItemFunc(), nullptr);
    SetDrawItemFunc(blankFactory);
    EXPECT_EQ(GetDrawItemFunc(), &blankFactory);
    SetDrawItemFunc(nullptr);
}

TEST(MCProgressTest, TheFourStatesReachTheMainWindowInOrderBeforeEachCallReturns)
{
    // A performance makes the state manager's window of the main thread.
    auto* performance = new ECPerformance;
    performance->Ref();
    std::vector<std::string> seen;
    const MCStateMgr::MainWindowHandler previous = MCStateMgr::SetMainWindowHandler([&](SCBase* state) {
        auto* status = dynamic_cast<SCStatus*>(state);
        ASSERT_NE(status, nullptr);
        int low = 0, high = 0;
        status->GetProgressRange(low, high);
        seen.push_back(std::to_string(status->GetCode()) + " " + status->GetMessage() + " " + std::to_string(low) +
                       ".." + std::to_string(high) + " " + std::to_string(status->GetProgressStep()));
    });
    MCProgressBegin("Autosaving Modified Documents...", 0, 3);
    EXPECT_EQ(seen.size(), 1u);
    MCProgressSet(2);
    MCProgressStep();
    MCProgressEnd();
    MCStateMgr::SetMainWindowHandler(previous);
    performance->Unref(1);
    EXPECT_EQ(seen, (std::vector<std::string>{"1801 Autosaving Modified Documents... 0..3 1", "1802  0..100 2",
                                              "1803  0..100 1", "1804  0..100 1"}));
    EXPECT_EQ(SCStatus::GetLiveCount(), 0);
}

TEST(MCLineTest, ValuesCompareMeasureAndKnowWhenTheyHaveNoLength)
{
    const MCLine line(30, 5, 10, 25);
    EXPECT_EQ(line.Width(), 20);
    EXPECT_EQ(line.Height(), 20);
    EXPECT_EQ(MCLine(QPoint(2, 3), QSize(4, -5)), MCLine(2, 3, 6, -2));
    EXPECT_NE(line, MCLine());
    MCLine copy = line;
    copy.Bottom().rx() = 31;
    EXPECT_NE(copy, line);
    copy.Reset();
    EXPECT_EQ(copy, MCLine());
    EXPECT_EQ(MCLine().IsEmpty(), 1);
    EXPECT_EQ(MCLine(4, 4, 4, 4).IsEmpty(), 1);
    EXPECT_EQ(line.IsEmpty(), 0);
}

TEST(MCGdiObjTest, PensAndBrushesAreMadeOnceAndSelectionsPutThePreviousBack)
{
    MCGdiObj& cache = MCGdiObj::GetGdiObj();
    const plat::ui::Pen& pen = cache.GetPen(0, 2, 0x0000FF);
    const size_t pens = cache.PenCount();
    EXPECT_EQ(&cache.GetPen(0, 2, 0x0000FF), &pen);
    EXPECT_NE(&cache.GetPen(1, 2, 0x0000FF), &pen);
    EXPECT_NE(&cache.GetPen(0, 1, 0x0000FF), &pen);
    EXPECT_EQ(cache.PenCount(), pens + 2);
    EXPECT_EQ(cache.GetPen(1, 2, 0x0000FF).qpen().style(), Qt::DashLine);
    EXPECT_EQ(&cache.GetSolidBrush(0x00FF00), &cache.GetSolidBrush(0x00FF00));

    QImage image(4, 4, QImage::Format_RGB32);
    plat::ui::DrawContext dc(image);
    const QPen before = dc.painter().pen();
    cache.SelectPen(dc, 0, 2, 0x0000FF);
    EXPECT_EQ(dc.painter().pen().color(), QColor(255, 0, 0));
    cache.DeselectPen(dc);
    EXPECT_EQ(dc.painter().pen(), before);

    // Optimised, a second selection keeps the first and a deselection keeps it selected;
    // switching off puts the original back.
    cache.SetOptimize(dc, 1);
    cache.SelectSolidBrush(dc, 0x00FF00);
    cache.SelectSolidBrush(dc, 0x0000FF);
    cache.DeselectBrush(dc);
    EXPECT_EQ(dc.painter().brush().color(), QColor(0, 255, 0));
    cache.SetOptimize(dc, 0);
    EXPECT_EQ(dc.painter().brush().style(), Qt::NoBrush);
}

TEST(MCFontTest, PointSizesAndAColourThatAppliesToOneSelection)
{
    MCFont font;
    // Both ways round: 10 points are 13.33 pixels at 96 dpi, 13 pixels 9.75 points.
    for (const int points : {6, 8, 9, 10, 11, 12, 14, 24}) {
        font.SetFontPointSize(points, 96);
        EXPECT_EQ(font.GetFontPointSize(96), points);
    }
    EXPECT_EQ(font.GetFontPointSize(0), 0);
    font.SetFontPointSize(8, 120);  // 13.33 pixels
    plat::ui::LogicalFont description;
    font.SaveLogFont(description);
    EXPECT_EQ(description.height, 13);
    EXPECT_EQ(description.faceName, "Arial");

    QImage image(8, 8, QImage::Format_RGB32);
    plat::ui::DrawContext dc(image);
    dc.setTextColor(0x111111);
    font.SetFontColor(0x0000FF);
    EXPECT_EQ(font.SelectFont(dc), nullptr);
    EXPECT_EQ(dc.textColor(), 0x0000FFu);
    EXPECT_TRUE(font.IsSelected());
    EXPECT_EQ(font.DeselectFont(dc), &font.GetFont(dc));
    EXPECT_EQ(dc.textColor(), 0x111111u);
    EXPECT_EQ(dc.font(), nullptr);
    font.SelectFont(dc);
    EXPECT_EQ(dc.textColor(), 0x111111u);

    // A change while selected: the context gets its own font back and stays valid.
    const plat::ui::Font* selected = dc.font();
    font.SetFontHeight(-20);
    const plat::ui::Font& remade = font.GetFont(dc);
    EXPECT_NE(&remade, selected);
    EXPECT_EQ(dc.font(), nullptr);
    EXPECT_EQ(remade.description().height, -20);
    font.DeselectFont(dc);
    EXPECT_FALSE(font.IsSelected());
}

}  // namespace
