#include "platform/ui/tests/UiTestEnvironment.h"
#include "platform/ui/window/InstanceChannel.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <thread>

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace plat::ui {
namespace {

QByteArray frame(const QByteArray& text)
{
    QByteArray bytes;
    const auto size = static_cast<uint32_t>(text.size());
    for (int shift = 0; shift < 32; shift += 8)
        bytes.append(char((size >> shift) & 0xFF));
    return bytes + text;
}

// A peer over a plain local socket, as any program of the user might open one.
class RawPeer {
public:
    explicit RawPeer(const std::string& path)
    {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        m_connected = ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawPeer() { close(); }
    RawPeer(const RawPeer&) = delete;
    RawPeer& operator=(const RawPeer&) = delete;

    bool connected() const { return m_connected; }
    void write(const QByteArray& bytes) { ASSERT_EQ(::send(m_fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL), bytes.size()); }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }
    // Takes what has arrived; notes when the other end has closed.
    void collect()
    {
        char buffer[256];
        for (;;) {
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got > 0) {
                m_received.append(buffer, got);
                continue;
            }
            if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
                m_closed = true;
            return;
        }
    }
    const QByteArray& received() const { return m_received; }
    bool closedByServer() const { return m_closed; }

private:
    int m_fd = -1;
    bool m_connected = false;
    bool m_closed = false;
    QByteArray m_received;
};

class InstanceChannelTest : public testing::Test {
protected:
    // Each test has a runtime folder of its own: a test that opens its folder to another user
    // must not take the channel from tests running beside it in other processes.
    void SetUp() override
    {
        m_key = "InstanceChannelTest/" + std::to_string(::getpid()) + "/" +
                testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string pattern = (std::filesystem::temp_directory_path() / "channel-runtime-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_runtime = pattern;
        if (const char* saved = std::getenv("XDG_RUNTIME_DIR"))
            m_savedRuntime = saved;
        ::setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }

    void TearDown() override
    {
        if (m_savedRuntime)
            ::setenv("XDG_RUNTIME_DIR", m_savedRuntime->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        std::error_code ignored;
        std::filesystem::remove_all(m_runtime, ignored);
    }

    // Sends from another thread, as a second copy would, while this thread serves the
    // channel.
    std::optional<std::string> ask(const std::string& request)
    {
        std::atomic<bool> done = false;
        std::optional<std::string> answer;
        std::thread sender([&] {
            answer = InstanceChannel::send(m_key, request, 5000);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        sender.join();
        return answer;
    }

    // Serves the channel until the condition holds, for ten seconds at most.
    template <class Condition>
    static void serveUntil(Condition condition)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!condition() && std::chrono::steady_clock::now() < end) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    // Serves the channel for a while, whatever comes.
    static void serveAWhile()
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
        serveUntil([end] { return std::chrono::steady_clock::now() >= end; });
    }

    std::string m_key;
    std::string m_runtime;
    std::optional<std::string> m_savedRuntime;
};

TEST_F(InstanceChannelTest, ACopyAnswersTheRequestOfAnotherAndNoSecondListenerIsTaken)
{
    InstanceChannel channel(m_key);
    std::string heard;
    ASSERT_TRUE(channel.listen([&heard](const std::string& request) {
        heard = request;
        return "answer to " + request;
    }));
    EXPECT_TRUE(InstanceChannel::isRunning(m_key));
    EXPECT_EQ(ask("OPEN /music/a b.wav"), "answer to OPEN /music/a b.wav");
    EXPECT_EQ(heard, "OPEN /music/a b.wav");

    InstanceChannel second(m_key);
    EXPECT_FALSE(second.listen([](const std::string&) { return std::string(); }));
}

TEST_F(InstanceChannelTest, TheSocketIsAFileOnlyItsUserMayReachInAPrivateFolder)
{
    const std::string path = InstanceChannel::socketPath(m_key);
    ASSERT_FALSE(path.empty());
    ASSERT_EQ(path.front(), '/');
    struct stat folder {};
    ASSERT_EQ(::lstat(std::filesystem::path(path).parent_path().c_str(), &folder), 0);
    EXPECT_TRUE(S_ISDIR(folder.st_mode));
    EXPECT_EQ(folder.st_uid, ::geteuid());
    EXPECT_EQ(folder.st_mode & 077, 0u);

    InstanceChannel channel(m_key);
    ASSERT_TRUE(channel.listen([](const std::string&) { return std::string("OK"); }));
    struct stat socket {};
    ASSERT_EQ(::lstat(path.c_str(), &socket), 0);
    EXPECT_TRUE(S_ISSOCK(socket.st_mode));
    EXPECT_EQ(socket.st_mode & 077, 0u);
}

TEST_F(InstanceChannelTest, ARuntimeFolderOthersMayEnterIsNotUsed)
{
    const std::filesystem::path open = std::filesystem::temp_directory_path() /
                                       ("channel-open-" + std::to_string(::getpid()));
    std::filesystem::create_directories(open);
    ::chmod(open.c_str(), 0755);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", open.c_str(), 1);
    const std::string inOpen = InstanceChannel::socketPath(m_key);
    ::chmod(open.c_str(), 0700);
    const std::string inPrivate = InstanceChannel::socketPath(m_key);
    if (saved)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(open);
    EXPECT_FALSE(inOpen.starts_with(open.string() + "/")) << inOpen;
    EXPECT_TRUE(inPrivate.starts_with(open.string() + "/")) << inPrivate;
}

TEST_F(InstanceChannelTest, APeerOfAnotherUserGetsNoAnswer)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "only the superuser can run a peer as another user";
    InstanceChannel channel(m_key);
    bool heard = false;
    ASSERT_TRUE(channel.listen([&heard](const std::string&) {
        heard = true;
        return std::string("OK");
    }));
    const std::string path = InstanceChannel::socketPath(m_key);
    // The folder and socket are opened up for the while, so that the peer's credentials
    // alone keep it out.
    const std::string folder = std::filesystem::path(path).parent_path().string();
    struct stat folderInfo {};
    ASSERT_EQ(::stat(folder.c_str(), &folderInfo), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0711), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0777), 0);
    const QByteArray request = frame("SHOW");
    const pid_t child = ::fork();
    if (child == 0) {
        // The child: a peer running as "nobody". Exit 0 when an answer came back.
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
            ::_exit(2);
        if (::write(fd, request.constData(), size_t(request.size())) != request.size())
            ::_exit(1);
        pollfd wait{fd, POLLIN, 0};
        char byte = 0;
        ::_exit(::poll(&wait, 1, 3000) == 1 && ::read(fd, &byte, 1) == 1 ? 0 : 1);
    }
    ASSERT_GT(child, 0);
    int status = -1;
    serveUntil([&] { return ::waitpid(child, &status, WNOHANG) == child; });
    ::chmod(folder.c_str(), folderInfo.st_mode & 07777);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_FALSE(heard);
}

TEST_F(InstanceChannelTest, ARequestThatArrivesInPiecesIsServedWithoutWaitingForTheRest)
{
    InstanceChannel channel(m_key);
    std::string heard;
    ASSERT_TRUE(channel.listen([&heard](const std::string& request) {
        heard = request;
        return std::string("OK");
    }));
    // The peer lives on this thread: a server that waited for the rest would wait in vain.
    RawPeer peer(InstanceChannel::socketPath(m_key));
    ASSERT_TRUE(peer.connected());
    const QByteArray request = frame("OPEN /slow.wav");
    for (const QByteArray& piece : {request.left(2), request.mid(2, 6)}) {
        peer.write(piece);
        serveAWhile();
        EXPECT_EQ(heard, "");
    }
    peer.write(request.mid(8));
    serveUntil([&] {
        peer.collect();
        return peer.received().size() >= 6;
    });
    EXPECT_EQ(heard, "OPEN /slow.wav");
    EXPECT_EQ(peer.received(), frame("OK"));
}

TEST_F(InstanceChannelTest, ARequestOverTheBoundEndsTheConnectionUnheard)
{
    InstanceChannel channel(m_key);
    bool heard = false;
    ASSERT_TRUE(channel.listen([&heard](const std::string&) {
        heard = true;
        return std::string("OK");
    }));
    RawPeer peer(InstanceChannel::socketPath(m_key));
    ASSERT_TRUE(peer.connected());
    QByteArray header = frame(QByteArray());
    const uint32_t size = InstanceChannel::kMaxMessage + 1;
    for (int i = 0; i < 4; ++i)
        header[i] = char((size >> (8 * i)) & 0xFF);
    peer.write(header + QByteArray(1000, 'x'));
    serveUntil([&] {
        peer.collect();
        return peer.closedByServer();
    });
    EXPECT_TRUE(peer.closedByServer());
    EXPECT_FALSE(heard);
}

TEST_F(InstanceChannelTest, APeerThatGoesWhileTheHandlerRunsLeavesNothingBehind)
{
    InstanceChannel channel(m_key);
    std::optional<RawPeer> peer;
    bool heard = false;
    ASSERT_TRUE(channel.listen([&](const std::string&) {
        heard = true;
        // The peer gives up, and everything the event loop would do meanwhile is done,
        // deleting the connection's socket.
        peer.reset();
        for (int turn = 0; turn < 20; ++turn) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        return std::string("late");
    }));
    peer.emplace(InstanceChannel::socketPath(m_key));
    ASSERT_TRUE(peer->connected());
    peer->write(frame("OPEN /gone.wav"));
    serveUntil([&] { return heard; });
    EXPECT_TRUE(heard);
    test::deliverPosted();
    // The channel still serves.
    EXPECT_TRUE(InstanceChannel::isRunning(m_key));
}

}  // namespace
}  // namespace plat::ui
