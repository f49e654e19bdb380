#include "audio/ProcStream.h"

namespace audio::detail {

int ProcStream::Produce(std::int16_t* dst, int frames, const RenderContext&) {
    const auto frameBytes = static_cast<DWORD>(FrameBytes());
    int done = 0;
    while (done < frames && !m_bProcEnded) {
        const DWORD room = static_cast<DWORD>(frames - done) * frameBytes;
        const DWORD result =
            m_proc(Handle(), dst + static_cast<std::size_t>(done) * Channels(), room, m_user);
        DWORD bytes = result & ~STREAMPROC_END;
        // More than the buffer holds cannot have been written there: an error, not data.
        if (bytes > room) {
            bytes = 0;
            m_bProcEnded = true;
        }
        if (result & STREAMPROC_END) m_bProcEnded = true;
        const int got = static_cast<int>(bytes / frameBytes);
        if (got == 0) break;
        done += got;
    }
    m_qwProduced += static_cast<std::uint64_t>(done);
    MarkEnded(m_bProcEnded);
    return done;
}

}  // namespace audio::detail
