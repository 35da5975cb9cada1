#pragma once

#include "platform/core/PlatCoreExport.h"

#include <functional>
#include <optional>
#include <string>

namespace plat {

// A message shown to the user and the button they answer with. The core libraries never
// show anything themselves: the program installs a hook that shows a message box, and tests
// install a scripted one. Without a hook the message is traced and its default answer given.
class PLATCORE_API UserPrompt {
public:
    enum class Buttons { ok, okCancel, abortRetryIgnore, yesNoCancel, yesNo, retryCancel };
    enum class Icon { none, error, question, warning, information };
    // Numbered as the classic message box answers, which callers compare and store.
    enum class Answer { ok = 1, cancel = 2, abort = 3, retry = 4, ignore = 5, yes = 6, no = 7 };

    struct Message {
        std::string caption;
        std::string text;
        Buttons buttons = Buttons::ok;
        Icon icon = Icon::none;
        // The answer when no one is asked, and the button that has the focus. Unset, or not
        // one of the buttons shown, it is the first button.
        std::optional<Answer> defaultAnswer;
    };

    using Hook = std::function<Answer(const Message&)>;

    // Asks through the installed hook; callable from any thread (the hook decides how to
    // reach the user from there).
    static Answer ask(const Message& message);

    // The default answer of message, always one of its buttons.
    static Answer defaultAnswer(const Message& message);

    // Installs hook (an empty one removes it) and returns the one it replaces.
    static Hook setHook(Hook hook);

    // Installs a hook for its lifetime and then puts the previous one back; guards nest.
    class ScopedHook {
    public:
        explicit ScopedHook(Hook hook);
        ~ScopedHook();
        ScopedHook(const ScopedHook&) = delete;
        ScopedHook& operator=(const ScopedHook&) = delete;

    private:
        Hook m_previous;
    };
};

}  // namespace plat
