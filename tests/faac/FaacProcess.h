// The real faac program, started with a pipe on its standard input as the player starts it.
#pragma once

#include <sys/resource.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace faactest {

class FaacProcess {
public:
    // Starts the program built beside the player with these arguments (program name excluded).
    explicit FaacProcess(const std::vector<std::string>& args);
    ~FaacProcess();  // closes the input and waits
    FaacProcess(const FaacProcess&) = delete;
    FaacProcess& operator=(const FaacProcess&) = delete;

    // Writes all of bytes in pieces of at most `piece` bytes; false once the program has stopped
    // reading (it exited).
    bool WriteInput(std::string_view bytes, std::size_t piece = 65536);
    void CloseInput();
    // Bytes written to the input that the program has not read yet.
    int UnreadInput() const;
    void Signal(int signal);
    // From now on, files the program writes end at `bytes`, as on a disc that is full there.
    void LimitFileSize(rlim_t bytes);
    // Closes the input, waits for the end; the exit status, or 128 + the signal that killed it.
    int Wait();
    // Waits for the end with the input left open; empty if the program still runs after
    // `limit` (a guard against a hung test, not a measure of speed).
    std::optional<int> WaitWithInputOpen(std::chrono::seconds limit);

    std::string StandardOutput() const;
    std::string StandardError() const;

private:
    int pid_ = -1;
    int input_ = -1;
    int output_ = -1;  // memory files that stand in for stdout and stderr
    int error_ = -1;
    int status_ = -1;
};

struct FaacResult {
    int exitCode;
    std::string standardOutput;
    std::string standardError;
};

// Runs the program to its end with `input` on its standard input.
FaacResult RunFaac(const std::vector<std::string>& args, std::string_view input = {});

}  // namespace faactest
