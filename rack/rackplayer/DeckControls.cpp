#include "rack/rackplayer/DeckControls.h"

#include "rack/outside/plinthbase/MessageBoxes.h"
#include "rack/outside/plinthbase/TextFit.h"
#include "rack/outside/plinthstore/ObjectStore.h"
#include "rack/plinthart/DigitDisplay.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthui/ControlIds.h"
#include "rack/rackplayer/RackFrame.h"
#include "rack/rackplayer/RackState.h"

#include "platform/core/Strings.h"
#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QString>

#include <algorithm>

namespace rack {

namespace {

using plat::ui::Window;

constexpr int kStrCaption = 512;
constexpr int kStrNoneDropped = 568;
constexpr int kStrSomeDropped = 570;
constexpr QRect kStripRect(71, 34, 280, 24);
constexpr uint32_t kSlots[] = {kSlotPrevious, kSlotScanBack, kSlotStop, kSlotPause, kSlotPlay, kSlotScanForward,
                               kSlotNext};

void slotCommand(Window* deck, uintptr_t code, uint32_t slot, unsigned value)
{
    if (Window* strip = DeckControls::child(deck, kStripId))
        strip->send(plat::ui::kCommandMessage, code, plat::ui::makeLParam(int(value), int(slot)));
}

}  // namespace

Window* DeckControls::createStrip(Window* deck)
{
    using namespace plat::ui::style;
    Window* strip = Window::create(kCompositeButtonClass, "%a", kChild | kVisible, kStripRect, deck, kStripId);
    if (!strip)
        return nullptr;
    for (unsigned slot = 0; slot < std::size(kSlots); ++slot)
        strip->send(plat::ui::kCommandMessage, kControlSlotId, plat::ui::makeLParam(int(slot), int(kSlots[slot])));
    for (const uint32_t slot : {kSlotScanBack, kSlotScanForward, kSlotPrevious, kSlotNext})
        strip->send(plat::ui::kCommandMessage, kControlRepeatOn, plat::ui::makeLParam(1, int(slot)));
    return strip;
}

Window* DeckControls::createButton(Window* deck, const char* look, uint32_t id, const QRect& rect, int toolTip)
{
    using namespace plat::ui::style;
    Window* button = Window::create(kPrettyButtonClass, look, kChild | kVisible, rect, deck, id);
    if (button && toolTip != 0)
        button->send(plat::ui::kCommandMessage, kControlToolTip, toolTip);
    return button;
}

Window* DeckControls::child(Window* deck, uint32_t id)
{
    if (!Window::isWindow(deck))
        return nullptr;
    for (Window* control : deck->children())
        if (control->id() == id)
            return control;
    return nullptr;
}

void DeckControls::enableSlot(Window* deck, uint32_t slot, bool enabled)
{
    slotCommand(deck, kControlEnable, slot, enabled ? 1 : 0);
}

void DeckControls::latchSlot(Window* deck, uint32_t slot, uintptr_t value)
{
    slotCommand(deck, kControlLatch, slot, unsigned(value));
}

void DeckControls::blinkSlot(Window* deck, uint32_t slot, bool blinking)
{
    slotCommand(deck, blinking ? kControlBlinkOn : kControlBlinkOff, slot, 0);
}

void DeckControls::enableButton(Window* deck, uint32_t id, bool enabled)
{
    if (Window* button = child(deck, id))
        button->send(plat::ui::kCommandMessage, kControlEnable, enabled ? 1 : 0);
}

void DeckControls::latchButton(Window* deck, uint32_t id, uintptr_t value)
{
    if (Window* button = child(deck, id))
        button->send(plat::ui::kCommandMessage, kControlLatch, intptr_t(value));
}

void DeckControls::repaint(Window* deck)
{
    if (!Window::isWindow(deck))
        return;
    deck->invalidate(false);
    deck->update();
}

void DeckControls::startTimer(Window* deck, uintptr_t timer, uint32_t ms, bool& running)
{
    deck->setTimer(timer, ms);
    running = true;
}

void DeckControls::stopTimer(Window* deck, uintptr_t timer, bool& running)
{
    if (running)
        deck->killTimer(timer);
    running = false;
}

bool DeckControls::showLoaded(Window* deck, int deckState, bool any, bool enableSkip, int deckId)
{
    if (!Window::isWindow(deck))
        return false;
    repaint(deck);
    if (deckState != kDeckIdle)
        return false;
    latchButton(deck, kDeckCmdPlaylist, any ? kLatchOn : kLatchOff);
    enableButton(deck, kDeckCmdPlaylist, true);
    enableSlot(deck, kSlotPlay, true);
    enableSlot(deck, kSlotPause, false);
    enableSlot(deck, kSlotStop, false);
    for (const uint32_t slot : {kSlotScanBack, kSlotScanForward, kSlotPrevious, kSlotNext})
        enableSlot(deck, slot, enableSkip && any);
    rack_SetDeckLoaded(deckId, true);
    return true;
}

void DeckControls::showBusy(Window* deck, bool canSkip, int deckId)
{
    enableSlot(deck, kSlotPlay, false);
    enableSlot(deck, kSlotPause, true);
    enableSlot(deck, kSlotStop, true);
    for (const uint32_t slot : {kSlotScanBack, kSlotScanForward, kSlotPrevious, kSlotNext})
        enableSlot(deck, slot, canSkip);
    enableButton(deck, kDeckCmdPlaylist, false);
    rack_SetDeckLoaded(deckId, false);
}

void DeckControls::showPaused(Window* deck, bool paused)
{
    enableSlot(deck, kSlotPrevious, !paused);
    enableSlot(deck, kSlotNext, !paused);
    latchSlot(deck, kSlotPause, paused ? kLatchOn : kLatchOff);
}

void DeckControls::scanRepeat(Window* deck, uint32_t command, int& speed, int& steps, int32_t& tenths,
                              int32_t length)
{
    const int32_t step = speed * 10;
    if (++steps % 16 == 0)
        ++speed;
    tenths = command == kSlotScanBack ? std::max(tenths - step, 0) : std::min(tenths + step, length);
    PaintTime(deck, nullptr, kDeckTimeLeft, kDeckDigitsTop, tenths, true);
}

int DeckControls::skipIndex(uint32_t command, int index, int count, int32_t tenths)
{
    if (command == kSlotNext)
        return index + 1 >= count ? 0 : index + 1;
    if (tenths < 10)
        return index == 0 ? count - 1 : index - 1;
    return index;
}

void DeckControls::createLoopButton(Window* deck, uint32_t command, bool loop)
{
    createButton(deck, "!B", command, QRect(591, 37, 34, 21));
    latchButton(deck, command, loop ? kLatchOn : kLatchOff);
}

void DeckControls::toggleLoop(Window* deck, uint32_t command, const bool& loop)
{
    if (Window* frame = rackState().frame; Window::isWindow(frame))
        frame->send(plat::ui::kCommandMessage, command, 0);
    latchButton(deck, command, loop ? kLatchOn : kLatchOff);
}

DeckControls::Dropped DeckControls::loadDropped(Window* deck, const std::vector<std::string>& files, int ownType,
                                                int (*load)(Window*, const char*), int otherType,
                                                bool (*take)(const std::string&))
{
    Dropped dropped;
    int tried = 0;
    for (const std::string& file : files) {
        ++tried;
        const int type = obj_GetType(file);
        if (type == otherType) {
            if (take(file))
                ++dropped.loaded;
            break;
        }
        if (type == ownType) {
            if (const int index = load(deck, file.c_str()); index >= 0) {
                ++dropped.loaded;
                dropped.last = index;
            }
        }
    }
    if (dropped.loaded == 0)
        MsgBox(deck, kStrNoneDropped, kStrCaption, kMbOk | kMbIconStop);
    else if (dropped.loaded < tried)
        MsgBox(deck, kStrSomeDropped, kStrCaption, kMbOk | kMbIconExclamation);
    return dropped;
}

void DeckControls::paintBackground(plat::ui::DrawContext& dc, Window* deck, int part)
{
    if (const plat::ui::Bitmap* background = GetGraphicPart(part)) {
        dc.selectPalette(GetGraphicPalette());
        dc.realizePalette();
        dc.blit(0, 0, deck->clientRect().width(), deck->clientRect().height(), *background, 0, 0);
    }
}

void DeckControls::paintName(plat::ui::DrawContext& dc, const std::string& name, int32_t lengthTenths)
{
    dc.fillRect(kDeckNameField, plat::ui::Brush::stock(plat::ui::StockBrush::black));
    if (name.empty())
        return;
    dc.setFont(GetGraphicFont(kFontApplication));
    dc.setTextColor(plat::ui::rgb(255, 255, 0));
    dc.setBackgroundMode(plat::ui::BackgroundMode::transparent);
    std::string text = QString::fromStdString(GetFilenameName(name)).toUpper().toStdString();
    Pool_GetNameThatFits(dc, kDeckNameWidth, text);
    dc.textOut(kDeckNameField.left(), kDeckNameField.top() + 1, text);
    const int32_t seconds = std::max<int32_t>(lengthTenths, 0) / 10;
    dc.textOut(kDeckLengthLeft, kDeckNameField.top() + 1, plat::format("%2.2d:%2.2d", seconds / 60, seconds % 60));
}

}  // namespace rack
