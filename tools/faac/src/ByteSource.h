// Where the WAVE stream's bytes come from: standard input (a pipe, read without seeking) or a
// file. A pipe hands over whatever has arrived, so every reader must cope with short reads.
#pragma once

#include <cstddef>
#include <span>
#include <stdexcept>

namespace faac {

class StopSignals;

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

// Reads a file descriptor it does not own. Given StopSignals, the input counts as ended as soon
// as one of them has arrived, also while a read is waiting for a pipe.
class FileDescriptorSource : public ByteSource {
public:
    explicit FileDescriptorSource(int fd, const StopSignals* stop = nullptr)
        : fd_(fd), stop_(stop) {}
    std::size_t Read(std::span<std::byte> into) override;

private:
    int fd_;
    const StopSignals* stop_;
};

}  // namespace faac
