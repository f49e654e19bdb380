#include "audio/PacketIndexCache.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <list>
#include <mutex>
#include <utility>

namespace audio::detail {

namespace {

// An hour of MP3 takes about 5 MB of index; a few songs cover the reopenings that happen.
constexpr std::size_t kKeptIndexes = 4;
// Filesystems stamp modifications with a clock of a few milliseconds' grain, or seconds' on some.
constexpr std::int64_t kSettledSeconds = 2;

std::mutex g_mutex;
// Most recently used first.
std::list<std::pair<IndexedFile, std::shared_ptr<const PacketIndex>>> g_kept;

}  // namespace

bool IndexedFile::Identify(const std::string& file, int filter) {
    struct stat info {};
    if (stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    path = file;
    how = filter;
    device = info.st_dev;
    inode = info.st_ino;
    size = info.st_size;
    modifiedSeconds = info.st_mtim.tv_sec;
    modifiedNanoseconds = info.st_mtim.tv_nsec;
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    settled = now.tv_sec - modifiedSeconds >= kSettledSeconds;
    return true;
}

std::shared_ptr<const PacketIndex> FindPacketIndex(const IndexedFile& file) {
    const std::lock_guard lock(g_mutex);
    const auto it = std::find_if(g_kept.begin(), g_kept.end(),
                                 [&](const auto& kept) { return kept.first == file; });
    if (it == g_kept.end()) return nullptr;
    g_kept.splice(g_kept.begin(), g_kept, it);
    return it->second;
}

void KeepPacketIndex(const IndexedFile& file, std::shared_ptr<const PacketIndex> index) {
    if (!index || !file.settled) return;
    // The list's nodes are made and dropped outside the lock: an index's memory is large.
    std::list<std::pair<IndexedFile, std::shared_ptr<const PacketIndex>>> node;
    node.emplace_back(file, std::move(index));
    std::list<std::pair<IndexedFile, std::shared_ptr<const PacketIndex>>> dropped;
    {
        const std::lock_guard lock(g_mutex);
        // One index per name and opening: an older version of the file, or the same file
        // indexed by two openings at once, goes.
        for (auto it = g_kept.begin(); it != g_kept.end();) {
            const auto next = std::next(it);
            if (it->first.path == file.path && it->first.how == file.how)
                dropped.splice(dropped.begin(), g_kept, it);
            it = next;
        }
        g_kept.splice(g_kept.begin(), node);
        while (g_kept.size() > kKeptIndexes)
            dropped.splice(dropped.begin(), g_kept, --g_kept.end());
    }
}

}  // namespace audio::detail
