#include "rack/plinthui/tests/ControlTestFixture.h"

#include "rack/plinthui/ButtonCore.h"
#include "rack/plinthui/LookDescriptor.h"
#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/ResourceBitmap.h"

#include "platform/ui/draw/BitmapResources.h"
#include "platform/ui/draw/DrawContext.h"

namespace rack {
namespace {

using namespace plat::ui;
using test::Notes;

class PrettyButtonTest : public test::ControlTest {
protected:
    // Whether the window shows the face bitmap of the id at (x, y).
    static bool shows(Window* window, int faceId, int x = 0, int y = 0)
    {
        const Bitmap* face = ControlModule::instance().faces.get(faceId);
        const ButtonState& b = stateOf(window);
        const int w = std::min(b.faceSize.width(), window->clientRect().width() - x);
        const int h = std::min(b.faceSize.height(), window->clientRect().height() - y);
        return face && test::sameRegion(window->image(), x, y, face->image(), 0, 0, w, h);
    }
};

TEST(LookDescriptorTest, DescriptorsChooseFacesToolTipAndSize)
{
    struct Case {
        const char* descriptor;
        std::array<int, 4> faces;
        uint32_t toolTip;
        QSize size;
    };
    const Case cases[] = {
        {"+A", {200, 201, 202, 203}, 0, {43, 19}}, {"+C", {210, 211, 212, 0}, 20, {34, 24}},
        {"+J", {230, 231, 232, 0}, 25, {34, 24}},  {"+N", {250, 251, 252, 0}, 69, {76, 24}},
        {"+R", {129, 130, 0, 0}, 91, {34, 18}},    {"*C", {108, 109, 110, 111}, 3, {64, 32}},
        {"!B", {126, 127, 0, 128}, 48, {34, 21}},  {"!K", {122, 123, 122, 124}, 0, {71, 20}},
        {"-H", {321, 322, 323, 0}, 58, {38, 24}},  {"-L", {333, 334, 335, 0}, 62, {32, 24}},
        {"-O", {342, 343, 344, 0}, 80, {42, 24}},  {"-X", {376, 377, 378, 379}, 89, {32, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.descriptor);
        ButtonState button;
        LookDescriptor::apply(c.descriptor, button);
        EXPECT_EQ(button.faces, c.faces);
        EXPECT_EQ(button.toolTipId, c.toolTip);
        EXPECT_EQ(button.faceSize, c.size);
        EXPECT_EQ(button.descriptor, c.descriptor);
    }
    // Another family: no faces, 32x24. An unlisted letter of a known family: as it was.
    ButtonState button;
    LookDescriptor::apply("+C", button);
    LookDescriptor::apply("+Z", button);
    EXPECT_EQ(button.faces, (std::array<int, 4>{210, 211, 212, 0}));
    EXPECT_EQ(button.faceSize, QSize(34, 24));
    LookDescriptor::apply("#A", button);
    EXPECT_EQ(button.faces, (std::array<int, 4>{}));
    EXPECT_EQ(button.faceSize, QSize(32, 24));
    EXPECT_FALSE(button.autoRepeat);
}

TEST(LookDescriptorTest, EveryFaceIsPaintedAtItsSizeAndHasATip)
{
    for (const LookDescriptor::Face& face : LookDescriptor::allFaces()) {
        SCOPED_TRACE(face.id);
        const std::unique_ptr<Bitmap> bitmap =
            LoadResourceBitmap(kPlinthUiModule, BitmapResources::resourceName(uint32_t(face.id)), nullptr);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->size(), face.size);
    }
    EXPECT_EQ(LoadResourceBitmap(kPlinthUiModule, "#4", nullptr), nullptr);
    for (const uint32_t id : {1u, 20u, 28u, 31u, 47u, 48u, 50u, 62u, 67u, 76u, 77u, 89u, 90u, 91u, 92u})
        EXPECT_FALSE(plinthUiString(id).empty()) << id;
    EXPECT_EQ(plinthUiString(24), "Stops ongoing play or record");
}

TEST_F(PrettyButtonTest, CreationPaintsTheUpFaceAndAPlainClickPostsTwo)
{
    Window* play = button("+C", 48, QRect(10, 10, 34, 24));
    ASSERT_NE(play, nullptr);
    EXPECT_TRUE(play->isVisible());
    EXPECT_TRUE(shows(play, 210));
    EXPECT_EQ(play->text(), "+C");

    play->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    EXPECT_TRUE(shows(play, 211));
    EXPECT_EQ(Window::capture(), play);
    play->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_TRUE(shows(play, 210));
    EXPECT_EQ(Window::capture(), nullptr);
    EXPECT_EQ(notifications(), (Notes{{48, kNotifyClick}}));

    // Out and back in shows the up then the down face; a release outside reports nothing.
    play->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    play->send(kMouseMoveMessage, kLeftButtonFlag, at(50, 5));
    EXPECT_TRUE(shows(play, 210));
    play->send(kMouseMoveMessage, kLeftButtonFlag, at(6, 5));
    EXPECT_TRUE(shows(play, 211));
    play->send(kMouseMoveMessage, kLeftButtonFlag, at(-3, 5));
    play->send(kLeftButtonUpMessage, 0, at(-3, 5));
    EXPECT_EQ(notifications(), Notes{});
}

TEST_F(PrettyButtonTest, DisabledButtonsShowTheirFaceAndReportNothing)
{
    Window* eject = button("!A", 136, QRect(0, 0, 34, 24));
    eject->send(kCommandMessage, kControlEnable, 0);
    EXPECT_EQ(stateOf(eject).state, kStateDisabled);
    EXPECT_TRUE(shows(eject, 3));
    eject->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    eject->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_EQ(notifications(), Notes{});
    eject->send(kCommandMessage, kControlEnable, 1);
    EXPECT_TRUE(shows(eject, 1));

    // Disabled while held: the release says nothing either.
    eject->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    eject->enable(false);
    eject->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_EQ(stateOf(eject).state, kStateDisabled);
    EXPECT_EQ(notifications(), Notes{});
    eject->enable(true);
    EXPECT_EQ(stateOf(eject).state, kStateUp);
    EXPECT_TRUE(shows(eject, 1));
}

TEST_F(PrettyButtonTest, LatchingSwapsTheUpAndLatchedFacesOnlyWhereThereIsOne)
{
    Window* loop = button("!B", 133, QRect(0, 0, 34, 21));
    loop->send(kCommandMessage, kControlLatch, kLatchOn);
    loop->send(kCommandMessage, kControlLatch, kLatchOn);
    EXPECT_TRUE(stateOf(loop).latched);
    EXPECT_EQ(stateOf(loop).faces, (std::array<int, 4>{128, 127, 0, 126}));
    EXPECT_TRUE(shows(loop, 128));
    loop->send(kCommandMessage, kControlLatch, kLatchToggle);
    EXPECT_FALSE(stateOf(loop).latched);
    EXPECT_TRUE(shows(loop, 126));
    loop->send(kCommandMessage, kControlLatch, kLatchOff);
    EXPECT_EQ(stateOf(loop).faces, (std::array<int, 4>{126, 127, 0, 128}));

    Window* stop = button("+F", 50, QRect(40, 0, 34, 24));
    stop->send(kCommandMessage, kControlLatch, kLatchOn);
    EXPECT_FALSE(stateOf(stop).latched);
    EXPECT_EQ(stateOf(stop).faces, (std::array<int, 4>{222, 223, 224, 0}));
}

TEST_F(PrettyButtonTest, HoldingAnAutoRepeatButtonPostsPressRepeatsAndRelease)
{
    Window* scan = button("+J", 52, QRect(0, 0, 34, 24));
    scan->send(kCommandMessage, kControlRepeatOn, 0);
    ControlModule& module = ControlModule::instance();

    scan->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    EXPECT_EQ(module.echo.users(), 1);
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyPress}}));
    advance(74);
    EXPECT_EQ(notifications(), Notes{});
    advance(1);
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyRepeat}}));
    advance(150);
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyRepeat}, {52, kNotifyRepeat}}));
    // Outside, the repeats stop; back inside they go on.
    scan->send(kMouseMoveMessage, kLeftButtonFlag, at(80, 5));
    advance(150);
    EXPECT_EQ(notifications(), Notes{});
    scan->send(kMouseMoveMessage, kLeftButtonFlag, at(5, 5));
    advance(75);
    scan->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyRepeat}, {52, kNotifyRelease}}));
    EXPECT_EQ(module.echo.users(), 0);
    EXPECT_FALSE(module.echo.running());

    // A quick click: press, one repeat at the release, release.
    scan->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    advance(10);
    scan->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyPress}, {52, kNotifyRepeat}, {52, kNotifyRelease}}));
    // Released outside: no repeat, but the release.
    scan->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    scan->send(kMouseMoveMessage, kLeftButtonFlag, at(80, 5));
    scan->send(kLeftButtonUpMessage, 0, at(80, 5));
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyPress}, {52, kNotifyRelease}}));
    EXPECT_EQ(m_timers.activeTimers(), 0u);
}

TEST_F(PrettyButtonTest, TwentyButtonsBlinkAndTheTwentyFirstDoesNot)
{
    ControlModule& module = ControlModule::instance();
    std::vector<Window*> buttons;
    for (int i = 0; i < 21; ++i) {
        buttons.push_back(button("+E", uintptr_t(100 + i), QRect(i * 30, 0, 34, 24)));
        buttons.back()->send(kCommandMessage, kControlBlinkOn, 0);
    }
    buttons[0]->send(kCommandMessage, kControlBlinkOn, 0);  // not twice
    EXPECT_EQ(module.echo.users(), 20);
    EXPECT_TRUE(module.echo.isBlinking(buttons[19], -1));
    EXPECT_FALSE(module.echo.isBlinking(buttons[20], -1));

    // Every fifth tick flips the phase: the latched face, then the up face again.
    advance(4 * 75);
    EXPECT_TRUE(shows(buttons[0], 218));
    advance(75);
    EXPECT_TRUE(module.echo.latchedPhase());
    EXPECT_TRUE(shows(buttons[0], 221));
    EXPECT_TRUE(shows(buttons[20], 218));
    advance(5 * 75);
    EXPECT_TRUE(shows(buttons[0], 218));

    // Stopping repaints and frees the entry; a destroyed button leaves the table.
    advance(5 * 75);
    buttons[1]->send(kCommandMessage, kControlBlinkOff, 0);
    EXPECT_TRUE(shows(buttons[1], 218));
    buttons[2]->destroy();
    EXPECT_EQ(module.echo.users(), 18);
    buttons[20]->send(kCommandMessage, kControlBlinkOn, 0);
    EXPECT_TRUE(module.echo.isBlinking(buttons[20], -1));
    for (Window* b : buttons)
        if (Window::isWindow(b))
            b->send(kCommandMessage, kControlBlinkOff, 0);
    EXPECT_FALSE(module.echo.running());
}

TEST_F(PrettyButtonTest, AFlashRunsOnTheClockWithoutHoldingTheThread)
{
    Window* play = button("+C", 48, QRect(0, 0, 34, 24));
    const uint32_t before = UiTimers::tickCount();
    play->send(kCommandMessage, kControlFlash, 0);
    EXPECT_EQ(UiTimers::tickCount(), before);
    EXPECT_TRUE(shows(play, 210));
    advance(60);
    EXPECT_TRUE(shows(play, 211));
    advance(60);
    // Frame 0: a yellow outline with a magenta ring inside it.
    EXPECT_EQ(fromQColor(play->image().pixelColor(0, 0)), 0x00FFFFu);
    EXPECT_EQ(fromQColor(play->image().pixelColor(1, 5)), 0xFF00FFu);
    EXPECT_EQ(fromQColor(play->image().pixelColor(2, 5)), 0xFF00FFu);
    advance(11 * 5);
    // Frame 5: inset by five, four wide.
    EXPECT_EQ(fromQColor(play->image().pixelColor(5, 12)), 0x00FFFFu);
    EXPECT_EQ(fromQColor(play->image().pixelColor(8, 12)), 0x00FFFFu);
    EXPECT_NE(fromQColor(play->image().pixelColor(4, 12)), 0x00FFFFu);
    advance(11 * 10);
    EXPECT_FALSE(shows(play, 210));
    advance(11);
    EXPECT_TRUE(shows(play, 210));
    EXPECT_EQ(stateOf(play).flashStep, -1);
    EXPECT_EQ(m_timers.activeTimers(), 0u);
}

TEST_F(PrettyButtonTest, ToolTipsComeFromTheDescriptorOrTheOwner)
{
    Window* record = button("+B", 40, QRect(0, 0, 34, 24));
    ToolTip& tips = *ControlModule::instance().toolTip;
    EXPECT_EQ(tips.delay(), 200u);
    EXPECT_EQ(tips.textAt(record, QPoint(5, 5)), "Records a wave file");
    record->send(kCommandMessage, kControlToolTip, 92);
    EXPECT_EQ(tips.textAt(record, QPoint(5, 5)), "Edit wave file list");
    static const char kOwn[] = "Arms the recorder";
    record->send(kCommandMessage, kControlToolTip, reinterpret_cast<intptr_t>(kOwn));
    EXPECT_EQ(tips.textAt(record, QPoint(5, 5)), kOwn);
}

TEST_F(PrettyButtonTest, ANewLookRepaintsAndCaptionsAreDrawnInBlack)
{
    Window* key = button("!K", 7, QRect(0, 0, 71, 20), "Mono");
    EXPECT_EQ(stateOf(key).caption, "Mono");
    // Somewhere in the caption's place the face has turned black.
    int black = 0;
    for (int y = 2; y < 18; ++y)
        for (int x = 19; x < 60; ++x)
            black += fromQColor(key->image().pixelColor(x, y)) == 0 ? 1 : 0;
    EXPECT_GT(black, 5);

    static const char kPlay[] = "+C";
    key->send(kCommandMessage, kControlLook, reinterpret_cast<intptr_t>(kPlay));
    EXPECT_EQ(key->text(), "+C");
    EXPECT_EQ(stateOf(key).faces[kFaceUp], 210);
}

TEST_F(PrettyButtonTest, TheFaceCacheEmptiesAfterTwoHundredFiftySixLoads)
{
    ControlModule& module = ControlModule::instance();
    ctl_ResetBitmaps();
    EXPECT_EQ(module.faces.loadCount(), 0);
    Window* play = button("+C", 48, QRect(0, 0, 34, 24));
    EXPECT_EQ(module.faces.loadCount(), 1);
    EXPECT_TRUE(module.faces.holds(210));
    // Every other face once, then (the cache emptied by a terminate that keeps a use, the
    // loads still counted) again until 255 loads are counted.
    const std::vector<LookDescriptor::Face> faces = LookDescriptor::allFaces();
    for (const LookDescriptor::Face& face : faces)
        if (face.id != 210 && face.id != 211)
            module.faces.get(face.id);
    ctl_Initialize();
    ctl_Terminate();
    EXPECT_FALSE(module.faces.holds(210));
    for (const LookDescriptor::Face& face : faces)
        if (module.faces.loadCount() < FaceCache::kFlushCount - 1 && face.id != 211)
            module.faces.get(face.id);
    ASSERT_EQ(module.faces.loadCount(), FaceCache::kFlushCount - 1);
    // The press loads the down face, the 256th load: once painted, everything goes.
    play->send(kLeftButtonDownMessage, kLeftButtonFlag, at(5, 5));
    EXPECT_EQ(module.faces.loadCount(), 0);
    EXPECT_FALSE(module.faces.holds(211));
    play->send(kLeftButtonUpMessage, 0, at(5, 5));
    EXPECT_EQ(module.faces.loadCount(), 1);
    EXPECT_TRUE(shows(play, 210));
}

TEST_F(PrettyButtonTest, TheLibraryCountsItsUsers)
{
    // The fixture holds one use; a second changes nothing, and the classes stay for it.
    EXPECT_EQ(ctl_Initialize(), 0);
    EXPECT_EQ(ControlModule::instance().useCount, 2);
    EXPECT_EQ(ctl_Terminate(), 0);
    EXPECT_NE(WindowClass::find(kPrettyButtonClass), nullptr);
    EXPECT_NE(ControlModule::instance().toolTip, nullptr);
}

}  // namespace
}  // namespace rack

namespace rack {
namespace {

TEST(FaceGalleryTest, ScreenshotOfEveryFace)
{
    const std::vector<LookDescriptor::Face> faces = LookDescriptor::allFaces();
    plat::ui::Bitmap gallery(8 * 82 + 4, int((faces.size() + 7) / 8) * 38 + 4);
    {
        plat::ui::DrawContext dc(gallery);
        dc.fillRect(QRect(QPoint(0, 0), gallery.size()), plat::ui::Brush::solid(0x302C2A));
        for (size_t i = 0; i < faces.size(); ++i) {
            const std::unique_ptr<plat::ui::Bitmap> face = LoadResourceBitmap(
                kPlinthUiModule, plat::ui::BitmapResources::resourceName(uint32_t(faces[i].id)), nullptr);
            ASSERT_NE(face, nullptr);
            dc.blit(4 + int(i % 8) * 82, 4 + int(i / 8) * 38, face->width(), face->height(), *face, 0, 0);
        }
    }
    test::saveScreenshot(gallery.image(), "plinthui-faces");
}

}  // namespace
}  // namespace rack
