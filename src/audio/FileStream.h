// A stream over a decoded file.
#pragma once

#include <memory>
#include <string>

#include "audio/Channel.h"
#include "audio/DecodeAhead.h"
#include "audio/FileDecoder.h"
#include "audio/PlaybackFeed.h"

namespace audio::detail {

class FileStream final : public Channel {
public:
    FileStream(std::unique_ptr<FileDecoder> decoder, DWORD flags, std::string path);

    DWORD ChannelType() const override { return m_dwChannelType; }
    DWORD OriginalResolution() const override { return m_dwOriginalResolution; }
    const char* FileName() const override { return m_strPath.c_str(); }
    std::uint64_t LengthFrames() override { return m_qwLength; }
    std::uint64_t ReadPosition() override {
        if (m_pFeed) return m_pFeed->Position();
        return m_pAhead ? m_pAhead->Position() : m_pDecoder->Position();
    }

    void PrepareJump(std::uint64_t frame) override;
    void WillBeHeard() override;

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool seamless) override;

private:
    class DecoderSource final : public FrameSource {
    public:
        explicit DecoderSource(FileStream& stream) : m_stream(stream) {}
        int Read(std::int16_t* dst, int frames, const RenderContext&) override {
            if (m_stream.m_pFeed) return m_stream.m_pFeed->Read(dst, frames);
            return m_stream.m_pAhead ? m_stream.m_pAhead->Read(dst, frames)
                                     : m_stream.m_pDecoder->Read(dst, frames);
        }
        std::uint64_t Position() override { return m_stream.ReadPosition(); }
        bool AtEnd() override { return Position() >= m_stream.LengthFrames(); }

    private:
        FileStream& m_stream;
    };

    const DWORD m_dwChannelType;
    const DWORD m_dwOriginalResolution;
    const std::uint64_t m_qwLength;
    std::unique_ptr<FileDecoder> m_pDecoder;  // null once the feed has it
    std::unique_ptr<DecodeAhead> m_pAhead;    // STREAM_READAHEAD; goes before the decoder it reads
    std::unique_ptr<PlaybackFeed> m_pFeed;    // once heard: decodes on a thread of its own
    std::uint64_t m_qwJumpTarget = UINT64_MAX;
    DecoderSource m_source;
    std::string m_strPath;
};

}  // namespace audio::detail
