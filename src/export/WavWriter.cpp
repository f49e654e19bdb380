#include "export/WavWriter.h"

#include <cstdio>
#include <cstring>

#include "engine/PlaybackEngine.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

namespace {

void PutLe(unsigned char* at, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// The 44-byte header with both sizes 0, to be patched once the data is written.
void FillHeader(unsigned char* header, const audio::CHANNELINFO& info) {
    const std::uint32_t bits = (info.flags & audio::SAMPLE_8BITS) ? 8 : 16;
    const std::uint32_t blockAlign = info.chans * bits / 8;
    std::memcpy(header, "RIFF\0\0\0\0WAVEfmt ", 16);
    PutLe(header + 16, 16, 4);
    PutLe(header + 20, 1, 2);  // PCM
    PutLe(header + 22, info.chans, 2);
    PutLe(header + 24, info.freq, 4);
    PutLe(header + 28, blockAlign * info.freq, 4);
    PutLe(header + 32, blockAlign, 2);
    PutLe(header + 34, bits, 2);
    std::memcpy(header + 36, "data\0\0\0\0", 8);
}

void PatchSize(std::FILE* file, long offset, std::uint32_t value) {
    unsigned char bytes[4];
    PutLe(bytes, value, 4);
    std::fseek(file, offset, SEEK_SET);
    std::fwrite(bytes, 1, 4, file);
    std::fflush(file);
}

}  // namespace

bool SaveWav(CPlaybackEngine& engine, const std::string& destination,
             const RenderChain::ApplyEq& applyEq) {
    RenderChain chain(engine);
    if (!chain.Open(destination, {43, 44})) return false;
    chain.Configure(CurrentRenderSettings(engine), applyEq);

    std::FILE* file = std::fopen(destination.c_str(), "wb");
    if (!file) {
        ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), destination.c_str());
        chain.Close(false);
        return false;
    }
    audio::CHANNELINFO info{};
    audio::ChannelGetInfo(chain.Stream(), &info);
    unsigned char header[44];
    FillHeader(header, info);
    bool bWritten = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    bWritten = bWritten && chain.Pull([&](const char* bytes, std::size_t count) {
        return std::fwrite(bytes, 1, count, file) == count;
    });

    bWritten = std::fflush(file) == 0 && bWritten;
    const long size = std::ftell(file);
    // Sizes past 4 GB do not fit the format's fields: they wrap, as every reader expects.
    PatchSize(file, 4, static_cast<std::uint32_t>(size - 8));
    PatchSize(file, 40, static_cast<std::uint32_t>(size - 44));
    bWritten = std::fclose(file) == 0 && bWritten;
    // A full disk must not pass for a saved file, nor cost the song it was saved over.
    if (!bWritten)
        ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(45), destination.c_str());
    chain.Close(bWritten);
    return bWritten;
}
