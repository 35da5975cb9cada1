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
// a request: a local socket in the abstract namespace (no file is left behind by a copy that
// crashed), named from a key and the user, so copies of different users never meet.
class PLATUI_API InstanceChannel {
public:
    // Answers a request from another copy; what it returns is sent back.
    using Handler = std::function<std::string(const std::string& request)>;

    explicit InstanceChannel(std::string_view key);
    ~InstanceChannel();
    InstanceChannel(const InstanceChannel&) = delete;
    InstanceChannel& operator=(const InstanceChannel&) = delete;

    // Starts answering requests on the interface thread's event loop. False when another
    // copy answers under this key already.
    bool listen(Handler handler);
    bool isListening() const;

    // Sends a request to the copy that listens under key and waits for its answer; nullopt
    // when no copy listens or it does not answer within the time-out.
    static std::optional<std::string> send(std::string_view key, std::string_view request, int timeoutMs = 5000);
    // Whether a copy listens under key.
    static bool isRunning(std::string_view key);

    // The socket name used for key.
    static std::string socketName(std::string_view key);

private:
    void answer(QLocalSocket& socket);

    std::string m_name;
    Handler m_handler;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace plat::ui
