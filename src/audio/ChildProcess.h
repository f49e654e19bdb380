// A program started without a shell whose standard input is a pipe we write to; its standard
// output and error are the player's own. The process is always reaped: by Finish, or at the
// latest by the destructor, so no zombie stays behind.
//
// Writing never raises SIGPIPE in the player: the signal is ignored process-wide (unless the
// application installed a handler of its own) and a program that has gone away shows up as a
// failed Write. The program itself starts with SIGPIPE at its default and no signal blocked.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace audio::detail {

class ChildProcess {
public:
    // Starts `path` with `args` (args[0] is the name the program sees). Null when it cannot be
    // started (not found, not executable, not a program, out of resources). A program that
    // takes nothing from its input for `stallPatience` counts as gone (see Write).
    static std::unique_ptr<ChildProcess> Start(
        const std::string& path, const std::vector<std::string>& args,
        std::chrono::milliseconds stallPatience = std::chrono::seconds(30));
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Writes every byte (short writes and interruptions are resumed). False once the program has
    // stopped reading for good (it exited, closed its input, or took nothing for the stall
    // patience: a hung program must not hang the player); every later call fails too.
    bool Write(const void* data, std::size_t bytes);

    // True until the program has exited (checked without waiting).
    bool Running();

    // Closes the program's input and waits for it to exit; after `patience` it is killed. True
    // when it exited by itself with status 0.
    bool Finish(std::chrono::milliseconds patience);

    pid_t Pid() const { return m_pid; }

private:
    ChildProcess(pid_t pid, int input, std::chrono::milliseconds stallPatience)
        : m_pid(pid), m_input(input), m_stallPatience(stallPatience) {}
    void CloseInput();
    // Records the exit status once waitpid has reported it.
    void Reaped(int status);

    pid_t m_pid;
    int m_input;  // write end of the program's standard input (non-blocking); -1 once closed
    std::chrono::milliseconds m_stallPatience;
    bool m_bReaped = false;
    bool m_bBroken = false;  // a write failed: the program no longer reads
    bool m_bExitedCleanly = false;
};

}  // namespace audio::detail
