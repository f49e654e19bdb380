// The packet indexes kept between openings of a file: a kept index is handed out only for the
// very version of the file it was built from.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <time.h>

#include <fstream>
#include <string>

#include "AudioTestSupport.h"
#include "audio/PacketIndexCache.h"

using namespace audio::detail;

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

IndexedFile Identity(const std::string& path, int how = 0) {
    IndexedFile file;
    EXPECT_TRUE(file.Identify(path, how)) << path;
    return file;
}

std::shared_ptr<const PacketIndex> IndexOfLength(std::uint64_t length) {
    auto index = std::make_shared<PacketIndex>();
    index->entries.push_back({0, 0, 0, 0, static_cast<std::int32_t>(length), 1});
    index->length = length;
    return index;
}

class PacketIndexCacheTest : public ::testing::Test {
protected:
    std::string Song(const std::string& name, const std::string& bytes, int secondsAgo = 3600) {
        const std::string path = m_dir.File(name);
        Write(path, bytes);
        EXPECT_TRUE(audio_test::Age(path, secondsAgo));
        return path;
    }
    audio_test::TempDir m_dir;
    PacketIndexCache m_cache;
};

TEST_F(PacketIndexCacheTest, AKeptIndexServesTheSameFileOpenedTheSameWayOnly) {
    const std::string song = Song("song.mp3", "frames");
    const auto index = IndexOfLength(1152);
    m_cache.Keep(Identity(song), index);

    EXPECT_EQ(m_cache.Find(Identity(song)), index);
    EXPECT_EQ(m_cache.Find(Identity(song, 3)), nullptr) << "another opening's filter";
    // The same bytes under another name, or in another file, are another song.
    const std::string copy = Song("copy.mp3", "frames");
    EXPECT_EQ(m_cache.Find(Identity(copy)), nullptr);
}

TEST_F(PacketIndexCacheTest, AFileWrittenSinceIsNotServedTheOldIndex) {
    const std::string song = Song("song.mp3", "frames");
    m_cache.Keep(Identity(song), IndexOfLength(1152));

    // Same size, written again: only the time of the change tells.
    Write(song, "FRAMES");
    ASSERT_TRUE(audio_test::Age(song, 1800));
    EXPECT_EQ(m_cache.Find(Identity(song)), nullptr);
    // Another size with the old time put back.
    Write(song, "more frames");
    ASSERT_TRUE(audio_test::Age(song, 3600));
    EXPECT_EQ(m_cache.Find(Identity(song)), nullptr);
    // Another file moved in under the name, with the old size and time.
    const std::string other = Song("other.mp3", "frames");
    ASSERT_EQ(std::rename(other.c_str(), song.c_str()), 0);
    ASSERT_TRUE(audio_test::Age(song, 3600));
    EXPECT_EQ(m_cache.Find(Identity(song)), nullptr);
}

TEST_F(PacketIndexCacheTest, AFileChangedMomentsAgoIsNotKept) {
    // A rewrite within the filesystem clock's grain would keep the same time: too fresh to tell.
    const std::string fresh = Song("fresh.mp3", "frames", 0);
    const IndexedFile identity = Identity(fresh);
    EXPECT_FALSE(identity.settled);
    m_cache.Keep(identity, IndexOfLength(1152));
    EXPECT_EQ(m_cache.Find(Identity(fresh)), nullptr);
    EXPECT_FALSE(IndexedFile().Identify(m_dir.File("missing.mp3"), 0));
    EXPECT_FALSE(IndexedFile().Identify(m_dir.File(""), 0)) << "a folder";
}

TEST_F(PacketIndexCacheTest, OnlyTheLatestFewAreKeptAndANewIndexOfANameReplacesItsOld) {
    std::vector<std::string> songs;
    std::vector<std::shared_ptr<const PacketIndex>> indexes;
    for (int i = 0; i < 5; ++i) {
        songs.push_back(Song("song" + std::to_string(i) + ".mp3", "frames"));
        indexes.push_back(IndexOfLength(1000 + i));
        m_cache.Keep(Identity(songs[i]), indexes[i]);
    }
    EXPECT_EQ(m_cache.Find(Identity(songs[0])), nullptr) << "the oldest went";
    for (int i = 1; i < 5; ++i) EXPECT_EQ(m_cache.Find(Identity(songs[i])), indexes[i]);

    // A lookup makes an index the latest: song1, the oldest, is looked up again and stays while
    // song2 goes.
    ASSERT_EQ(m_cache.Find(Identity(songs[1])), indexes[1]);
    m_cache.Keep(Identity(songs[0]), indexes[0]);
    EXPECT_EQ(m_cache.Find(Identity(songs[2])), nullptr);
    EXPECT_EQ(m_cache.Find(Identity(songs[1])), indexes[1]);

    // Written again and indexed anew: the new index is kept in the old one's place.
    Write(songs[1], "other frames");
    ASSERT_TRUE(audio_test::Age(songs[1], 1800));
    const auto renewed = IndexOfLength(2000);
    m_cache.Keep(Identity(songs[1]), renewed);
    EXPECT_EQ(m_cache.Find(Identity(songs[1])), renewed);
    EXPECT_EQ(m_cache.Find(Identity(songs[0])), indexes[0]);
    EXPECT_EQ(m_cache.Find(Identity(songs[3])), indexes[3]);
    EXPECT_EQ(m_cache.Find(Identity(songs[4])), indexes[4]);
}

}  // namespace
