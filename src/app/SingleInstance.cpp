#include "app/SingleInstance.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

constexpr char kMagic[4] = {'Q', 'V', 'L', '1'};
constexpr char kAnswer = 'A';
constexpr int kRequestTimeoutMs = 10000;

// A folder of this user's that nobody else may enter.
bool IsPrivateFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && path[0] == '/' && ::lstat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

std::string PrivateTemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = tmp && tmp[0] == '/' ? tmp : "/tmp";
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    const std::string folder = base + "/quorvel-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);  // an existing one is checked below like a new one
    return IsPrivateFolder(folder) ? folder : std::string();
}

std::string SocketIn(const std::string& folder) {
    if (folder.empty()) return {};
    const std::string path = folder + "/quorvel-" + std::to_string(::getuid()) + ".socket";
    return path.size() < sizeof(sockaddr_un::sun_path) ? path : std::string();
}

// A socket descriptor that closes itself.
class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

bool SendAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

// Connects to the socket at `path`; -1 with errno set when nobody listens there.
int Connect(const std::string& path) {
    sockaddr_un address{};
    if (path.size() >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (r < 0 && errno == EINTR);
    if (r < 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

void PutLittleEndian32(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

std::uint32_t GetLittleEndian32(const char* bytes) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[i]);
    return value;
}

}  // namespace

namespace instance {

std::string SocketPath() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && IsPrivateFolder(runtime))
        if (std::string path = SocketIn(runtime); !path.empty()) return path;
    return SocketIn(PrivateTemporaryFolder());
}

HandOverResult HandOver(const std::string& socketPath, const std::string& file, int timeoutMs) {
    if (socketPath.empty() || file.size() > kMaxRequestPath) return HandOverResult::NoPlayer;
    const Descriptor socket(Connect(socketPath));
    if (socket.Get() < 0) return HandOverResult::NoPlayer;

    std::string request(kMagic, sizeof kMagic);
    PutLittleEndian32(request, static_cast<std::uint32_t>(file.size()));
    request += file;
    if (!SendAll(socket.Get(), request.data(), request.size())) return HandOverResult::NoAnswer;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return HandOverResult::NoAnswer;
        pollfd wait{socket.Get(), POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return HandOverResult::NoAnswer;
        char answer = 0;
        const ssize_t got = ::recv(socket.Get(), &answer, 1, 0);
        if (got < 0 && errno == EINTR) continue;
        return got == 1 && answer == kAnswer ? HandOverResult::Delivered : HandOverResult::NoAnswer;
    }
}

CStartLock::CStartLock(const std::string& socketPath, int timeoutMs) {
    if (socketPath.empty()) return;
    const std::string lockPath = socketPath.substr(0, socketPath.rfind('.')) + ".lock";
    m_pLock = std::make_unique<QLockFile>(QString::fromLocal8Bit(lockPath.c_str()));
    // Held for a moment only: a lock older than a minute belongs to a start that hangs.
    m_pLock->setStaleLockTime(60000);
    m_pLock->tryLock(timeoutMs);
}

void CStartLock::Unlock() {
    if (Locked()) m_pLock->unlock();
}

}  // namespace instance

CInstanceServer::CInstanceServer(QObject* parent) : QObject(parent) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &CInstanceServer::OnNewConnection);
}

CInstanceServer::~CInstanceServer() {
    m_server.close();  // removes the socket file
}

bool CInstanceServer::Listen(const std::string& socketPath) {
    if (socketPath.empty()) return false;
    // Somebody answering there is a player: it stays the player. (Qt would put its own socket
    // in that place regardless.)
    if (const int fd = Connect(socketPath); fd >= 0) {
        ::close(fd);
        return false;
    }
    const QString name = QString::fromLocal8Bit(socketPath.c_str());
    QLocalServer::removeServer(name);  // a file nobody answers on is left over
    return m_server.listen(name);
}

void CInstanceServer::OnNewConnection() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A sender that never finishes its request is not waited for.
        QTimer::singleShot(kRequestTimeoutMs, socket, [socket] { socket->abort(); });
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            if (buffer->size() < 8) return;
            const std::uint32_t length = GetLittleEndian32(buffer->constData() + 4);
            if (std::memcmp(buffer->constData(), kMagic, sizeof kMagic) != 0 ||
                length > instance::kMaxRequestPath) {
                socket->abort();
                return;
            }
            if (static_cast<std::uint64_t>(buffer->size()) < 8u + length) return;
            const std::string path(buffer->constData() + 8, length);
            // One request per connection: whatever follows is not read.
            disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
            socket->write(QByteArray(1, kAnswer));
            socket->flush();
            socket->disconnectFromServer();
            emit Requested(path);
        });
    }
}
