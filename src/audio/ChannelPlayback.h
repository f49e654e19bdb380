// A playable channel's playback and its hand-off to the mixer: the state, volume, pan and rate
// the API sets, the voice through which the producer queues blocks and the mixer reports what it
// played, and the history of what was heard, from which positions and levels are read. Used
// under the channel's lock.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/Audio.h"
#include "audio/PlaybackHistory.h"

namespace audio::detail {

struct Voice;
struct VoiceBlock;

class ChannelPlayback {
public:
    explicit ChannelPlayback(int sampleRate);
    ~ChannelPlayback();

    DWORD State() const { return m_state; }
    void SetState(DWORD state) { m_state = state; }
    int Volume() const { return m_nVolume; }
    int Pan() const { return m_nPan; }
    int PlaybackRate() const { return m_nPlaybackRate > 0 ? m_nPlaybackRate : m_nSampleRate; }
    void SetVolume(int v);
    void SetPan(int p);
    void SetPlaybackRate(int r) { m_nPlaybackRate = r; }

    // The latest position set from inside a mix-time sync: the frame it left and the one it
    // landed on (equal while there was none). Played segments carry it through loop jumps.
    void RecordJump(std::uint64_t from, std::uint64_t to) {
        m_jumpFrom = from;
        m_jumpTo = to;
    }
    std::uint64_t LastJumpFrom() const { return m_jumpFrom; }
    std::uint64_t LastJumpTo() const { return m_jumpTo; }

    // Made by ChannelPlay (never on the mixing thread), kept until the channel goes.
    std::unique_ptr<Voice>& MixerVoice() { return m_pVoice; }
    // Makes the voice for playing, with the volume and pan, and counts the start.
    void PrepareVoice();
    // Takes in the segments the mixer reported as played.
    void CollectPlayed();
    // What has been played so far (the segments the mixer reported are taken in first).
    PlaybackHistory& History();
    // Playback restarts at `position`: what the voice reported before is stale.
    void ResetHistory(std::uint64_t position);
    // The position heard at output frame `heardFrame`: where playback restarted until anything
    // since has been heard.
    std::uint64_t HeardPosition(std::uint64_t heardFrame);
    // Takes back the blocks queued that the mixer has not taken (all but the next one while
    // playing); true with the first of them when there was one.
    bool Withdraw(const VoiceBlock*& first);
    // While playing: the first source frame queued after the block the mixer takes next.
    bool FirstUnmixed(std::uint64_t& frame) const;

private:
    int m_nSampleRate;
    DWORD m_state = ACTIVE_STOPPED;
    int m_nVolume = 100;
    int m_nPan = 0;
    int m_nPlaybackRate = 0;  // 0: the channel's own rate
    std::uint64_t m_jumpFrom = 0, m_jumpTo = 0;
    PlaybackHistory m_history;
    std::uint64_t m_historyGeneration = 0;  // segments of voice generations before it are stale
    std::uint64_t m_historyBase = 0;        // position until anything rendered is heard
    std::unique_ptr<Voice> m_pVoice;
};

}  // namespace audio::detail
