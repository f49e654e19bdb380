#include "audio/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <mutex>
#include <thread>

extern char** environ;

namespace audio::detail {

namespace {

// A program that exits early closes the pipe; by default the next write would kill the player.
void IgnoreSigpipeOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction current {};
        if (sigaction(SIGPIPE, nullptr, &current) != 0) return;
        const bool defaultAction =
            !(current.sa_flags & SA_SIGINFO) && current.sa_handler == SIG_DFL;
        if (!defaultAction) return;  // the application handles it already
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, nullptr);
    });
}

struct SpawnActions {
    posix_spawn_file_actions_t actions;
    bool ok;
    SpawnActions() { ok = posix_spawn_file_actions_init(&actions) == 0; }
    ~SpawnActions() {
        if (ok) posix_spawn_file_actions_destroy(&actions);
    }
};

struct SpawnAttributes {
    posix_spawnattr_t attr;
    bool ok;
    SpawnAttributes() { ok = posix_spawnattr_init(&attr) == 0; }
    ~SpawnAttributes() {
        if (ok) posix_spawnattr_destroy(&attr);
    }
};

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::string& path,
                                                  const std::vector<std::string>& args,
                                                  std::chrono::milliseconds stallPatience) {
    if (args.empty()) return nullptr;
    IgnoreSigpipeOnce();

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    const int readEnd = fds[0], writeEnd = fds[1];

    SpawnActions actions;
    SpawnAttributes attributes;
    sigset_t defaults, noneBlocked;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigemptyset(&noneBlocked);
    // dup2 onto 0 clears close-on-exec for the child's copy; both originals close on exec.
    bool ready = actions.ok && attributes.ok &&
                 posix_spawn_file_actions_adddup2(&actions.actions, readEnd, STDIN_FILENO) == 0 &&
                 posix_spawnattr_setsigdefault(&attributes.attr, &defaults) == 0 &&
                 posix_spawnattr_setsigmask(&attributes.attr, &noneBlocked) == 0 &&
                 posix_spawnattr_setflags(&attributes.attr,
                                          POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;

    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    // glibc's posix_spawn reports a failed exec (missing, not executable, not a program) as its
    // result, and reaps such a child itself.
    if (ready && posix_spawn(&pid, path.c_str(), &actions.actions, &attributes.attr, argv.data(),
                             environ) != 0)
        ready = false;
    close(readEnd);
    if (!ready) {
        close(writeEnd);
        return nullptr;
    }
    // Only our end waits with a limit; the program's end stays blocking, as programs expect.
    fcntl(writeEnd, F_SETFL, fcntl(writeEnd, F_GETFL) | O_NONBLOCK);
    return std::unique_ptr<ChildProcess>(new ChildProcess(pid, writeEnd, stallPatience));
}

ChildProcess::~ChildProcess() {
    if (!m_bReaped) Finish(std::chrono::seconds(30));
}

bool ChildProcess::Write(const void* data, std::size_t bytes) {
    if (m_bBroken || m_input < 0) return false;
    const auto* p = static_cast<const char*>(data);
    auto deadline = std::chrono::steady_clock::now() + m_stallPatience;
    while (bytes > 0) {
        const ssize_t n = write(m_input, p, bytes);
        if (n > 0) {
            p += n;
            bytes -= static_cast<std::size_t>(n);
            deadline = std::chrono::steady_clock::now() + m_stallPatience;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            // The pipe is full: wait for the program to take some, up to the patience.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() > 0) {
                pollfd fd{m_input, POLLOUT, 0};
                const int ready =
                    poll(&fd, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
                if (ready >= 0 || errno == EINTR) continue;
            }
        }
        m_bBroken = true;  // EPIPE: nobody reads any more; a stall or anything else is as final
        return false;
    }
    return true;
}

bool ChildProcess::Running() {
    if (m_bReaped) return false;
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == m_pid) {
        Reaped(status);
    } else if (r < 0 && errno == ECHILD) {
        // Someone else reaped it (SIGCHLD ignored by the application).
        m_bReaped = true;
    }
    return !m_bReaped;
}

bool ChildProcess::Finish(std::chrono::milliseconds patience) {
    CloseInput();
    const auto deadline = std::chrono::steady_clock::now() + patience;
    auto pause = std::chrono::milliseconds(1);
    while (Running()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(m_pid, SIGKILL);
            int status = 0;
            pid_t r;
            do r = waitpid(m_pid, &status, 0);
            while (r < 0 && errno == EINTR);
            m_bReaped = true;
            m_bExitedCleanly = false;
            break;
        }
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, std::chrono::milliseconds(20));
    }
    return m_bExitedCleanly && !m_bBroken;
}

void ChildProcess::CloseInput() {
    if (m_input >= 0) {
        close(m_input);
        m_input = -1;
    }
}

void ChildProcess::Reaped(int status) {
    m_bReaped = true;
    m_bExitedCleanly = WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace audio::detail
