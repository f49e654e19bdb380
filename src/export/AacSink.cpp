#include "export/AacSink.h"

#include "export/QuorvelBitrateDlg.h"

std::string FaacCommandLine(const char* options, const std::string& extraOption,
                            const std::string& destination) {
    std::string quoted;
    for (char c : destination) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return "faac " + std::string(options) + " " + extraOption + " -o \"" + quoted + "\" -";
}

CAacSink::CAacSink(std::string destination, SinkMessages messages, std::string extraOption)
    : CEncodeSink(std::move(destination), messages), m_strExtraOption(std::move(extraOption)) {}

bool CAacSink::Prepare() {
    QuorvelBitrateDlg chooser(kBitrateListAac, Owner());
    if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE || !chooser.m_pszOptions)
        return false;
    m_strOptions = chooser.m_pszOptions;
    return true;
}

SinkOpened CAacSink::Open(audio::HSTREAM stream) {
    const std::string command =
        FaacCommandLine(m_strOptions.c_str(), m_strExtraOption, Destination());
    m_encoder = audio::Encode_Start(stream, command.c_str(),
                                    audio::ENCODE_PAUSE | audio::ENCODE_AUTOFREE, nullptr, nullptr);
    if (!m_encoder) {
        Report(Messages().openFailed, audio::ErrorGetCode());
        return SinkOpened::Skip;
    }
    return SinkOpened::Ready;
}

bool CAacSink::Write(const char* bytes, std::size_t count) {
    if (audio::Encode_Write(m_encoder, bytes, static_cast<audio::DWORD>(count))) return true;
    // The program gave up halfway: the file is not what was asked for.
    Report(Messages().writeFailed, audio::ErrorGetCode());
    return false;
}

bool CAacSink::Close() {
    if (!m_encoder) return false;
    // The program finishes the file; it may also fail to.
    const bool bFinished = audio::Encode_Stop(m_encoder) != 0;
    if (!bFinished) Report(Messages().writeFailed, audio::ErrorGetCode());
    m_encoder = 0;
    return bFinished;
}
