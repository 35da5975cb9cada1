#pragma once

#include "platform/ui/PlatUiExport.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class QLocalServer;
class QLocalSocket;

namespace plat::ui {

// The channel through which a second copy of a program finds the running copy and hands it
// a request. It is a local socket in the user's runtime folder, which only the user may
// enter, and the running copy answers only peers of its own user. Requests are read as
// they arrive, never waited for, and are bounded in size.
class PLATUI_API InstanceChannel {
public:
    // Answers a request from another copy; what it returns is sent back. It runs inside the
    // socket's handling, so it must answer at once: work that may open a modal window (a
    // message box) is queued for the event loop, never done here.
    using Handler = std::function<std::string(const std::string& request)>;

    // The largest request or answer, in bytes.
    static constexpr uint32_t kMaxMessage = 64 * 1024;

    explicit InstanceChannel(std::string_view key);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Starts answering requests on the interface thread's event loop. False when another
    // copy answers under this key already, or the runtime folder cannot be made safe.
    bool listen(Handler handler);
    bool isListening() const;

    // Sends a request to the copy that listens under key and waits for its answer; nullopt
    // when no copy listens or it does not answer within the time-out. Blocks the caller.
    static std::optional<std::string> send(std::string_view key, std::string_view request, int timeoutMs = 5000);
    // Whether a copy listens under key.
    static bool isRunning(std::string_view key);

    // The socket's path for key: in $XDG_RUNTIME_DIR when that is the user's own private
    // folder, else in a private folder of the user's under the temporary folder; empty
    // when neither can be had.
    static std::string socketPath(std::string_view key);

private:
    struct Connection;

    void accept();
    void readFrom(const std::shared_ptr<Connection>& connection);

    std::string m_path;
    Handler m_handler;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace plat::ui
