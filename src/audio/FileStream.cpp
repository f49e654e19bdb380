#include "audio/FileStream.h"

namespace audio::detail {

FileStream::FileStream(std::unique_ptr<FileDecoder> decoder, DWORD flags, std::string path)
    : Channel(flags, decoder->SampleRate(), decoder->Channels()),
      m_dwChannelType(decoder->ChannelType()),
      m_dwOriginalResolution(static_cast<DWORD>(decoder->OriginalResolution())),
      m_qwLength(decoder->Length()),
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

void FileStream::WillBeHeard() {
    if (m_pFeed || m_pAhead) return;
    FileDecoder::Twin twin = m_pDecoder->TwinOf();
    m_pFeed = PlaybackFeed::Start(m_pDecoder, std::move(twin));
    // Without a thread to spare the producer decodes, and a jump seeks.
    if (m_pFeed && m_qwJumpTarget != UINT64_MAX) m_pFeed->Aim(m_qwJumpTarget);
}

void FileStream::PrepareJump(std::uint64_t frame) {
    // Kept for when the stream is heard: only then do its jumps matter to the producer.
    m_qwJumpTarget = frame;
    if (m_pFeed) m_pFeed->Aim(frame);
}

bool FileStream::Seek(std::uint64_t frame, bool) {
    if (m_pFeed) return m_pFeed->Seek(frame);
    if (m_pAhead) return m_pAhead->Seek(frame);
    return m_pDecoder->Seek(frame);
}

}  // namespace audio::detail
