// Blocks of rendered PCM on their way from the thread that renders them to the thread that writes
// them. A fixed ring: the renderer runs ahead by at most its capacity, and nothing is allocated
// while the two run.
//
// One producer and one consumer. The producer fills the block BeginWrite gives and publishes it
// with EndWrite, then Finish when it has no more; the consumer Reads, and may Close to stop the
// producer early (a writer that failed). A side that had to wait is woken once the other has
// made some way (a quarter of the ring filled, half of it freed), not for every block: each
// wake-up is a trip through the scheduler.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <vector>

class BlockQueue {
public:
    BlockQueue(std::size_t blockBytes, std::size_t capacity);

    // The block to fill next (blockBytes long), waiting while every block is full; nullptr once
    // the consumer closed the queue. Nothing is published until EndWrite.
    char* BeginWrite();
    // Publishes the block BeginWrite gave, `bytes` of it (at most blockBytes).
    void EndWrite(std::size_t bytes);
    // No block will follow: Read returns 0 once the published ones are read.
    void Finish();

    // Copies up to `length` bytes of what comes next into `dst`, waiting for a block; 0 once the
    // queue is finished (or closed) and every published byte was read.
    std::size_t Read(char* dst, std::size_t length);
    // The producer stops: BeginWrite returns nullptr from now on.
    void Close();

    // True when a Read would wait (nothing published, not finished).
    bool WouldWait();

private:
    struct Block {
        std::vector<char> bytes;
        std::size_t size = 0;
    };
    std::mutex m_mutex;
    std::condition_variable m_published;  // a block, or the end, for the consumer
    std::condition_variable m_freed;      // room, or the close, for the producer
    std::vector<Block> m_ring;
    std::size_t m_head = 0;      // next block read
    std::size_t m_count = 0;     // published blocks not fully read
    std::size_t m_readAt = 0;    // bytes of the head block already read
    std::size_t m_wakeReaderAt;  // blocks published before a waiting reader is woken
    bool m_bReaderWaits = false;
    bool m_bWriterWaits = false;
    bool m_bFinished = false;
    bool m_bClosed = false;
};
