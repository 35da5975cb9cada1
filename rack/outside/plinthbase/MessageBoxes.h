#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <cstdint>
#include <string_view>

namespace plat::ui {
class Window;
}

// Message boxes of the rack, asked through the platform's prompt hook (which the program
// makes a real message box, and tests script). Styles are the classic message-box flags;
// the answers are the classic button ids (1 OK, 2 cancel, 6 yes, 7 no, ...).
namespace rack {

inline constexpr uint32_t kMbOk = 0x00;
inline constexpr uint32_t kMbOkCancel = 0x01;
inline constexpr uint32_t kMbYesNoCancel = 0x03;
inline constexpr uint32_t kMbYesNo = 0x04;
inline constexpr uint32_t kMbIconStop = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr uint32_t kMbIconInformation = 0x40;
inline constexpr uint32_t kMbDefButton2 = 0x100;
inline constexpr uint32_t kMbDefButton3 = 0x200;

// The message and caption are string ids of plinthbase.
PLINTHBASE_API int MsgBox(plat::ui::Window* window, int messageId, int captionId, uint32_t style);
// The message is a string id whose "%s" takes text.
PLINTHBASE_API int SpfMsgBox(plat::ui::Window* window, int formatId, std::string_view text, int captionId,
                             uint32_t style);
// Tells what the rack is.
PLINTHBASE_API void AboutDialog(plat::ui::Window* window, int flags);
// There are no help files: a help request shows the help text of the rack.
PLINTHBASE_API void ShowHelp(plat::ui::Window* window, int command, int context);

}  // namespace rack
