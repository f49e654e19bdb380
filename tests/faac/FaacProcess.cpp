#include "faac/FaacProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

namespace faactest {
namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    off_t at = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, at);
        if (got <= 0) return text;
        text.append(buffer, static_cast<std::size_t>(got));
        at += got;
    }
}

}  // namespace

FaacProcess::FaacProcess(const std::vector<std::string>& args) {
    // A program that stops reading must show up as a failed write, not end the test.
    ::signal(SIGPIPE, SIG_IGN);
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    input_ = pipeEnds[1];
    output_ = ::memfd_create("faac-stdout", MFD_CLOEXEC);
    error_ = ::memfd_create("faac-stderr", MFD_CLOEXEC);

    std::vector<std::string> argvText{FAAC_PATH};
    argvText.insert(argvText.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argvText) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, output_, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, error_, STDERR_FILENO);
    // The child starts with default signal handling, whatever this test process has set.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t all;
    sigfillset(&all);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    const int result = ::posix_spawn(&pid_, FAAC_PATH, &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(pipeEnds[0]);
    if (result != 0) throw std::runtime_error("cannot start " FAAC_PATH);
}

FaacProcess::~FaacProcess() {
    Wait();
    ::close(output_);
    ::close(error_);
}

bool FaacProcess::WriteInput(std::string_view bytes, std::size_t piece) {
    while (!bytes.empty()) {
        const ssize_t wrote = ::write(input_, bytes.data(), std::min(piece, bytes.size()));
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

void FaacProcess::CloseInput() {
    if (input_ >= 0) ::close(input_);
    input_ = -1;
}

int FaacProcess::UnreadInput() const {
    int unread = 0;
    return input_ >= 0 && ::ioctl(input_, FIONREAD, &unread) == 0 ? unread : 0;
}

void FaacProcess::Signal(int signal) {
    ::kill(pid_, signal);
}

void FaacProcess::LimitFileSize(rlim_t bytes) {
    const rlimit limit{bytes, bytes};
    if (::prlimit(pid_, RLIMIT_FSIZE, &limit, nullptr) != 0)
        throw std::runtime_error("cannot limit the file size of faac");
}

int FaacProcess::Wait() {
    CloseInput();
    if (pid_ > 0) {
        int status = 0;
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        pid_ = -1;
    }
    return status_;
}

std::optional<int> FaacProcess::WaitWithInputOpen(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (pid_ > 0) {
        int status = 0;
        const pid_t done = ::waitpid(pid_, &status, WNOHANG);
        if (done == pid_) {
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            pid_ = -1;
        } else if (std::chrono::steady_clock::now() > end) {
            return std::nullopt;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return status_;
}

std::string FaacProcess::StandardOutput() const {
    return ReadAll(output_);
}

std::string FaacProcess::StandardError() const {
    return ReadAll(error_);
}

FaacResult RunFaac(const std::vector<std::string>& args, std::string_view input) {
    FaacProcess process(args);
    process.WriteInput(input);
    const int code = process.Wait();
    return {code, process.StandardOutput(), process.StandardError()};
}

}  // namespace faactest
