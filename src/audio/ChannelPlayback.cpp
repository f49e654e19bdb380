#include "audio/ChannelPlayback.h"

#include "audio/Voice.h"

namespace audio::detail {

ChannelPlayback::ChannelPlayback(int sampleRate) : m_nSampleRate(sampleRate) {}

ChannelPlayback::~ChannelPlayback() = default;

void ChannelPlayback::SetVolume(int v) {
    m_nVolume = v;
    if (m_pVoice) m_pVoice->volume.store(v);
}

void ChannelPlayback::SetPan(int p) {
    m_nPan = p;
    if (m_pVoice) m_pVoice->pan.store(p);
}

void ChannelPlayback::PrepareVoice() {
    if (!m_pVoice) m_pVoice = std::make_unique<Voice>();
    m_pVoice->starts.fetch_add(1);
    m_pVoice->volume.store(m_nVolume);
    m_pVoice->pan.store(m_nPan);
}

void ChannelPlayback::CollectPlayed() {
    if (!m_pVoice) return;
    PlayedSegment played;
    while (m_pVoice->PopPlayed(played))
        if (played.generation >= m_historyGeneration) m_history.Add(played.segment);
}

PlaybackHistory& ChannelPlayback::History() {
    CollectPlayed();
    return m_history;
}

void ChannelPlayback::ResetHistory(std::uint64_t position) {
    m_history.Clear();
    m_historyBase = position;
    m_historyGeneration = m_pVoice ? m_pVoice->generation : 0;
}

std::uint64_t ChannelPlayback::HeardPosition(std::uint64_t heardFrame) {
    CollectPlayed();
    std::uint64_t position;
    return m_history.PositionAt(heardFrame, position) ? position : m_historyBase;
}

bool ChannelPlayback::Withdraw(const VoiceBlock*& first) {
    first = nullptr;
    return m_pVoice && m_pVoice->Withdraw(m_state == ACTIVE_PLAYING, first);
}

bool ChannelPlayback::FirstUnmixed(std::uint64_t& frame) const {
    return m_pVoice && m_state == ACTIVE_PLAYING && m_pVoice->FirstUnmixed(frame);
}

}  // namespace audio::detail
