// One player per user: a second start hands its file to the running player, whose window owns
// the output device, instead of opening a window of its own.
//
// The running player listens on a local socket, "quorvel-<uid>.socket" in the user's runtime
// folder: $XDG_RUNTIME_DIR when it is a private folder of the user's (and short enough for a
// socket's name), else "quorvel-<uid>" under the temporary folder, made private (0700) and
// refused when it belongs to anybody else, so that no other user can stand in for the player.
//
// A request is the 4 bytes "QVL1", the path's length (4 bytes, little-endian, at most
// kMaxRequestPath) and the path's bytes; an empty path only asks the player to come to the
// front. The player answers the one byte 'A' once it has taken the request.
//
// A socket file that nobody answers on was left by a player that did not end cleanly: the next
// start removes it and listens there itself. The lock file beside it ("quorvel-<uid>.lock"),
// held from the attempt to hand over until the socket listens, keeps two players that start at
// the same moment from both listening.
#pragma once

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <memory>
#include <string>

namespace instance {

constexpr std::size_t kMaxRequestPath = 64 * 1024;

// Where the running player listens; empty when there is no safe place (a start then runs on its
// own). Needs no application object.
std::string SocketPath();

enum class HandOverResult {
    Delivered,  // the running player took the request
    NoPlayer,   // nobody listens (no socket, or one left over): this start becomes the player
    NoAnswer,   // a player listens but did not take the request within the time allowed
};

// Sends one request to the player listening at `socketPath` and waits up to `timeoutMs` for its
// answer. Needs no application object (it runs before the display is opened).
HandOverResult HandOver(const std::string& socketPath, const std::string& file, int timeoutMs);

// The lock held while a start decides whether it is the player. Waits up to `timeoutMs` for a
// start that holds it; a lock of a process that no longer exists is taken over. Not being able
// to lock is no reason to refuse to start: Locked() then says false and the start goes on.
class CStartLock {
public:
    CStartLock(const std::string& socketPath, int timeoutMs);
    bool Locked() const { return m_pLock && m_pLock->isLocked(); }
    void Unlock();

private:
    std::unique_ptr<QLockFile> m_pLock;
};

}  // namespace instance

// The running player's end of the socket. Each complete request is answered and then reported
// through Requested() on the thread of the application object; a malformed request, one that
// is too long or one that stays incomplete for 10 s is dropped without an answer.
class CInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit CInstanceServer(QObject* parent = nullptr);
    ~CInstanceServer() override;

    // Listens at `socketPath`, removing a socket file that nobody answers on first. False when it
    // cannot (the player then runs on its own). The socket file goes with the server.
    bool Listen(const std::string& socketPath);
    bool IsListening() const { return m_server.isListening(); }

signals:
    // `path` is absolute and in the bytes the sender gave; empty: come to the front only.
    void Requested(const std::string& path);

private:
    void OnNewConnection();

    QLocalServer m_server;
};
