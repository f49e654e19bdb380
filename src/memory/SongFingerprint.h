// A song's identity is its content, not its path: a renamed or moved file keeps its memory, and
// two copies of one file share it.
#pragma once

#include <optional>
#include <string>

namespace memory {

// How much of each end of the file the fingerprint reads.
constexpr long long kFingerprintEdgeBytes = 64 * 1024;

// The file's size and a SHA-256 hash of its first and last 64 KiB, as text; none when the file
// cannot be read. Reads at most 128 KiB whatever the file's length.
std::optional<std::string> SongFingerprint(const std::string& path);

}  // namespace memory
