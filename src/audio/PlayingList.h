// The voices the mixing thread mixes, handed over from the API side without a lock. The API side
// publishes a new immutable list; the mixing thread announces the list it reads while it reads
// it. An old list is freed only once the mixing thread has been seen past it, never on a timeout:
// a mixing thread held up for long (a debugger, a storm of swapping, a refused real-time
// priority) keeps reading valid memory. A list owns its channels, so their voices live as long.
#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <vector>

#include "audio/Channel.h"
#include "audio/Voice.h"

namespace audio::detail {

class PlayingList {
public:
    struct List {
        std::vector<Voice*> voices;
        std::vector<ChannelPtr> owners;
    };

    PlayingList();
    ~PlayingList();
    PlayingList(const PlayingList&) = delete;
    PlayingList& operator=(const PlayingList&) = delete;

    // Mixing thread: the current list, announced until Release.
    const List* Acquire();
    void Release() { m_pInUse.store(nullptr); }

    // API side, one caller at a time: makes `playing` the list and waits up to `patience` for
    // the mixing thread to let go of the one before (callers expect a channel taken out to be
    // out of the mix once this returns). An old list still read then is retired, and freed by a
    // later publish.
    void Publish(const std::vector<ChannelPtr>& playing, std::chrono::milliseconds patience);
    // Old lists not yet freed.
    std::size_t Retired() const { return m_retired.size(); }

private:
    void Reclaim();

    std::atomic<const List*> m_pList;
    std::atomic<const List*> m_pInUse{nullptr};
    std::vector<std::unique_ptr<const List>> m_retired;
};

}  // namespace audio::detail
