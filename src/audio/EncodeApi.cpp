// Public operations of the encoding family: external-program and MP3 encoders on channels, and
// the MP3 format chooser.
#include <algorithm>
#include <cstring>
#include <mutex>

#include "audio/ApiSupport.h"
#include "audio/Audio.h"
#include "audio/EncoderRegistry.h"
#include "audio/Mp3FileEncoder.h"
#include "audio/Mp3Formats.h"
#include "audio/ProcessEncoder.h"

namespace audio {

using namespace detail;

namespace {

struct SourceFormat {
    ChannelPtr channel;
    int rate = 0;
    int channels = 0;
};

// The channel behind `handle` and its PCM format; an empty channel with ERROR_HANDLE otherwise.
SourceFormat SourceOf(DWORD handle) {
    SourceFormat f;
    LockedChannel c = LockChannel(handle);
    if (!c) return f;
    f.channel = c.channel;
    f.rate = c->SampleRate();
    f.channels = c->Channels();
    return f;
}

// Attaches a started encoder to its channel, unless the channel was freed meanwhile.
HENCODE Attach(const SourceFormat& source, std::shared_ptr<Encoder> encoder, DWORD flags) {
    LockedChannel c = LockChannel(source.channel->Handle());
    if (!c || c.channel != source.channel) {
        encoder->Finish();
        return Fail(ERROR_HANDLE, HENCODE{0});
    }
    return Succeed(EncoderRegistry::Get().Add(c.channel, std::move(encoder), flags));
}

struct Chooser {
    std::mutex mutex;
    ACMCHOOSERPROC* proc = nullptr;
    void* user = nullptr;
};

Chooser& TheChooser() {
    static Chooser chooser;
    return chooser;
}

}  // namespace

HENCODE Encode_Start(DWORD handle, const char* cmdline, DWORD flags, ENCODEPROC* proc,
                     void* /*user*/) {
    const SourceFormat source = SourceOf(handle);
    if (!source.channel) return 0;
    if (proc || !cmdline) return Fail(ERROR_ILLPARAM, HENCODE{0});
    int error = ERROR_OK;
    std::shared_ptr<Encoder> encoder = ProcessEncoder::Start(cmdline, source.rate, source.channels,
                                                             !(flags & ENCODE_NOHEAD), error);
    if (!encoder) return Fail(error, HENCODE{0});
    return Attach(source, std::move(encoder), flags);
}

BOOL Encode_Write(DWORD handle, const void* buffer, DWORD length) {
    const auto entries = EncoderRegistry::Get().Find(handle);
    if (entries.empty()) return Fail(ERROR_HANDLE, 0);
    if (length > 0 && !buffer) return Fail(ERROR_ILLPARAM, 0);
    bool ok = true;
    for (const auto& e : entries)
        if (!e.encoder->Write(buffer, length)) ok = false;
    return ok ? Succeed(1) : Fail(ERROR_ENDED, 0);
}

BOOL Encode_Stop(DWORD handle) {
    bool delivered = false;
    if (!EncoderRegistry::Get().Stop(handle, delivered)) return Fail(ERROR_HANDLE, 0);
    return delivered ? Succeed(1) : Fail(ERROR_ENDED, 0);
}

DWORD Encode_IsActive(DWORD handle) {
    const auto entries = EncoderRegistry::Get().Find(handle);
    if (entries.empty()) return Fail(ERROR_HANDLE, DWORD{0});
    const bool alive = std::any_of(entries.begin(), entries.end(),
                                   [](const auto& e) { return e.encoder->Alive(); });
    return Succeed(DWORD{alive ? 1u : 0u});
}

void Encode_SetACMChooser(ACMCHOOSERPROC* proc, void* user) {
    Chooser& chooser = TheChooser();
    std::lock_guard lock(chooser.mutex);
    chooser.proc = proc;
    chooser.user = user;
}

DWORD Encode_GetACMFormat(DWORD handle, void* form, DWORD formlen, const char* title, DWORD flags) {
    if (formlen == 0) return Succeed(DWORD{sizeof(MPEGLAYER3WAVEFORMAT)});
    const SourceFormat source = SourceOf(handle);
    if (!source.channel) return 0;
    if (!form || formlen < sizeof(MPEGLAYER3WAVEFORMAT)) return Fail(ERROR_ILLPARAM, DWORD{0});
    const DWORD tag = flags >> 16;
    if (tag != 0 && tag != WAVE_FORMAT_MPEGLAYER3) return Fail(ERROR_NOTAVAIL, DWORD{0});

    std::vector<ACMFORMATCHOICE> formats;
    if (flags & ACM_CHANS) {
        if (source.channels == 1 || source.channels == 2)
            formats = Mp3Formats(static_cast<DWORD>(source.channels));
    } else {
        formats = Mp3Formats(1);
        const auto stereo = Mp3Formats(2);
        formats.insert(formats.end(), stereo.begin(), stereo.end());
        std::stable_sort(formats.begin(), formats.end(), [](const auto& a, const auto& b) {
            return a.freq != b.freq ? a.freq < b.freq : a.bitrate < b.bitrate;
        });
    }
    if (formats.empty()) return Fail(ERROR_NOTAVAIL, DWORD{0});

    ACMCHOOSERPROC* proc;
    void* user;
    {
        Chooser& chooser = TheChooser();
        std::lock_guard lock(chooser.mutex);
        proc = chooser.proc;
        user = chooser.user;
    }
    if (!proc) return Fail(ERROR_NOTAVAIL, DWORD{0});
    const int count = static_cast<int>(formats.size());
    const int chosen = proc(title, formats.data(), count, static_cast<DWORD>(source.rate), user);
    if (chosen < 0 || chosen >= count) return Fail(ERROR_ACM_CANCEL, DWORD{0});
    const MPEGLAYER3WAVEFORMAT format = Mp3WaveFormat(formats[static_cast<std::size_t>(chosen)]);
    std::memcpy(form, &format, sizeof format);
    return Succeed(DWORD{sizeof format});
}

HENCODE Encode_StartACMFile(DWORD handle, const void* form, DWORD flags, const char* file) {
    const SourceFormat source = SourceOf(handle);
    if (!source.channel) return 0;
    if (!form) return Fail(ERROR_CODEC, HENCODE{0});
    if (!file) return Fail(ERROR_CREATE, HENCODE{0});
    WAVEFORMATEX wfx;
    std::memcpy(&wfx, form, sizeof wfx);
    if (wfx.wFormatTag != WAVE_FORMAT_MPEGLAYER3) return Fail(ERROR_CODEC, HENCODE{0});
    const ACMFORMATCHOICE format{wfx.nSamplesPerSec, wfx.nChannels, wfx.nAvgBytesPerSec * 8};
    int error = ERROR_OK;
    std::shared_ptr<Encoder> encoder = Mp3FileEncoder::Start(format, source.rate, source.channels,
                                                             !(flags & ENCODE_NOHEAD), file, error);
    if (!encoder) return Fail(error, HENCODE{0});
    return Attach(source, std::move(encoder), flags);
}

}  // namespace audio
