#include "platform/ui/window/InstanceChannel.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace plat::ui {

namespace {

// Requests and answers travel as a 32-bit length and that many bytes.
constexpr qint64 kMaxMessage = 1 << 20;

QByteArray frame(std::string_view text)
{
    QByteArray bytes;
    const auto size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((size >> shift) & 0xFF));
    bytes.append(text.data(), qsizetype(text.size()));
    return bytes;
}

// Reads one framed message, waiting at most timeoutMs for each part.
std::optional<std::string> readFrame(QLocalSocket& socket, int timeoutMs)
{
    while (socket.bytesAvailable() < 4)
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    QByteArray header = socket.read(4);
    uint32_t size = 0;
    for (int i = 0; i < 4; ++i)
        size |= uint32_t(uint8_t(header[i])) << (8 * i);
    if (size > kMaxMessage)
        return std::nullopt;
    while (socket.bytesAvailable() < qint64(size))
        if (!socket.waitForReadyRead(timeoutMs))
            return std::nullopt;
    const QByteArray body = socket.read(size);
    return std::string(body.constData(), size_t(body.size()));
}

}  // namespace

InstanceChannel::InstanceChannel(std::string_view key) : m_name(socketName(key)) {}

InstanceChannel::~InstanceChannel() = default;

std::string InstanceChannel::socketName(std::string_view key)
{
    // The key may hold any characters; the name holds a digest of it and the user id.
    const QByteArray digest = QCryptographicHash::hash(QByteArray(key.data(), qsizetype(key.size())),
                                                       QCryptographicHash::Sha1)
                                  .toHex()
                                  .left(16);
    return "quavix-" + digest.toStdString() + "-" + std::to_string(getuid());
}

bool InstanceChannel::listen(Handler handler)
{
    if (m_server)
        return true;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    if (!server->listen(QString::fromStdString(m_name)))
        return false;
    m_handler = std::move(handler);
    QObject::connect(server.get(), &QLocalServer::newConnection, server.get(), [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { answer(*socket); });
            // A request that came with the connection is told of by no further signal.
            if (socket->bytesAvailable() > 0)
                answer(*socket);
        }
    });
    m_server = std::move(server);
    return true;
}

void InstanceChannel::answer(QLocalSocket& socket)
{
    // The request is small and comes whole: read it without waiting long.
    const std::optional<std::string> request = readFrame(socket, 1000);
    if (!request) {
        socket.abort();
        return;
    }
    const std::string reply = m_handler ? m_handler(*request) : std::string();
    socket.write(frame(reply));
    socket.flush();
}

bool InstanceChannel::isListening() const
{
    return m_server && m_server->isListening();
}

std::optional<std::string> InstanceChannel::send(std::string_view key, std::string_view request, int timeoutMs)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(QString::fromStdString(socketName(key)));
    if (!socket.waitForConnected(timeoutMs))
        return std::nullopt;
    socket.write(frame(request));
    if (!socket.waitForBytesWritten(timeoutMs))
        return std::nullopt;
    return readFrame(socket, timeoutMs);
}

bool InstanceChannel::isRunning(std::string_view key)
{
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(QString::fromStdString(socketName(key)));
    return socket.waitForConnected(1000);
}

}  // namespace plat::ui
