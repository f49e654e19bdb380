#include "audio/FileStream.h"

namespace audio::detail {

FileStream::FileStream(std::unique_ptr<FileDecoder> decoder, DWORD flags, std::string path)
    : Channel(flags, decoder->SampleRate(), decoder->Channels()),
      m_pDecoder(std::move(decoder)),
      m_source(*m_pDecoder),
      m_strPath(std::move(path)) {}

int FileStream::Produce(std::int16_t* dst, int frames, const RenderContext& ctx) {
    const int n = ReadThroughSyncs(dst, frames, m_source, ctx);
    MarkEnded(m_source.AtEnd());
    return n;
}

bool FileStream::Seek(std::uint64_t frame, bool) {
    return m_pDecoder->Seek(frame);
}

}  // namespace audio::detail
