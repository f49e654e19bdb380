// The packet indexes of files opened lately, so that opening an unchanged file again (the loop
// editor's peak reader right after the song's load, the reload after a save, the load after the
// open dialog's preview) skips the pass over the whole file that building an index takes.
//
// A file is known by its path together with its device, inode, size and modification time: a
// file written since, or another file under the same name, is indexed anew. A file modified in
// the last seconds is not kept, since a filesystem's clock may give a rewrite within the same tick
// the same time. Indexes are shared read-only between the decoders that use them. Thread-safe;
// nothing here reads a file. The layer keeps one cache for all its openings (AudioSystem).
#pragma once

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace audio::detail {

// One packet of the audio stream as FileDecoder places it on the timeline.
struct PacketIndexEntry {
    std::int64_t pos;           // byte position reported by the demuxer
    std::int64_t pts;           // timestamp reported by the demuxer
    std::int64_t publicStart;   // timeline frame of this packet's first kept sample
    std::int32_t headSkip;      // decoded samples dropped at the packet's start
    std::int32_t keep;          // decoded samples kept after those
    std::uint32_t fingerprint;  // size and a hash of the data: identifies the packet
};

struct PacketIndex {
    std::vector<PacketIndexEntry> entries;
    std::uint64_t length = 0;  // sample frames on the timeline
};

// What identifies one version of a file, and how it was opened.
struct IndexedFile {
    std::string path;
    int how = 0;  // the opening's container filter: each may index a file differently
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    bool settled = false;  // last modified long enough ago to be told from a later version

    // False when the file cannot be looked at; nothing is cached for it then.
    bool Identify(const std::string& file, int filter);
    bool operator==(const IndexedFile&) const = default;
};

// The kept indexes, the latest few.
class PacketIndexCache {
public:
    // The index kept for `file`, or null.
    std::shared_ptr<const PacketIndex> Find(const IndexedFile& file);
    // Keeps `index` for a settled `file` (nothing otherwise), forgetting the least recently used
    // beyond a few.
    void Keep(const IndexedFile& file, std::shared_ptr<const PacketIndex> index);

private:
    using Kept = std::list<std::pair<IndexedFile, std::shared_ptr<const PacketIndex>>>;

    std::mutex m_mutex;
    Kept m_kept;  // most recently used first
};

}  // namespace audio::detail
