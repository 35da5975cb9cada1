#include "rack/plinthui/ControlModule.h"

#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/PlinthUi.h"

#include "platform/ui/rackwindow/Cursor.h"
#include "platform/ui/rackwindow/WindowClass.h"

namespace rack {

namespace {

using plat::ui::Brush;
using plat::ui::StockBrush;
using plat::ui::WindowClass;

constexpr uint32_t kToolTipDelayMs = 200;

void registerClasses()
{
    const auto add = [](const char* name, plat::ui::WindowProc proc, std::optional<Brush> background) {
        WindowClass windowClass;
        windowClass.name = name;
        windowClass.proc = std::move(proc);
        windowClass.background = std::move(background);
        WindowClass::registerClass(std::move(windowClass));
    };
    add(kScrollSignalClass, Win_ScrollSignal, Brush::stock(StockBrush::black));
    add(kScrollEventClass, Win_ScrollEvent, Brush::stock(StockBrush::black));
    add(kPrettyButtonClass, Win_PrettyButton, Brush::stock(StockBrush::lightGray));
    add(kCompositeButtonClass, Win_CompositeButton, std::nullopt);
    add(kInformationClass, Win_Information, Brush::stock(StockBrush::white));
}

}  // namespace

ControlModule& ControlModule::instance()
{
    static ControlModule module;
    return module;
}

int ctl_Initialize()
{
    ControlModule& module = ControlModule::instance();
    if (module.useCount++ > 0)
        return 0;
    plat::ui::Cursor::setShape(plat::ui::CursorShape::wait);
    registerClasses();
    module.faces.empty();
    module.echo.reset();
    module.heldButton = nullptr;
    module.heldStrip = nullptr;
    module.pressedScrolls = {};
    plat::ui::Cursor::setShape(plat::ui::CursorShape::arrow);
    module.toolTip = std::make_unique<plat::ui::ToolTip>();
    module.toolTip->setDelay(kToolTipDelayMs);
    return 0;
}

int ctl_Terminate()
{
    ControlModule& module = ControlModule::instance();
    module.faces.empty();
    if (module.useCount == 0 || --module.useCount > 0)
        return 0;
    for (const char* name :
         {kScrollSignalClass, kScrollEventClass, kPrettyButtonClass, kCompositeButtonClass, kInformationClass})
        WindowClass::unregisterClass(name);
    module.echo.reset();
    module.toolTip.reset();
    return 0;
}

void ctl_ResetBitmaps()
{
    ControlModule::instance().faces.clear();
}

}  // namespace rack
