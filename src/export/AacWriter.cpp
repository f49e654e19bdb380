#include "engine/PlaybackEngine.h"
#include "export/EncoderWriters.h"
#include "export/QuorvelBitrateDlg.h"
#include "export/RenderChain.h"
#include "lang/LanguageText.h"
#include "ui/ShowMessage.h"

std::string FaacCommandLine(const char* options, const std::string& extraOption,
                            const std::string& destination) {
    std::string quoted;
    for (char c : destination) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return "faac " + std::string(options) + " " + extraOption + " -o \"" + quoted + "\" -";
}

bool SaveAac(CPlaybackEngine& engine, const std::string& destination,
             const std::string& extraOption) {
    RenderChain chain(engine);
    if (!chain.SetSongAside(destination)) return false;
    QuorvelBitrateDlg chooser(kBitrateListAac, engine.Window());
    if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE || !chooser.m_pszOptions)
        return false;
    if (!chain.CreateStreams({49, 50, true})) return false;

    const std::string command = FaacCommandLine(chooser.m_pszOptions, extraOption, destination);
    const audio::HENCODE encoder = audio::Encode_Start(
        chain.Stream(), command.c_str(), audio::ENCODE_PAUSE | audio::ENCODE_AUTOFREE, nullptr,
        nullptr);
    bool bWritten = false;
    if (!encoder) {
        const int code = audio::ErrorGetCode();
        ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(51), code);
    } else {
        chain.Configure(CurrentRenderSettings(engine), nullptr);
        const bool bPulled = chain.Pull([&](const char* bytes, std::size_t count) {
            return audio::Encode_Write(encoder, bytes, static_cast<audio::DWORD>(count)) != 0;
        });
        // The program finishes the file; it may also have failed to write it.
        const bool bFinished = audio::Encode_Stop(encoder) != 0;
        bWritten = bPulled && bFinished;
        if (!bWritten) {
            // The encoder gave up halfway: the file is not what was asked for.
            ShowMessage(engine.Window(), "Quorvel", MB_OK, GetLanguageText(51), audio::ERROR_ENDED);
        }
    }
    chain.Close(bWritten);
    return bWritten;
}
