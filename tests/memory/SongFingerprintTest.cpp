// A song is known by its content: renamed, moved or copied it is the same song; another file of
// the same size is not.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <random>

#include "memory/SongFingerprint.h"
#include "support/Files.h"

namespace {

namespace fs = std::filesystem;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

TEST(SongFingerprintTest, FollowsTheContentNotThePath) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string song = root + "/song.mp3";
    const std::string content = RandomBytes(300 * 1024, 1);
    testenv::WriteFile(song, content);
    const std::optional<std::string> original = memory::SongFingerprint(song);
    ASSERT_TRUE(original);

    fs::create_directory(root + "/elsewhere");
    fs::copy_file(song, root + "/copy.mp3");
    fs::rename(song, root + "/elsewhere/renamed.mp3");
    // The same size, the same first and last 64 KiB but for one byte at the very end.
    std::string tailChanged = content;
    tailChanged.back() = static_cast<char>(~tailChanged.back());
    testenv::WriteFile(root + "/tail.mp3", tailChanged);
    testenv::WriteFile(root + "/other.mp3", RandomBytes(content.size(), 2));
    testenv::WriteFile(root + "/short.mp3", content.substr(0, 1000));
    testenv::WriteFile(root + "/longer.mp3", content + "x");

    const struct {
        const char* name;
        bool same;
    } cases[] = {
        {"elsewhere/renamed.mp3", true}, {"copy.mp3", true},    {"tail.mp3", false},
        {"other.mp3", false},            {"short.mp3", false},  {"longer.mp3", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::optional<std::string> fingerprint = memory::SongFingerprint(root + "/" + c.name);
        ASSERT_TRUE(fingerprint);
        EXPECT_EQ(*fingerprint == *original, c.same);
    }
    EXPECT_FALSE(memory::SongFingerprint(song));  // gone
    EXPECT_FALSE(memory::SongFingerprint(root));  // a folder
}

}  // namespace
