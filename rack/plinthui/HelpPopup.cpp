#include "rack/plinthui/PlinthUi.h"

#include "rack/plinthui/ControlIds.h"
#include "rack/plinthui/ControlModule.h"
#include "rack/plinthui/PlinthUiStrings.h"

#include "rack/plinthart/PlinthProfile.h"

#include "platform/ui/draw/DrawContext.h"
#include "platform/ui/rackwindow/Screen.h"
#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowStyle.h"

#include <QFontMetrics>

#include <algorithm>

// PRXVXNFXCL: the help popup of the buttons, one at a time, kept inside the screen.
namespace rack {

namespace {

using namespace plat::ui;

constexpr size_t kMaxText = 511;
constexpr size_t kFaceBuffer = 62;

LogicalFont helpFontDescription(const std::string& face)
{
    LogicalFont font;
    font.height = 14;
    font.width = 5;
    font.weight = 220;
    font.pitchAndFamily = 0x32;
    font.faceName = face;
    return font;
}

// Cut to at most max bytes, never inside a character.
std::string limited(std::string text, size_t max)
{
    if (text.size() <= max)
        return text;
    size_t end = max;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

intptr_t create(Window* window, const CreateInfo& info)
{
    ControlModule& module = ControlModule::instance();
    const QSize frame = Screen::dialogFrame();
    const int textWidth =
        module.helpFont ? QFontMetrics(module.helpFont->qfont()).horizontalAdvance(QString::fromStdString(module.popupText))
                        : 0;
    const QSize size(textWidth + 2 * frame.width() + 10, 2 * frame.height() + 18);
    QPoint at = info.rect.topLeft();
    at.setX(std::max(at.x(), 0));
    at.setY(std::max(at.y(), 0));
    const QSize screen = Screen::size();
    if (at.x() + size.width() > screen.width())
        at.setX(screen.width() - size.width());
    if (at.y() + size.height() > screen.height())
        at.setY(screen.height() - size.height());
    window->move(QRect(at, size), false);
    return 0;
}

}  // namespace

int ctl_ShowButtonInformation(Window* window, int dx, int dy, uintptr_t textOrId)
{
    ControlModule& module = ControlModule::instance();
    if (textOrId == 0) {
        if (Window* popup = module.popup; Window::isWindow(popup))
            popup->destroy();
        module.popup = nullptr;
        return 0;
    }
    if (module.popup || !Window::isWindow(window))
        return 0;
    if (!module.helpFaceRead) {
        module.helpFace = PlinthProfile::getString("Fonts", "ButtonHelp", "Arial", kFaceBuffer);
        module.helpFaceRead = true;
    }
    if (!module.helpFont)
        module.helpFont = std::make_unique<Font>(helpFontDescription(module.helpFace));
    std::string text = textOrId > 0xFFFF ? std::string(reinterpret_cast<const char*>(textOrId))
                                         : plinthUiString(uint32_t(textOrId));
    if (text.empty())
        return 0;
    module.popupText = limited(std::move(text), kMaxText);
    const QRect owner = window->windowRect();
    const QPoint at(owner.left() + dx, owner.top() + owner.height() + dy);
    module.popup = Window::create(kInformationClass, "", style::kPopup | style::kDialogFrame, QRect(at, QSize(1, 1)),
                                  window);
    if (module.popup) {
        module.popup->show(true);
        module.popup->update();
    }
    return 0;
}

intptr_t Win_Information(Window* window, MessageId message, uintptr_t wParam, intptr_t lParam)
{
    ControlModule& module = ControlModule::instance();
    switch (message) {
    case kCreateMessage: return create(window, *reinterpret_cast<const CreateInfo*>(lParam));
    case kPaintMessage: {
        DrawContext dc = window->beginPaint();
        dc.setFont(module.helpFont.get());
        dc.setBackgroundMode(BackgroundMode::transparent);
        dc.setTextColor(0);
        dc.textOut(4, 2, module.popupText);
        return 0;
    }
    case kDestroyMessage:
        // The font is made again for the next popup.
        module.helpFont.reset();
        if (module.popup == window)
            module.popup = nullptr;
        return 0;
    default: return defWindowProc(window, message, wParam, lParam);
    }
}

}  // namespace rack
