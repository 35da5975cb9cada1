#include "platform/core/UserPrompt.h"

#include "platform/core/Trace.h"

#include <array>
#include <mutex>
#include <span>

namespace plat {

namespace {

struct HookSlot {
    std::mutex mutex;
    UserPrompt::Hook hook;
};

HookSlot& slot()
{
    static HookSlot instance;
    return instance;
}

std::span<const UserPrompt::Answer> answersOf(UserPrompt::Buttons buttons)
{
    using A = UserPrompt::Answer;
    static constexpr std::array ok{A::ok};
    static constexpr std::array okCancel{A::ok, A::cancel};
    static constexpr std::array abortRetryIgnore{A::abort, A::retry, A::ignore};
    static constexpr std::array yesNoCancel{A::yes, A::no, A::cancel};
    static constexpr std::array yesNo{A::yes, A::no};
    static constexpr std::array retryCancel{A::retry, A::cancel};
    switch (buttons) {
    case UserPrompt::Buttons::ok: return ok;
    case UserPrompt::Buttons::okCancel: return okCancel;
    case UserPrompt::Buttons::abortRetryIgnore: return abortRetryIgnore;
    case UserPrompt::Buttons::yesNoCancel: return yesNoCancel;
    case UserPrompt::Buttons::yesNo: return yesNo;
    case UserPrompt::Buttons::retryCancel: return retryCancel;
    }
    return ok;
}

bool offers(UserPrompt::Buttons buttons, UserPrompt::Answer answer)
{
    for (UserPrompt::Answer offered : answersOf(buttons)) {
        if (offered == answer)
            return true;
    }
    return false;
}

}  // namespace

UserPrompt::Answer UserPrompt::defaultAnswer(const Message& message)
{
    if (message.defaultAnswer && offers(message.buttons, *message.defaultAnswer))
        return *message.defaultAnswer;
    return answersOf(message.buttons).front();
}

UserPrompt::Answer UserPrompt::ask(const Message& message)
{
    Hook hook;
    {
        std::lock_guard lock(slot().mutex);
        hook = slot().hook;
    }
    // Called outside the lock: a hook may run a modal loop in which something else asks.
    if (hook) {
        const Answer answer = hook(message);
        // A hook can only answer with a button it was given; anything else is its fault, and
        // the caller gets the default rather than an answer it never offered.
        return offers(message.buttons, answer) ? answer : defaultAnswer(message);
    }
    const Answer answer = defaultAnswer(message);
    trace("User prompt \"%s\": %s (answered %d by default)\n", message.caption.c_str(),
          message.text.c_str(), static_cast<int>(answer));
    return answer;
}

UserPrompt::Hook UserPrompt::setHook(Hook hook)
{
    std::lock_guard lock(slot().mutex);
    std::swap(slot().hook, hook);
    return hook;
}

UserPrompt::ScopedHook::ScopedHook(Hook hook) : m_previous(setHook(std::move(hook))) {}

UserPrompt::ScopedHook::~ScopedHook() { setHook(std::move(m_previous)); }

}  // namespace plat
