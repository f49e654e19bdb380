#include "audio/PacketIndexCache.h"

#include <sys/stat.h>
#include <time.h>

#include <algorithm>

namespace audio::detail {

namespace {

// An hour of MP3 takes about 5 MB of index; a few songs cover the reopenings that happen.
constexpr std::size_t kKeptIndexes = 4;
// Filesystems stamp modifications with a clock of a few milliseconds' grain, or seconds' on some.
constexpr std::int64_t kSettledSeconds = 2;

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

std::shared_ptr<const PacketIndex> PacketIndexCache::Find(const IndexedFile& file) {
    const std::lock_guard lock(m_mutex);
    const auto it = std::find_if(m_kept.begin(), m_kept.end(),
                                 [&](const auto& kept) { return kept.first == file; });
    if (it == m_kept.end()) return nullptr;
    m_kept.splice(m_kept.begin(), m_kept, it);
    return it->second;
}

void PacketIndexCache::Keep(const IndexedFile& file, std::shared_ptr<const PacketIndex> index) {
    if (!index || !file.settled) return;
    // The list's nodes are made and dropped outside the lock: an index's memory is large.
    Kept node;
    node.emplace_back(file, std::move(index));
    Kept dropped;
    {
        const std::lock_guard lock(m_mutex);
        // One index per name and opening: an older version of the file, or the same file
        // indexed by two openings at once, goes.
        for (auto it = m_kept.begin(); it != m_kept.end();) {
            const auto next = std::next(it);
            if (it->first.path == file.path && it->first.how == file.how)
                dropped.splice(dropped.begin(), m_kept, it);
            it = next;
        }
        m_kept.splice(m_kept.begin(), node);
        while (m_kept.size() > kKeptIndexes)
            dropped.splice(dropped.begin(), m_kept, --m_kept.end());
    }
}

}  // namespace audio::detail
