// The queue between a save's rendering thread and its writer: every byte once and in order, and
// a writer that stops early never leaves the renderer waiting.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

#include "export/BlockQueue.h"

namespace {

constexpr std::size_t kBlockBytes = 1000;

// Byte i of the stream.
char Pattern(std::size_t i) {
    return static_cast<char>((i * 7 + i / 251) & 0xff);
}

TEST(BlockQueue, EveryByteArrivesOnceInOrderWhateverTheSizesWrittenAndRead) {
    BlockQueue queue(kBlockBytes, 3);
    constexpr std::size_t kTotal = 250000;
    std::thread producer([&] {
        std::size_t written = 0;
        for (std::size_t k = 0; written < kTotal; ++k) {
            char* block = queue.BeginWrite();
            if (!block) break;  // never: only this side could close it
            // Full, short and empty blocks (an empty one publishes nothing).
            const std::size_t n = std::min<std::size_t>({kTotal - written, (k * 397) % 1001});
            for (std::size_t i = 0; i < n; ++i) block[i] = Pattern(written + i);
            queue.EndWrite(n);
            written += n;
        }
        queue.Finish();
    });
    std::vector<char> got;
    std::vector<char> buffer(3000);
    for (std::size_t k = 0;; ++k) {
        const std::size_t want = 1 + (k * 613) % buffer.size();
        const std::size_t n = queue.Read(buffer.data(), want);
        ASSERT_LE(n, want);
        if (n == 0) break;
        got.insert(got.end(), buffer.begin(), buffer.begin() + static_cast<long>(n));
    }
    producer.join();
    ASSERT_EQ(got.size(), kTotal);
    for (std::size_t i = 0; i < kTotal; ++i) ASSERT_EQ(got[i], Pattern(i)) << "byte " << i;
    // Finished and drained: nothing more, at once.
    EXPECT_EQ(queue.Read(buffer.data(), buffer.size()), 0u);
    EXPECT_FALSE(queue.WouldWait());
}

TEST(BlockQueue, ClosingReleasesAProducerWaitingForRoomAndDropsWhatFollows) {
    BlockQueue queue(kBlockBytes, 2);
    std::atomic<int> blocks{0};
    std::thread producer([&] {
        while (char* block = queue.BeginWrite()) {
            block[0] = static_cast<char>(blocks.load());
            queue.EndWrite(1);
            ++blocks;
        }
    });
    char byte = 0;
    ASSERT_EQ(queue.Read(&byte, 1), 1u);
    EXPECT_EQ(byte, 0);
    // The first block read, two more fill the ring: the producer then waits for room.
    while (blocks < 3) std::this_thread::yield();
    queue.Close();
    producer.join();
    EXPECT_EQ(blocks, 3);
    // After a close the producer gets no block and the reader never waits.
    EXPECT_FALSE(queue.WouldWait());
    EXPECT_EQ(queue.BeginWrite(), nullptr);
}

TEST(BlockQueue, AReaderWaitsForTheFirstBlockAndAFinishWithoutBlocksEndsIt) {
    BlockQueue queue(kBlockBytes, 4);
    EXPECT_TRUE(queue.WouldWait());
    std::thread producer([&] {
        char* block = queue.BeginWrite();
        block[0] = 'a';
        block[1] = 'b';
        queue.EndWrite(2);
        queue.Finish();
    });
    char buffer[8] = {};
    const std::size_t n = queue.Read(buffer, sizeof buffer);
    producer.join();
    ASSERT_EQ(n, 2u);
    EXPECT_EQ(buffer[0], 'a');
    EXPECT_EQ(buffer[1], 'b');
    EXPECT_EQ(queue.Read(buffer, sizeof buffer), 0u);
}

}  // namespace
