// Where the WAVE stream's bytes come from: standard input (a pipe, read without seeking) or a
// file. A pipe hands over whatever has arrived, so every reader must cope with short reads.
#pragma once

#include <csignal>
#include <cstddef>
#include <span>
#include <stdexcept>

namespace faac {

// The input could not be read (an I/O error, not the end of the input).
class InputError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Reads up to into.size() bytes; returns how many arrived, 0 only at the end of the input.
    // Throws InputError when reading fails.
    virtual std::size_t Read(std::span<std::byte> into) = 0;

    // Reads until `into` is full or the input ends; returns the bytes read.
    std::size_t ReadFully(std::span<std::byte> into);
};

// Reads a file descriptor it does not own. A read interrupted by a signal is retried unless
// *stopRequested has been set (by that signal's handler), in which case the input counts as
// ended, so that an interrupted encoder still finishes its file.
class FileDescriptorSource : public ByteSource {
public:
    explicit FileDescriptorSource(int fd, const volatile std::sig_atomic_t* stopRequested = nullptr)
        : fd_(fd), stopRequested_(stopRequested) {}
    std::size_t Read(std::span<std::byte> into) override;

private:
    int fd_;
    const volatile std::sig_atomic_t* stopRequested_;
};

}  // namespace faac
