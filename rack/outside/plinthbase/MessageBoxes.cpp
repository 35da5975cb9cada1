#include "rack/outside/plinthbase/MessageBoxes.h"

#include "rack/outside/plinthbase/BaseStrings.h"

#include "platform/core/UserPrompt.h"

#include <string>

namespace rack {

namespace {

constexpr int kStrAboutText = 1700;
constexpr int kStrHelpText = 1701;

int ask(std::string text, int captionId, uint32_t style)
{
    plat::UserPrompt::Message message;
    message.text = std::move(text);
    message.caption = captionId != 0 ? GetString(captionId) : GetString(kStrWindowTitle);
    using Buttons = plat::UserPrompt::Buttons;
    using Icon = plat::UserPrompt::Icon;
    using Answer = plat::UserPrompt::Answer;
    constexpr Buttons kButtons[] = {Buttons::ok,      Buttons::okCancel, Buttons::abortRetryIgnore,
                                    Buttons::yesNoCancel, Buttons::yesNo, Buttons::retryCancel};
    const uint32_t buttons = style & 0x0F;
    message.buttons = buttons < std::size(kButtons) ? kButtons[buttons] : Buttons::ok;
    switch (style & 0xF0) {
    case kMbIconStop: message.icon = Icon::error; break;
    case kMbIconQuestion: message.icon = Icon::question; break;
    case kMbIconExclamation: message.icon = Icon::warning; break;
    case kMbIconInformation: message.icon = Icon::information; break;
    default: message.icon = Icon::none; break;
    }
    // The default button, counted from the first one shown.
    const int defaultIndex = (style & 0x300) >> 8;
    if (defaultIndex > 0) {
        constexpr Answer kOrder[][3] = {
            {Answer::ok, Answer::ok, Answer::ok},         {Answer::ok, Answer::cancel, Answer::cancel},
            {Answer::abort, Answer::retry, Answer::ignore}, {Answer::yes, Answer::no, Answer::cancel},
            {Answer::yes, Answer::no, Answer::no},        {Answer::retry, Answer::cancel, Answer::cancel}};
        message.defaultAnswer = kOrder[static_cast<int>(message.buttons)][defaultIndex];
    }
    return static_cast<int>(plat::UserPrompt::ask(message));
}

}  // namespace

int MsgBox(plat::ui::Window*, int messageId, int captionId, uint32_t style)
{
    return ask(GetString(messageId, 1024), captionId, style);
}

int SpfMsgBox(plat::ui::Window*, int formatId, std::string_view text, int captionId, uint32_t style)
{
    std::string message = GetString(formatId, 1024);
    const size_t at = message.find("%s");
    if (at != std::string::npos)
        message.replace(at, 2, text);
    return ask(std::move(message), captionId, style);
}

void AboutDialog(plat::ui::Window*, int)
{
    ask(GetString(kStrAboutText, 1024), kStrWindowTitle, kMbIconInformation);
}

void ShowHelp(plat::ui::Window*, int, int)
{
    ask(GetString(kStrHelpText, 1024), kStrWindowTitle, kMbIconInformation);
}

}  // namespace rack
