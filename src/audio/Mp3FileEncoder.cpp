#include "audio/Mp3FileEncoder.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "audio/Mp3Formats.h"
#include "audio/WaveHeader.h"

namespace audio::detail {

namespace {

constexpr std::size_t kBlockFrames = 4096;
// LAME's rule for its output buffer: 1.25 bytes per input sample plus 7200.
constexpr std::size_t kLameSlack = 7200;

}  // namespace

std::unique_ptr<Mp3FileEncoder> Mp3FileEncoder::Start(const ACMFORMATCHOICE& format, int sourceRate,
                                                      int sourceChannels, bool wrapInWave,
                                                      const std::string& path, int& error) {
    error = ERROR_CODEC;
    if (!IsMp3Format(format.freq, format.bitrate) || format.chans < 1 || format.chans > 2 ||
        sourceChannels < 1 || sourceChannels > 2 || sourceRate < 1)
        return nullptr;

    std::unique_ptr<Mp3FileEncoder> enc(new Mp3FileEncoder());
    enc->m_pLame.reset(lame_init());
    lame_global_flags* lame = enc->m_pLame.get();
    if (!lame) {
        error = ERROR_MEM;
        return nullptr;
    }
    lame_set_in_samplerate(lame, sourceRate);
    lame_set_out_samplerate(lame, static_cast<int>(format.freq));
    lame_set_num_channels(lame, static_cast<int>(format.chans));
    lame_set_mode(lame, format.chans == 1 ? MONO : JOINT_STEREO);
    lame_set_VBR(lame, vbr_off);
    lame_set_brate(lame, static_cast<int>(format.bitrate / 1000));
    lame_set_bWriteVbrTag(lame, 0);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) return nullptr;

    enc->m_format = format;
    enc->m_nSourceChannels = sourceChannels;
    enc->m_whole = WholeFrames(2 * static_cast<std::size_t>(sourceChannels));
    enc->m_bWave = wrapInWave;
    enc->m_source.resize(kBlockFrames * sourceChannels);
    enc->m_samples.resize(kBlockFrames * format.chans);
    // Upsampling makes more output samples than input: size for the larger side.
    const double ratio = std::max(1.0, double(format.freq) / sourceRate);
    enc->m_mp3.resize(static_cast<std::size_t>(1.25 * kBlockFrames * ratio) + kLameSlack);

    enc->m_pFile.reset(std::fopen(path.c_str(), "wbe"));
    if (!enc->m_pFile) {
        error = ERROR_CREATE;
        return nullptr;
    }
    if (wrapInWave) {
        const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(format);
        const auto header = CompressedWaveHeader(&fmt, sizeof fmt, 0);
        if (!enc->Put(header.data(), header.size())) {
            error = ERROR_CREATE;
            return nullptr;
        }
        enc->m_qwDataBytes = 0;
    }
    error = ERROR_OK;
    return enc;
}

bool Mp3FileEncoder::Put(const void* data, std::size_t bytes) {
    if (bytes == 0) return true;
    if (std::fwrite(data, 1, bytes, m_pFile.get()) != bytes) return false;
    m_qwDataBytes += bytes;
    return true;
}

bool Mp3FileEncoder::DoWrite(const void* data, std::size_t bytes) {
    const std::size_t frameBytes = 2 * static_cast<std::size_t>(m_nSourceChannels);
    return m_whole.Feed(data, bytes, [&](const std::uint8_t* p, std::size_t frames) {
        for (std::size_t done = 0; done < frames;) {
            const std::size_t n = std::min(kBlockFrames, frames - done);
            if (!EncodeFrames(p + done * frameBytes, n)) return false;
            done += n;
        }
        return true;
    });
}

bool Mp3FileEncoder::EncodeFrames(const std::uint8_t* src, std::size_t frames) {
    const std::size_t inCh = static_cast<std::size_t>(m_nSourceChannels);
    const std::size_t outCh = m_format.chans;
    std::memcpy(m_source.data(), src, frames * inCh * 2);
    const std::int16_t* in = m_source.data();
    std::int16_t* out = m_samples.data();
    if (inCh == outCh) {
        std::copy(in, in + frames * inCh, out);
    } else if (outCh == 1) {
        for (std::size_t i = 0; i < frames; ++i)
            out[i] = static_cast<std::int16_t>((in[2 * i] + in[2 * i + 1]) / 2);
    } else {
        for (std::size_t i = 0; i < frames; ++i) out[2 * i] = out[2 * i + 1] = in[i];
    }
    const int n = static_cast<int>(frames);
    const int size = static_cast<int>(m_mp3.size());
    const int got = outCh == 2
                        ? lame_encode_buffer_interleaved(m_pLame.get(), out, n, m_mp3.data(), size)
                        : lame_encode_buffer(m_pLame.get(), out, out, n, m_mp3.data(), size);
    return got >= 0 && Put(m_mp3.data(), static_cast<std::size_t>(got));
}

bool Mp3FileEncoder::DoFinish() {
    // A partial frame left at the end is dropped: it holds no whole sample of every channel.
    const int got = lame_encode_flush(m_pLame.get(), m_mp3.data(), static_cast<int>(m_mp3.size()));
    bool ok = got >= 0 && Put(m_mp3.data(), static_cast<std::size_t>(got));
    if (ok && m_bWave) {
        const std::uint64_t data = m_qwDataBytes;
        const std::uint8_t pad = 0;
        if (data & 1) ok = std::fwrite(&pad, 1, 1, m_pFile.get()) == 1;
        const auto size = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(data, std::numeric_limits<std::uint32_t>::max() - 100));
        const MPEGLAYER3WAVEFORMAT fmt = Mp3WaveFormat(m_format);
        const auto header = CompressedWaveHeader(&fmt, sizeof fmt, size);
        ok = ok && std::fseek(m_pFile.get(), 0, SEEK_SET) == 0 &&
             std::fwrite(header.data(), 1, header.size(), m_pFile.get()) == header.size();
    }
    std::FILE* file = m_pFile.release();
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace audio::detail
