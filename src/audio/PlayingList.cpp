#include "audio/PlayingList.h"

#include <thread>

namespace audio::detail {

PlayingList::PlayingList() : m_pList(new List) {}

PlayingList::~PlayingList() {
    delete m_pList.load();
}

const PlayingList::List* PlayingList::Acquire() {
    // Announce the list before using it, and make sure it was still current when announced:
    // Reclaim frees a list only once it has seen it unannounced after replacing it.
    const List* list = m_pList.load();
    for (;;) {
        m_pInUse.store(list);
        const List* now = m_pList.load();
        if (now == list) return list;
        list = now;
    }
}

void PlayingList::Publish(const std::vector<ChannelPtr>& playing,
                          std::chrono::milliseconds patience) {
    auto list = std::make_unique<List>();
    list->voices.reserve(playing.size());
    for (const ChannelPtr& channel : playing)
        list->voices.push_back(channel->Playback().MixerVoice().get());
    list->owners = playing;
    m_retired.emplace_back(m_pList.exchange(list.release()));
    const auto until = std::chrono::steady_clock::now() + patience;
    while (m_pInUse.load() == m_retired.back().get() && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    Reclaim();
}

void PlayingList::Reclaim() {
    // A list replaced before this look and not announced now is never read again.
    const List* const inUse = m_pInUse.load();
    std::erase_if(m_retired, [&](const auto& retired) { return retired.get() != inUse; });
}

}  // namespace audio::detail
