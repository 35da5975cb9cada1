#include "platform/ui/window/InstanceChannel.h"

#include "platform/core/Trace.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cerrno>
#include <cstdlib>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat::ui {

namespace {

// Requests and answers travel as a 32-bit little-endian length and that many bytes.
constexpr int kHeader = 4;

QByteArray frame(std::string_view text)
{
    QByteArray bytes;
    const auto size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((size >> shift) & 0xFF));
    bytes.append(text.data(), qsizetype(text.size()));
    return bytes;
}

uint32_t frameSize(const QByteArray& bytes)
{
    uint32_t size = 0;
    for (int i = 0; i < kHeader; ++i)
        size |= uint32_t(uint8_t(bytes[i])) << (8 * i);
    return size;
}

// Reads one framed answer, waiting at most timeoutMs for each part (the second copy's side,
// which has nothing else to do meanwhile).
std::optional<std::string> readFrame(QLocalSocket& socket, int timeoutMs)
{
    while (socket.bytesAvailable() < kHeader)
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    const uint32_t size = frameSize(socket.read(kHeader));
    if (size > InstanceChannel::kMaxMessage)
        return std::nullopt;
    while (socket.bytesAvailable() < qint64(size))
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    const QByteArray body = socket.read(size);
    return std::string(body.constData(), size_t(body.size()));
}

// A folder only the user can enter: it exists (made when missing), is a real folder (no
// link), belongs to the user and grants nothing to anyone else.
bool isPrivateFolder(const std::string& folder, bool make)
{
    if (folder.empty())
        return false;
    if (make && ::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::geteuid())
        return false;
    return (info.st_mode & 077) == 0;
}

std::string privateFolder()
{
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && runtime[0] == '/' &&
                                                              isPrivateFolder(runtime, false))
        return runtime;
    const char* temporary = std::getenv("TMPDIR");
    const std::string base = temporary && temporary[0] == '/' ? temporary : "/tmp";
    const std::string folder = base + "/quavix-" + std::to_string(::geteuid());
    return isPrivateFolder(folder, true) ? folder : std::string();
}

// Whether the peer on the other end of a connected local socket runs as this user.
bool peerIsThisUser(const QLocalSocket& socket)
{
    ucred credentials{};
    socklen_t size = sizeof credentials;
    const auto descriptor = int(socket.socketDescriptor());
    if (descriptor < 0 || ::getsockopt(descriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0 ||
        size != sizeof credentials)
        return false;
    return credentials.uid == ::geteuid();
}

// Whether a copy listens on the socket at path.
bool answers(const std::string& path)
{
    if (path.empty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    return socket.waitForConnected(1000);
}

}  // namespace

// One peer's connection and what it has sent so far.
struct InstanceChannel::Connection {
    QPointer<QLocalSocket> socket;
    QByteArray received;
};

InstanceChannel::InstanceChannel(std::string_view key) : m_path(socketPath(key)) {}

InstanceChannel::~InstanceChannel() = default;

std::string InstanceChannel::socketPath(std::string_view key)
{
    const std::string folder = privateFolder();
    if (folder.empty())
        return {};
    // The key may hold any characters; the name holds a digest of it.
    const QByteArray digest = QCryptographicHash::hash(QByteArray(key.data(), qsizetype(key.size())),
                                                       QCryptographicHash::Sha1)
                                  .toHex()
                                  .left(16);
    return folder + "/quavix-" + digest.toStdString() + ".socket";
}

bool InstanceChannel::listen(Handler handler)
{
    if (m_server)
        return true;
    if (m_path.empty())
        return false;
    const QString path = QString::fromStdString(m_path);
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Listening replaces a socket at the path, so a running copy is asked first; a socket left
    // by a copy that ended without closing it answers nobody and is taken over.
    if (answers(m_path))
        return false;
    QLocalServer::removeServer(path);
    if (!server->listen(path))
        return false;
    m_handler = std::move(handler);
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [this] { accept(); });
    m_server = std::move(server);
    return true;
}

void InstanceChannel::accept()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        if (!peerIsThisUser(*socket)) {
            plat::trace("InstanceChannel -- a peer of another user was refused");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto connection = std::make_shared<Connection>();
        connection->socket = socket;
        QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, connection] { readFrom(connection); });
        // A request that came with the connection is told of by no further signal.
        if (socket->bytesAvailable() > 0)
            readFrom(connection);
    }
}

void InstanceChannel::readFrom(const std::shared_ptr<Connection>& connection)
{
    QLocalSocket* socket = connection->socket;
    if (!socket)
        return;
    // Only what has arrived: a peer that sends slowly is served as its bytes come.
    const qint64 room = qint64(kHeader) + kMaxMessage - connection->received.size();
    connection->received += socket->read(std::max<qint64>(room, 0));
    if (connection->received.size() < kHeader)
        return;
    const uint32_t size = frameSize(connection->received);
    if (size > kMaxMessage) {
        socket->abort();
        return;
    }
    const qint64 whole = kHeader + qint64(size);
    if (connection->received.size() < whole)
        return;
    // One request per connection: more is not a copy of this program talking.
    if (connection->received.size() > whole || socket->bytesAvailable() > 0) {
        socket->abort();
        return;
    }
    const std::string request(connection->received.constData() + kHeader, size);
    connection->received.clear();
    const std::string reply = m_handler ? m_handler(request) : std::string();
    // The peer may have gone while the handler ran.
    if (!connection->socket)
        return;
    connection->socket->write(frame(reply.size() <= kMaxMessage ? std::string_view(reply) : std::string_view()));
    connection->socket->flush();
}

bool InstanceChannel::isListening() const
{
    return m_server && m_server->isListening();
}

std::optional<std::string> InstanceChannel::send(std::string_view key, std::string_view request, int timeoutMs)
{
    const std::string path = socketPath(key);
    if (path.empty() || request.size() > kMaxMessage)
        return std::nullopt;
    QLocalSocket socket;
    socket.connectToServer(QString::fromStdString(path));
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    socket.write(frame(request));
    if (!socket.waitForBytesWritten(timeoutMs))
        return std::nullopt;
    return readFrame(socket, timeoutMs);
}

bool InstanceChannel::isRunning(std::string_view key)
{
    return answers(socketPath(key));
}

}  // namespace plat::ui
