// A decoding stream whose samples a caller's procedure supplies (StreamCreate).
#pragma once

#include "audio/Channel.h"

namespace audio::detail {

class ProcStream final : public Channel {
public:
    ProcStream(int sampleRate, int channels, DWORD flags, STREAMPROC* proc, void* user)
        : Channel(flags, sampleRate, channels), m_proc(proc), m_user(user) {}

    DWORD ChannelType() const override { return CTYPE_STREAM; }
    // Nothing is known beyond what the procedure has given.
    std::uint64_t LengthFrames() override { return m_qwProduced; }
    std::uint64_t ReadPosition() override { return m_qwProduced; }

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool) override { return frame == m_qwProduced; }

private:
    STREAMPROC* m_proc;
    void* m_user;
    std::uint64_t m_qwProduced = 0;
    bool m_bProcEnded = false;
};

}  // namespace audio::detail
