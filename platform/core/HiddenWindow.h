#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/MessageWindow.h"

#include <memory>
#include <mutex>
#include <string>

namespace plat {

// A process-wide hidden window that the first user makes on its own thread (the thread that
// is to serve it) and that any thread then reaches through a weak reference.
class PLATCORE_API HiddenWindow {
public:
    explicit HiddenWindow(std::string name) : m_name(std::move(name)) {}
    HiddenWindow(const HiddenWindow&) = delete;
    HiddenWindow& operator=(const HiddenWindow&) = delete;

    // Makes the window on the calling thread unless it exists; returns whether it is alive.
    bool create(MessageWindow::Handler handler);
    // Destroys the window; call on the thread that made it.
    void destroy();
    WindowRef ref() const;

private:
    const std::string m_name;
    mutable std::mutex m_mutex;
    std::unique_ptr<MessageWindow> m_window;
    WindowRef m_ref;
};

}  // namespace plat
