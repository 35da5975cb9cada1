#include "rack/plinthui/tests/ControlTestFixture.h"

#include "rack/plinthui/ButtonCore.h"

#include "platform/ui/tests/support/LayoutCheck.h"

#include <QPainter>
#include <QWidget>

namespace rack {
namespace {

using namespace plat::ui;
using test::Notes;

// The deck's slot ids: previous, scan back, stop, pause, play, scan forward, next.
constexpr unsigned kSlotIds[] = {53, 51, 50, 49, 48, 52, 54};

class CompositeButtonTest : public test::ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        m_strip = strip(48, QRect(71, 34, 280, 24));
        ASSERT_NE(m_strip, nullptr);
        for (unsigned slot = 0; slot < 7; ++slot)
            m_strip->send(kCommandMessage, kControlSlotId, makeLParam(int(slot), int(kSlotIds[slot])));
        for (const unsigned id : {51u, 52u, 53u, 54u})
            m_strip->send(kCommandMessage, kControlRepeatOn, makeLParam(0, int(id)));
    }

    CompositeButtonState& state() { return *m_strip->property<CompositeButtonState>(kStripProperty); }

    void click(int x, int y = 10)
    {
        m_strip->send(kLeftButtonDownMessage, kLeftButtonFlag, at(x, y));
        m_strip->send(kLeftButtonUpMessage, 0, at(x, y));
    }

    // A strip command for the slot of a command id.
    void slotCommand(uintptr_t code, unsigned id, int value) { m_strip->send(kCommandMessage, code, makeLParam(value, int(id))); }

    bool shows(int slot, int faceId)
    {
        const Bitmap* face = ControlModule::instance().faces.get(faceId);
        return face && test::sameRegion(m_strip->image(), 41 * slot, 0, face->image(), 0, 0, 34, 24);
    }

    Window* m_strip = nullptr;
};

TEST_F(CompositeButtonTest, SevenSlotsWithTheirLooksAndThePressesGoToTheSlotUnderThePointer)
{
    ASSERT_EQ(state().buttons.size(), 7u);
    const int upFaces[] = {234, 226, 222, 218, 210, 230, 238};
    for (int slot = 0; slot < 7; ++slot) {
        EXPECT_EQ(state().buttons[size_t(slot)].rect, QRect(41 * slot, 0, 34, 24));
        EXPECT_EQ(state().buttons[size_t(slot)].commandId, kSlotIds[slot]);
        EXPECT_TRUE(shows(slot, upFaces[slot])) << slot;
    }
    click(41 * 4 + 3);  // play: a plain slot
    click(41 * 2 + 33);  // stop, at its last column
    EXPECT_EQ(notifications(), (Notes{{48, kNotifyClick}, {50, kNotifyClick}}));
    click(5);  // previous: an auto-repeat slot
    EXPECT_EQ(notifications(), (Notes{{53, kNotifyPress}, {53, kNotifyRepeat}, {53, kNotifyRelease}}));
}

TEST_F(CompositeButtonTest, AClickInAGapBetweenSlotsPressesNothing)
{
    // Between stop and pause, and between previous and scan back: no slot, no report (the
    // first slot is "previous", which would skip a track).
    for (const int x : {41 * 2 + 34, 41 * 3 - 1, 34, 40}) {
        m_strip->send(kLeftButtonDownMessage, kLeftButtonFlag, at(x, 10));
        EXPECT_FALSE(state().held) << x;
        EXPECT_EQ(Window::capture(), nullptr);
        m_strip->send(kLeftButtonUpMessage, 0, at(x, 10));
    }
    advance(300);
    EXPECT_EQ(notifications(), Notes{});
}

TEST_F(CompositeButtonTest, HoldingARepeatingSlotRepeatsOnTheEchoTimer)
{
    m_strip->send(kLeftButtonDownMessage, kLeftButtonFlag, at(41 * 5 + 10, 10));  // scan forward
    advance(3 * 75);
    m_strip->send(kMouseMoveMessage, kLeftButtonFlag, at(41 * 4 + 10, 10));  // over play: outside its slot
    EXPECT_TRUE(shows(5, 230));
    advance(75);
    m_strip->send(kMouseMoveMessage, kLeftButtonFlag, at(41 * 5 + 10, 10));
    EXPECT_TRUE(shows(5, 231));
    advance(75);
    m_strip->send(kLeftButtonUpMessage, 0, at(41 * 5 + 10, 10));
    EXPECT_EQ(notifications(), (Notes{{52, kNotifyPress},
                                      {52, kNotifyRepeat},
                                      {52, kNotifyRepeat},
                                      {52, kNotifyRepeat},
                                      {52, kNotifyRepeat},
                                      {52, kNotifyRelease}}));
    EXPECT_EQ(ControlModule::instance().echo.users(), 0);
}

TEST_F(CompositeButtonTest, CommandsNameTheirSlotByCommandId)
{
    slotCommand(kControlEnable, 49, 0);
    slotCommand(kControlEnable, 50, 0);
    EXPECT_TRUE(shows(3, 220));
    EXPECT_TRUE(shows(2, 224));
    click(41 * 3 + 5);
    EXPECT_EQ(notifications(), Notes{});

    slotCommand(kControlEnable, 49, 1);
    slotCommand(kControlLatch, 49, int(kLatchOn));
    EXPECT_TRUE(shows(3, 221));
    slotCommand(kControlBlinkOn, 49, 0);
    EXPECT_TRUE(ControlModule::instance().echo.isBlinking(m_strip, 3));
    slotCommand(kControlBlinkOff, 49, 0);
    EXPECT_FALSE(ControlModule::instance().echo.isBlinking(m_strip, 3));

    // An id that no slot has changes nothing (it does not fall back to the first slot).
    slotCommand(kControlEnable, 99, 0);
    EXPECT_EQ(state().buttons[0].state, kStateUp);
    slotCommand(kControlToolTip, 48, 21);
    EXPECT_EQ(ControlModule::instance().toolTip->textAt(m_strip, QPoint(41 * 4 + 5, 5)),
              "Plays the current selection in a repeating loop");
    EXPECT_EQ(ControlModule::instance().toolTip->textAt(m_strip, QPoint(41 * 2 + 5, 5)), "Stops ongoing play or record");
    EXPECT_EQ(ControlModule::instance().toolTip->textAt(m_strip, QPoint(37, 5)), "");
}

TEST_F(CompositeButtonTest, ANewLookGoesToTheSlotChosenBeforeAndOnlyOnce)
{
    static const char kLoopPlay[] = "+D";
    // Without a chosen slot nothing changes.
    m_strip->send(kCommandMessage, kControlLook, reinterpret_cast<intptr_t>(kLoopPlay));
    EXPECT_EQ(state().buttons[4].faces[kFaceUp], 210);
    m_strip->send(kCommandMessage, kControlSlotTarget, makeLParam(int(kSlotTargetValue), 48));
    EXPECT_EQ(ControlModule::instance().pendingSlotId, 48);
    m_strip->send(kCommandMessage, kControlLook, reinterpret_cast<intptr_t>(kLoopPlay));
    EXPECT_EQ(state().buttons[4].faces[kFaceUp], 214);
    EXPECT_TRUE(shows(4, 214));
    EXPECT_EQ(ControlModule::instance().pendingSlotId, -1);
    static const char kPlay[] = "+C";
    m_strip->send(kCommandMessage, kControlLook, reinterpret_cast<intptr_t>(kPlay));
    EXPECT_EQ(state().buttons[4].faces[kFaceUp], 214);
    // Another value than 4096 chooses nothing.
    m_strip->send(kCommandMessage, kControlSlotTarget, makeLParam(1, 48));
    EXPECT_EQ(ControlModule::instance().pendingSlotId, -1);
}

TEST_F(CompositeButtonTest, ScreenshotOfADeckWithItsTransportStripAndKeys)
{
    // A wave deck as the player lays it out: its background, the strip, record and setup,
    // the play list and loop keys; playing with the pause key lit.
    Window* deck = Window::create(m_ownerClass.name(), "deck", style::kChild | style::kVisible, QRect(0, 0, 633, 66),
                                  m_owner);
    m_strip->destroy();
    Window* transport = Window::create(kCompositeButtonClass, "%a", style::kChild, QRect(71, 34, 280, 24), deck, 48);
    for (unsigned slot = 0; slot < 7; ++slot)
        transport->send(kCommandMessage, kControlSlotId, makeLParam(int(slot), int(kSlotIds[slot])));
    transport->send(kCommandMessage, kControlEnable, makeLParam(0, 48));
    transport->send(kCommandMessage, kControlLatch, makeLParam(int(kLatchOn), 49));
    Window* record = Window::create(kPrettyButtonClass, "+B", style::kChild, QRect(365, 34, 34, 24), deck, 40);
    Window::create(kPrettyButtonClass, "+R", style::kChild, QRect(365, 11, 34, 18), deck, 179);
    Window* list = Window::create(kPrettyButtonClass, "+A", style::kChild, QRect(9, 38, 43, 19), deck, 8);
    Window* loop = Window::create(kPrettyButtonClass, "!B", style::kChild, QRect(591, 37, 34, 21), deck, 133);
    record->send(kCommandMessage, kControlEnable, 0);
    list->send(kCommandMessage, kControlLatch, kLatchOn);
    loop->send(kCommandMessage, kControlLatch, kLatchOn);
    {
        DrawContext dc = deck->drawContext();
        dc.blit(0, 0, 633, 66, *GetGraphicPart(kPartWaveBackground), 0, 0);
    }
    m_owner->widget()->resize(633, 66);
    const QImage shot = deck->widget()->grab().toImage();
    test::saveScreenshot(shot, "plinthui-wave-deck-strip");
    EXPECT_EQ(shot.deviceIndependentSize().toSize(), QSize(633, 66));

    // The toolbar keys, shown and hidden bands.
    Window* toolbar = Window::create(m_ownerClass.name(), "toolbar", style::kChild | style::kVisible,
                                     QRect(0, 70, 635, 36), m_owner);
    {
        DrawContext dc = toolbar->drawContext();
        dc.blit(0, 0, 635, 36, *GetGraphicPart(kPartTopPanel), 0, 0);
    }
    const char* looks[] = {"*A", "*B", "*C", "*D"};
    for (int i = 0; i < 4; ++i) {
        Window* key = Window::create(kPrettyButtonClass, looks[i], style::kChild, QRect(171 + 70 * i, 7, 61, 22),
                                     toolbar, uintptr_t(113 + i));
        key->send(kCommandMessage, kControlLatch, i % 2 == 0 ? kLatchOn : kLatchOff);
    }
    test::saveScreenshot(toolbar->widget()->grab().toImage(), "plinthui-toolbar");
    // The owner holds the deck and the toolbar below it.
    m_owner->widget()->resize(635, 106);
    EXPECT_TRUE(plat::ui::test::LayoutCheck::fits(*m_owner->widget()));
}

}  // namespace
}  // namespace rack
