// A stream over a decoded file.
#pragma once

#include <memory>
#include <string>

#include "audio/Channel.h"
#include "audio/DecodeAhead.h"
#include "audio/FileDecoder.h"
#include "audio/JumpLanding.h"

namespace audio::detail {

class FileStream final : public Channel {
public:
    FileStream(std::unique_ptr<FileDecoder> decoder, DWORD flags, std::string path);

    DWORD ChannelType() const override { return m_pDecoder->ChannelType(); }
    DWORD OriginalResolution() const override {
        return static_cast<DWORD>(m_pDecoder->OriginalResolution());
    }
    const char* FileName() const override { return m_strPath.c_str(); }
    std::uint64_t LengthFrames() override { return m_pDecoder->Length(); }
    std::uint64_t ReadPosition() override {
        return m_pAhead ? m_pAhead->Position() : m_pDecoder->Position();
    }

    void PrepareJump(std::uint64_t frame) override;

protected:
    int Produce(std::int16_t* dst, int frames, const RenderContext& ctx) override;
    bool Seek(std::uint64_t frame, bool seamless) override;

private:
    class DecoderSource final : public FrameSource {
    public:
        explicit DecoderSource(FileStream& stream) : m_stream(stream) {}
        int Read(std::int16_t* dst, int frames, const RenderContext&) override {
            return m_stream.m_pAhead ? m_stream.m_pAhead->Read(dst, frames)
                                     : m_stream.m_pDecoder->Read(dst, frames);
        }
        std::uint64_t Position() override { return m_stream.ReadPosition(); }
        bool AtEnd() override { return Position() >= m_stream.LengthFrames(); }

    private:
        FileStream& m_stream;
    };

    std::unique_ptr<FileDecoder> m_pDecoder;
    std::unique_ptr<DecodeAhead> m_pAhead;  // STREAM_READAHEAD; goes before the decoder it reads
    std::unique_ptr<JumpLanding> m_pLanding;  // made when a jump target is first named
    DecoderSource m_source;
    std::string m_strPath;
};

}  // namespace audio::detail
