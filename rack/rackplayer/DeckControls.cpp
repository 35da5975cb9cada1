#include "rack/rackplayer/DeckControls.h"

#include "rack/outside/plinthbase/TextFit.h"
#include "rack/plinthart/GraphicCache.h"
#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthui/ControlIds.h"

#include "platform/core/Strings.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QString>

namespace rack {

namespace {

using plat::ui::Window;

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

int32_t DeckControls::scanStep(int& speed, int& steps)
{
    const int32_t step = speed * 10;
    if (++steps % 16 == 0)
        ++speed;
    return step;
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
