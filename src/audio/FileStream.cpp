#include "audio/FileStream.h"

namespace audio::detail {

FileStream::FileStream(std::unique_ptr<FileDecoder> decoder, DWORD flags, std::string path)
    : Channel(flags, decoder->SampleRate(), decoder->Channels()),
      m_pDecoder(std::move(decoder)),
      m_pAhead((flags & STREAM_DECODE) && (flags & STREAM_READAHEAD)
                   ? std::make_unique<DecodeAhead>(*m_pDecoder)
                   : nullptr),
      m_source(*this),
      m_strPath(std::move(path)) {}

int FileStream::Produce(std::int16_t* dst, int frames, const RenderContext& ctx) {
    const int n = ReadThroughSyncs(dst, frames, m_source, ctx);
    MarkEnded(m_source.AtEnd());
    return n;
}

bool FileStream::Seek(std::uint64_t frame, bool) {
    return m_pAhead ? m_pAhead->Seek(frame) : m_pDecoder->Seek(frame);
}

}  // namespace audio::detail
