// What a channel reads its samples from while its syncs are watched, and where the audio being
// read will be heard.
#pragma once

#include <cstdint>

namespace audio::detail {

// Where the audio being produced will be heard: non-mix-time syncs are delivered once the
// output reaches `outputFrame` (0 when nobody listens: a decoding channel read by the caller).
struct RenderContext {
    std::uint64_t outputFrame = 0;
    double outputFramesPerFrame = 0;  // device frames per channel frame (0: not playing)
};

// Samples a channel reads while its syncs are watched: the file decoder of a file stream, the
// source channel of a tempo stream.
class FrameSource {
public:
    virtual ~FrameSource() = default;
    virtual int Read(std::int16_t* dst, int frames, const RenderContext& ctx) = 0;
    // The samples Read gave, starting at source frame `start`, in their final form (a loop join
    // blended in): where a tempo stream hands them to its stretcher.
    virtual void Take(std::uint64_t /*start*/, const std::int16_t* /*samples*/, int /*frames*/) {}
    virtual std::uint64_t Position() = 0;
    virtual bool AtEnd() = 0;
};

}  // namespace audio::detail
