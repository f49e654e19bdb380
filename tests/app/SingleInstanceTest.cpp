// The socket between a running player and a later start: real sockets, real player processes.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include "app/SingleInstance.h"
#include "ui/EventWait.h"
#include "ui/TestEnvironment.h"

namespace {

using instance::HandOverResult;

// A POSIX socket bound at `path`, listening or not, that never answers.
class SilentSocket {
public:
    SilentSocket(const std::string& path, bool listening) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        if (listening) {
            EXPECT_EQ(::listen(m_fd, 4), 0);
        }
    }
    ~SilentSocket() { Close(); }
    // Closed without removing the file: what a player that crashed leaves behind.
    void Close() {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd = -1;
};

// Sends raw bytes to the socket at `path` and reads until the other end closes.
std::string Exchange(const std::string& path, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return "<no connection>";
    }
    ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    char buffer[64];
    ssize_t got;
    while ((got = ::recv(fd, buffer, sizeof buffer, 0)) > 0) answer.append(buffer, got);
    ::close(fd);
    return answer;
}

// Runs a blocking call on another thread while this one keeps the event loop going.
template <class Call>
auto WhileServing(Call call) {
    auto result = std::async(std::launch::async, call);
    EXPECT_TRUE(testenv::WaitUntil(
        [&] { return result.wait_for(std::chrono::seconds(0)) == std::future_status::ready; }));
    return result.get();
}

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_runtime.isValid());
        m_socket = m_runtime.path().toStdString() + "/quorvel-test.socket";
        QObject::connect(&m_server, &CInstanceServer::Requested,
                         [this](const std::string& path) { m_requests.push_back(path); });
    }

    // The built player started as a later start would be, in `folder`, with `arguments`.
    QProcess& StartPlayer(const QStringList& arguments, const QString& folder) {
        auto& process = m_processes.emplace_back(std::make_unique<QProcess>());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
        process->setProcessEnvironment(environment);
        process->setWorkingDirectory(folder);
        process->start(QUORVEL_PLAYER, arguments);
        EXPECT_TRUE(process->waitForStarted());
        return *process;
    }
    // Waits (serving the socket meanwhile) for the process to end; its exit code.
    int ExitCode(QProcess& process) {
        EXPECT_TRUE(testenv::WaitUntil([&] { return process.state() == QProcess::NotRunning; }));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        return process.exitCode();
    }

    QTemporaryDir m_runtime;  // private (0700), as a runtime folder is
    std::string m_socket;
    CInstanceServer m_server;
    std::vector<std::string> m_requests;
    std::vector<std::unique_ptr<QProcess>> m_processes;
};

TEST_F(SingleInstanceTest, ALaterStartHandsOverItsFileAsAnAbsolutePathAndEnds) {
    testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", m_runtime.path().toUtf8().constData());
    const std::string socket = instance::SocketPath();
    ASSERT_EQ(socket, m_runtime.path().toStdString() + "/quorvel-" + std::to_string(::getuid()) +
                          ".socket");
    ASSERT_TRUE(m_server.Listen(socket));
    QTemporaryDir media;
    std::filesystem::create_directory(media.path().toStdString() + "/sub");

    QProcess& relative = StartPlayer({"./sub/song one.mp3"}, media.path());
    EXPECT_EQ(ExitCode(relative), 0) << relative.readAllStandardError().toStdString();
    QProcess& url = StartPlayer({"file:///tmp/My%20Song.ogg"}, media.path());
    EXPECT_EQ(ExitCode(url), 0);
    QProcess& bare = StartPlayer({}, media.path());  // only brings the window to the front
    EXPECT_EQ(ExitCode(bare), 0);
    EXPECT_EQ(m_requests,
              (std::vector<std::string>{media.path().toStdString() + "/sub/song one.mp3",
                                        "/tmp/My Song.ogg", ""}));
    // Nothing a later start did touched the running player's socket.
    EXPECT_TRUE(m_server.IsListening());
    EXPECT_TRUE(std::filesystem::exists(socket));
}

TEST_F(SingleInstanceTest, ASocketLeftByACrashIsReplacedAndAListeningPlayerIsNot) {
    EXPECT_EQ(instance::HandOver(m_socket, "/a.wav", 1000), HandOverResult::NoPlayer);
    {
        SilentSocket crashed(m_socket, true);
        crashed.Close();
    }
    ASSERT_TRUE(std::filesystem::exists(m_socket));
    EXPECT_EQ(instance::HandOver(m_socket, "/a.wav", 1000), HandOverResult::NoPlayer);
    ASSERT_TRUE(m_server.Listen(m_socket));
    EXPECT_EQ(WhileServing([this] { return instance::HandOver(m_socket, "/a.wav", 30000); }),
              HandOverResult::Delivered);
    EXPECT_EQ(m_requests, std::vector<std::string>{"/a.wav"});

    // A second server at the same place stays out of the way.
    CInstanceServer second;
    EXPECT_FALSE(second.Listen(m_socket));
    EXPECT_EQ(WhileServing([this] { return instance::HandOver(m_socket, "/b.wav", 30000); }),
              HandOverResult::Delivered);
    EXPECT_EQ(m_requests.back(), "/b.wav");
}

TEST_F(SingleInstanceTest, TheSocketFileGoesWithTheServer) {
    {
        CInstanceServer server;
        ASSERT_TRUE(server.Listen(m_socket));
        struct stat info {};
        ASSERT_EQ(::stat(m_socket.c_str(), &info), 0);
        EXPECT_TRUE(S_ISSOCK(info.st_mode));
        EXPECT_EQ(info.st_mode & 077, 0u) << "other users may not connect";
    }
    EXPECT_FALSE(std::filesystem::exists(m_socket));
    EXPECT_EQ(instance::HandOver(m_socket, "", 1000), HandOverResult::NoPlayer);
}

TEST_F(SingleInstanceTest, MalformedOrOverlongRequestsAreDroppedUnanswered) {
    ASSERT_TRUE(m_server.Listen(m_socket));
    const auto request = [](std::uint32_t length, const std::string& path) {
        std::string bytes = "QVL1";
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((length >> (8 * i)) & 0xff);
        return bytes + path;
    };
    EXPECT_EQ(WhileServing([&] { return Exchange(m_socket, "HELLO, is anybody there?"); }), "");
    EXPECT_EQ(WhileServing([&] { return Exchange(m_socket, request(0xffffffff, "/x")); }), "");
    EXPECT_EQ(WhileServing(
                  [&] { return Exchange(m_socket, request(instance::kMaxRequestPath + 1, "/x")); }),
              "");
    EXPECT_TRUE(m_requests.empty());
    // A well-formed one, with bytes that are not UTF-8 and more after it, is taken once.
    EXPECT_EQ(WhileServing([&] {
                  return Exchange(m_socket, request(9, "/caf\xe9.wav") + request(2, "/y"));
              }),
              "A");
    EXPECT_EQ(m_requests, std::vector<std::string>{"/caf\xe9.wav"});
}

TEST_F(SingleInstanceTest, APlayerThatDoesNotAnswerIsReportedNotWaitedForForever) {
    SilentSocket hung(m_socket, true);
    EXPECT_EQ(instance::HandOver(m_socket, "/a.wav", 300), HandOverResult::NoAnswer);
    // A path longer than any request may be is not sent at all.
    EXPECT_EQ(instance::HandOver(m_socket, std::string(instance::kMaxRequestPath + 1, 'x'), 300),
              HandOverResult::NoPlayer);
}

TEST_F(SingleInstanceTest, TheSocketLivesOnlyInAFolderNobodyElseCanEnter) {
    QTemporaryDir temporary;
    testenv::ScopedEnv tmp("TMPDIR", temporary.path().toUtf8().constData());
    const std::string uid = std::to_string(::getuid());
    const std::string fallback = temporary.path().toStdString() + "/quorvel-" + uid;

    // A runtime folder that others may read is not used.
    ::chmod(m_runtime.path().toUtf8().constData(), 0755);
    {
        testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", m_runtime.path().toUtf8().constData());
        EXPECT_EQ(instance::SocketPath(), fallback + "/quorvel-" + uid + ".socket");
        struct stat info {};
        ASSERT_EQ(::stat(fallback.c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0700u);
    }
    ::chmod(m_runtime.path().toUtf8().constData(), 0700);
    {
        testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", nullptr);
        EXPECT_EQ(instance::SocketPath(), fallback + "/quorvel-" + uid + ".socket");
        // A folder of that name that others may enter is refused, and so is a file.
        ::chmod(fallback.c_str(), 0777);
        EXPECT_EQ(instance::SocketPath(), "");
        std::filesystem::remove(fallback);
        testenv::WriteFile(fallback, "not a folder");
        EXPECT_EQ(instance::SocketPath(), "");
    }
    {
        // A runtime folder so deep that a socket's name would not fit there is passed over.
        const std::string deep = m_runtime.path().toStdString() + "/" + std::string(100, 'd');
        std::filesystem::create_directory(deep);
        ::chmod(deep.c_str(), 0700);
        testenv::ScopedEnv runtime("XDG_RUNTIME_DIR", deep.c_str());
        std::filesystem::remove(fallback);
        EXPECT_EQ(instance::SocketPath(), fallback + "/quorvel-" + uid + ".socket");
    }
}

TEST_F(SingleInstanceTest, OneStartAtATimeHoldsTheStartLock) {
    instance::CStartLock first(m_socket, 0);
    EXPECT_TRUE(first.Locked());
    instance::CStartLock second(m_socket, 0);
    EXPECT_FALSE(second.Locked());
    first.Unlock();
    instance::CStartLock third(m_socket, 0);
    EXPECT_TRUE(third.Locked());
    EXPECT_FALSE(instance::CStartLock("", 0).Locked());  // no safe place: no lock, no wait
}

}  // namespace
