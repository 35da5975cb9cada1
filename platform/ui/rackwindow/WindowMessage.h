#pragma once

#include "platform/core/Message.h"

#include <cstdint>

// The messages a window procedure receives, numbered as the classic window messages, and
// the packing of their parameters.
namespace plat::ui {

using plat::MessageId;

// lParam points to the window's CreateInfo; answering -1 refuses the creation.
inline constexpr MessageId kCreateMessage = 0x0001;
// The window is being destroyed: its children still exist, its properties too.
inline constexpr MessageId kDestroyMessage = 0x0002;
// lParam: the client area's new position in the parent (screen for a top-level window).
inline constexpr MessageId kMoveMessage = 0x0003;
// lParam: the client area's new width (low word) and height (high word).
inline constexpr MessageId kSizeMessage = 0x0005;
inline constexpr MessageId kSetFocusMessage = 0x0007;
// wParam: 1 when the window was enabled, 0 when disabled.
inline constexpr MessageId kEnableMessage = 0x000A;
// The window's image needs drawing: Window::beginPaint gives the drawing handle.
inline constexpr MessageId kPaintMessage = 0x000F;
// The user or a program asks the window to close; the default destroys it.
inline constexpr MessageId kCloseMessage = 0x0010;
// wParam: the key (virtual key code); lParam: the repeat count in the low word, and bit 30
// set when the key was already down.
inline constexpr MessageId kKeyDownMessage = 0x0100;
// wParam: the command id (low word) and a notification code (high word); lParam: what the
// sender adds (a control's window, or a value).
inline constexpr MessageId kCommandMessage = 0x0111;
using plat::kTimerMessage;
// Mouse messages: wParam holds the button and key flags below, lParam the point in client
// coordinates (x in the low word, y in the high word, both signed).
inline constexpr MessageId kMouseMoveMessage = 0x0200;
inline constexpr MessageId kLeftButtonDownMessage = 0x0201;
inline constexpr MessageId kLeftButtonUpMessage = 0x0202;
inline constexpr MessageId kRightButtonDownMessage = 0x0204;
inline constexpr MessageId kRightButtonUpMessage = 0x0205;
// Files dropped on a window that accepts them: wParam points to a std::vector<std::string>
// of the files' full paths (valid during the call), lParam holds the drop point.
inline constexpr MessageId kDropFilesMessage = 0x0233;
// The first message a window class may define for itself.
inline constexpr MessageId kUserMessage = plat::kFirstPrivateMessage;

inline constexpr uintptr_t kLeftButtonFlag = 0x0001;
inline constexpr uintptr_t kRightButtonFlag = 0x0002;
inline constexpr uintptr_t kShiftFlag = 0x0004;
inline constexpr uintptr_t kControlFlag = 0x0008;

// Virtual key codes of the keys that are not letters or digits (those are their
// upper-case character).
inline constexpr uintptr_t kKeyBack = 0x08;
inline constexpr uintptr_t kKeyTab = 0x09;
inline constexpr uintptr_t kKeyReturn = 0x0D;
inline constexpr uintptr_t kKeyEscape = 0x1B;
inline constexpr uintptr_t kKeySpace = 0x20;
inline constexpr uintptr_t kKeyLeft = 0x25;
inline constexpr uintptr_t kKeyUp = 0x26;
inline constexpr uintptr_t kKeyRight = 0x27;
inline constexpr uintptr_t kKeyDown = 0x28;
inline constexpr uintptr_t kKeyDelete = 0x2E;
inline constexpr uintptr_t kKeyF1 = 0x70;  // F2 to F12 follow

constexpr intptr_t makeLParam(int low, int high)
{
    return intptr_t(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}

constexpr uintptr_t makeWParam(int low, int high)
{
    return uintptr_t(uint32_t(uint16_t(low)) | (uint32_t(uint16_t(high)) << 16));
}

constexpr unsigned loWord(uintptr_t value)
{
    return unsigned(value & 0xFFFF);
}

constexpr unsigned hiWord(uintptr_t value)
{
    return unsigned((value >> 16) & 0xFFFF);
}

// The signed coordinates of a point packed into lParam.
constexpr int pointX(intptr_t lParam)
{
    return int16_t(uint16_t(uintptr_t(lParam) & 0xFFFF));
}

constexpr int pointY(intptr_t lParam)
{
    return int16_t(uint16_t((uintptr_t(lParam) >> 16) & 0xFFFF));
}

}  // namespace plat::ui
