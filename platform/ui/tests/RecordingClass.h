#pragma once

#include "platform/ui/rackwindow/Window.h"
#include "platform/ui/rackwindow/WindowClass.h"

#include <functional>
#include <string>
#include <vector>

namespace plat::ui::test {

struct Received {
    Window* window;
    MessageId message;
    uintptr_t wParam;
    intptr_t lParam;

    bool operator==(const Received&) const = default;
};

// A window class that records every message its windows receive; a test may answer some
// of them itself, and the rest go to the default procedure. Its windows end with it.
class RecordingClass {
public:
    using Answer = std::function<std::optional<intptr_t>(Window*, MessageId, uintptr_t, intptr_t)>;

    explicit RecordingClass(std::string name, std::optional<Brush> background = std::nullopt)
        : m_name(std::move(name))
    {
        WindowClass windowClass;
        windowClass.name = m_name;
        windowClass.background = background;
        windowClass.proc = [this](Window* window, MessageId message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
            received.push_back(Received{window, message, wParam, lParam});
            if (message == kCreateMessage)
                m_windows.push_back(window);
            if (answer)
                if (const std::optional<intptr_t> result = answer(window, message, wParam, lParam))
                    return *result;
            return defWindowProc(window, message, wParam, lParam);
        };
        WindowClass::registerClass(std::move(windowClass));
    }

    // Its windows end with it, since their procedure is this object's.
    ~RecordingClass()
    {
        answer = nullptr;
        for (Window* window : m_windows)
            if (Window::isWindow(window))
                window->destroy();
        WindowClass::unregisterClass(m_name);
    }

    const std::string& name() const { return m_name; }

    // The messages of one kind that a window received, in order.
    std::vector<Received> of(MessageId message, const Window* window = nullptr) const
    {
        std::vector<Received> result;
        for (const Received& r : received)
            if (r.message == message && (!window || r.window == window))
                result.push_back(r);
        return result;
    }

    std::vector<MessageId> messages(const Window* window) const
    {
        std::vector<MessageId> result;
        for (const Received& r : received)
            if (r.window == window)
                result.push_back(r.message);
        return result;
    }

    std::vector<Received> received;
    Answer answer;

private:
    std::string m_name;
    std::vector<Window*> m_windows;
};

}  // namespace plat::ui::test
