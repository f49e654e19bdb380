#include "cdrip/QuorvelRipTrackProgressDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "cdrip/CdWavFile.h"
#include "engine/PlaybackEngine.h"
#include "export/EncoderWriters.h"
#include "export/QuorvelBitrateDlg.h"
#include "export/SongSetAside.h"
#include "lang/LanguageText.h"
#include "ui/MessageText.h"
#include "ui/QtText.h"
#include "ui/ShowMessage.h"
#include "ui/UserMessage.h"

namespace {

using ui::ControlKind;
using ui::DialogItem;

constexpr DialogItem kItems[] = {
    // Not the default button: Enter must not end a rip by accident (Escape does, on purpose).
    {QuorvelRipTrackProgressDlg::IDC_RIP_CANCEL, ControlKind::PushButton, "Cancel", 127, 63, 50, 14,
     0},
    {QuorvelRipTrackProgressDlg::IDC_RIP_STATUS, ControlKind::StaticText, "Saving:", 7, 7, 290, 8,
     ui::kCentred | ui::kEndEllipsis},
    {QuorvelRipTrackProgressDlg::IDC_RIP_PERCENT, ControlKind::StaticText, "100%", 7, 20, 290, 8,
     ui::kCentred},
    {QuorvelRipTrackProgressDlg::IDC_RIP_PROGRESS, ControlKind::ProgressBar, "", 7, 35, 290, 14, 0},
};

constexpr ui::DialogTemplate kTemplate{
    QuorvelRipTrackProgressDlg::IDD, 304, 84, "DejaVu Sans Condensed", 8, 400, false, kItems,
};

// MPEG Layer-3 formats (tag 0x55 in the high word) for the track's two channels.
constexpr audio::DWORD kMp3ChooserFlags =
    (audio::DWORD{audio::WAVE_FORMAT_MPEGLAYER3} << 16) | audio::ACM_CHANS;

// How a sink's opening went.
enum class Opened {
    Ready,    // blocks may come
    Skip,     // a failure was shown: no blocks, but the closing steps run
    Abandon,  // a failure was shown: the window closes at once
};

}  // namespace

// Where the track's blocks go: one per output kind.
class QuorvelRipTrackProgressDlg::Sink {
public:
    explicit Sink(QuorvelRipTrackProgressDlg& dlg) : m_dlg(dlg) {}
    virtual ~Sink() = default;
    // Asked before anything else (the bitrate chooser); false ends the conversion quietly.
    virtual bool Prepare() { return true; }
    virtual Opened Open(audio::HSTREAM stream) = 0;
    // False ends the reading (after its message).
    virtual bool Write(const char* bytes, audio::DWORD count) = 0;
    // Finishes the file; false when it is not whole.
    virtual bool Close() = 0;

protected:
    QWidget* Owner() const { return &m_dlg; }
    const std::string& Destination() const { return m_dlg.m_strDestination; }
    const std::string& ExtraOption() const { return m_dlg.m_strExtraOption; }
    QuorvelRipTrackProgressDlg& m_dlg;
};

class QuorvelRipTrackProgressDlg::WavSink final : public Sink {
public:
    using Sink::Sink;
    Opened Open(audio::HSTREAM) override {
        if (!m_file.Open(Destination())) {
            ShowMessage(Owner(), "Quorvel", MB_OK, "%s", GetLanguageText(56));
            return Opened::Abandon;
        }
        if (m_file.WriteError() != 0) {
            ReportWriteError();
            return Opened::Skip;
        }
        return Opened::Ready;
    }
    bool Write(const char* bytes, audio::DWORD count) override {
        if (m_file.Write(bytes, count)) return true;
        ReportWriteError();
        return false;
    }
    bool Close() override { return m_file.Close() && m_file.WriteError() == 0; }

private:
    void ReportWriteError() {
        const int error = m_file.WriteError();
        ShowMessage(Owner(), "Quorvel", MB_ICONHAND | MB_SYSTEMMODAL, GetLanguageText(115), error,
                    std::strerror(error));
    }
    CCdWavFile m_file;
};

class QuorvelRipTrackProgressDlg::Mp3Sink final : public Sink {
public:
    using Sink::Sink;
    Opened Open(audio::HSTREAM stream) override {
        m_stream = stream;
        std::vector<char> format(audio::Encode_GetACMFormat(0, nullptr, 0, nullptr, 0), 0);
        const audio::DWORD used =
            format.empty() ? 0
                           : audio::Encode_GetACMFormat(stream, format.data(),
                                                        static_cast<audio::DWORD>(format.size()),
                                                        nullptr, kMp3ChooserFlags);
        if (!used) {
            const int code = audio::ErrorGetCode();
            ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(61), code);
            return Opened::Skip;
        }
        // Not paused: the track reaches the encoder unchanged as it is read.
        m_encoder = audio::Encode_StartACMFile(stream, format.data(),
                                               audio::ENCODE_NOHEAD | audio::ENCODE_AUTOFREE,
                                               Destination().c_str());
        if (!m_encoder) {
            const int code = audio::ErrorGetCode();
            ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(60), code);
            return Opened::Skip;
        }
        return Opened::Ready;
    }
    bool Write(const char*, audio::DWORD) override {
        if (audio::Encode_IsActive(m_encoder)) return true;
        ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(60), audio::ERROR_ENDED);
        return false;
    }
    bool Close() override { return m_encoder && audio::Encode_Stop(m_encoder) != 0; }

private:
    audio::HSTREAM m_stream = 0;
    audio::HENCODE m_encoder = 0;
};

class QuorvelRipTrackProgressDlg::AacSink final : public Sink {
public:
    using Sink::Sink;
    bool Prepare() override {
        QuorvelBitrateDlg chooser(kBitrateListAac, Owner());
        if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE || !chooser.m_pszOptions)
            return false;
        m_strOptions = chooser.m_pszOptions;
        return true;
    }
    Opened Open(audio::HSTREAM stream) override {
        const std::string command =
            FaacCommandLine(m_strOptions.c_str(), ExtraOption(), Destination());
        m_encoder =
            audio::Encode_Start(stream, command.c_str(),
                                audio::ENCODE_PAUSE | audio::ENCODE_AUTOFREE, nullptr, nullptr);
        if (!m_encoder) {
            const int code = audio::ErrorGetCode();
            ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(63), code);
            return Opened::Skip;
        }
        return Opened::Ready;
    }
    bool Write(const char* bytes, audio::DWORD count) override {
        if (audio::Encode_Write(m_encoder, bytes, count)) return true;
        const int code = audio::ErrorGetCode();
        ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(63), code);
        return false;
    }
    bool Close() override { return m_encoder && audio::Encode_Stop(m_encoder) != 0; }

private:
    std::string m_strOptions;
    audio::HENCODE m_encoder = 0;
};

class QuorvelRipTrackProgressDlg::WmaSink final : public Sink {
public:
    using Sink::Sink;
    bool Prepare() override {
        QuorvelBitrateDlg chooser(kBitrateListWma, Owner());
        if (RunBitrateDialog(chooser) != QuorvelBitrateDlg::IDOK_BITRATE) return false;
        m_nBitrate = static_cast<audio::DWORD>(chooser.m_nBitrate);
        return true;
    }
    Opened Open(audio::HSTREAM) override {
        m_encoder = audio::WMA_EncodeOpenFile(44100, 2, audio::WMA_ENCODE_STANDARD, m_nBitrate,
                                              Destination().c_str());
        if (!m_encoder) {
            const int code = audio::ErrorGetCode();
            ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(65), code);
            return Opened::Skip;
        }
        return Opened::Ready;
    }
    bool Write(const char* bytes, audio::DWORD count) override {
        if (audio::WMA_EncodeWrite(m_encoder, bytes, count)) return true;
        const int code = audio::ErrorGetCode();
        ShowMessage(Owner(), "Quorvel", MB_OK, GetLanguageText(65), code);
        return false;
    }
    bool Close() override { return m_encoder && audio::WMA_EncodeClose(m_encoder) != 0; }

private:
    audio::DWORD m_nBitrate = 0;
    audio::HWMENCODE m_encoder = 0;
};

QuorvelRipTrackProgressDlg::QuorvelRipTrackProgressDlg(std::string source, std::string destination,
                                                       int nOutputKind, QWidget* owner,
                                                       CPlaybackEngine* engine)
    : ui::CTemplateDialog(kTemplate, owner,
                          Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      m_strSource(std::move(source)),
      m_strDestination(std::move(destination)),
      m_nOutputKind(nOutputKind),
      m_pEngine(engine) {
    setWindowTitle(QStringLiteral("Rip Track Progress"));
}

QProgressBar* QuorvelRipTrackProgressDlg::ProgressBar() const {
    return GetDlgItem<QProgressBar>(IDC_RIP_PROGRESS);
}

int QuorvelRipTrackProgressDlg::ConversionMessage() const {
    switch (m_nOutputKind) {
        case kOutputWav:
            return WM_RIP_WAV;
        case kOutputMp3:
            return WM_RIP_MP3;
        case kOutputAac:
        case kOutputMp4:
        case kOutputM4a:
            return WM_RIP_AAC;
        default:
            return WM_RIP_WMA;
    }
}

bool QuorvelRipTrackProgressDlg::OnInitDialog() {
    m_layout.Apply(this, Template(), 96);
    setFixedSize(size());
    // On screen before any work starts, and modal from the start: shown before the modal run,
    // it would otherwise stay an ordinary window, and the rip dialog and the main window would
    // take clicks in the middle of the rip.
    setWindowModality(Qt::ApplicationModal);
    show();
    if (QProgressBar* bar = ProgressBar()) {
        bar->setRange(0, 1000);
        bar->setValue(0);
        bar->setTextVisible(false);
    }
    m_strExtraOption = m_nOutputKind == kOutputMp4 || m_nOutputKind == kOutputM4a ? "-w" : "";
    ui::PostUserMessage(this, ConversionMessage());
    setWindowTitle(ui::ToQtText(GetLanguageText(83)));
    SetStatus(IDC_RIP_STATUS, GetLanguageText(85));
    if (QWidget* cancel = GetDlgItem(IDC_RIP_CANCEL))
        cancel->setProperty("text", ui::ToQtText(GetLanguageText(84)));
    return true;
}

void QuorvelRipTrackProgressDlg::OnCommand(int id, int /*notifyCode*/) {
    if (id == IDC_RIP_CANCEL) m_bCancel = true;
}

void QuorvelRipTrackProgressDlg::reject() {
    m_bCancel = true;
}

void QuorvelRipTrackProgressDlg::closeEvent(QCloseEvent* event) {
    // There is no close box; a close asked for by the desktop is a cancel.
    m_bCancel = true;
    event->ignore();
}

void QuorvelRipTrackProgressDlg::OnUserMessage(int n, quintptr, qintptr) {
    switch (n) {
        case WM_RIP_WAV: {
            WavSink sink(*this);
            Convert(sink, 55);
            break;
        }
        case WM_RIP_MP3: {
            Mp3Sink sink(*this);
            Convert(sink, 59);
            break;
        }
        case WM_RIP_AAC: {
            AacSink sink(*this);
            Convert(sink, 62);
            break;
        }
        case WM_RIP_WMA: {
            WmaSink sink(*this);
            Convert(sink, 64);
            break;
        }
        default:
            break;
    }
}

void QuorvelRipTrackProgressDlg::SetStatus(int id, const std::string& text) {
    if (QWidget* label = GetDlgItem(id)) {
        label->setProperty("text", ui::ToQtText(text));
        label->repaint();
    }
}

void QuorvelRipTrackProgressDlg::PumpMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QuorvelRipTrackProgressDlg::Finish() {
    done(0);
}

void QuorvelRipTrackProgressDlg::Convert(Sink& sink, int nOpenMessage) {
    if (!sink.Prepare()) return Finish();
    SetStatus(IDC_RIP_STATUS, FormatMessageText(GetLanguageText(106), m_strSource.c_str()));
    SetStatus(IDC_RIP_PERCENT, "---");

    const audio::HSTREAM stream =
        audio::CD_StreamCreateFile(m_strSource.c_str(), audio::STREAM_DECODE);
    if (!stream) {
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(nOpenMessage), m_strSource.c_str());
        return Finish();
    }
    const audio::QWORD length = audio::ChannelGetLength(stream);

    // Writing over the loaded song would cut it under the player: it is moved aside first.
    std::optional<CSongSetAside> aside;
    if (m_pEngine) {
        aside.emplace(*m_pEngine);
        if (!aside->SetAsideFor(m_strDestination)) {
            audio::StreamFree(stream);
            return Finish();
        }
    }

    const Opened opened = sink.Open(stream);
    if (opened == Opened::Abandon) {
        audio::StreamFree(stream);
        return Finish();  // the set-aside song goes back as it leaves
    }
    bool bFailed = opened != Opened::Ready;
    std::vector<char> block(kBlockBytes);
    bool bFirst = true;
    while (!bFailed && !m_bCancel && audio::ChannelIsActive(stream) != audio::ACTIVE_STOPPED) {
        const audio::DWORD n = audio::ChannelGetData(stream, block.data(), kBlockBytes);
        // A read that reports an error (or nothing) ends the rip; it is never a byte count.
        if (n == audio::DWORD(-1) || n == 0) break;
        if (!sink.Write(block.data(), n)) {
            bFailed = true;
            break;
        }
        const audio::QWORD position = audio::ChannelGetPosition(stream);
        if (bFirst) {
            SetStatus(IDC_RIP_STATUS,
                      FormatMessageText(GetLanguageText(107), m_strDestination.c_str()));
            bFirst = false;
        }
        const float percent =
            length > 0 ? static_cast<float>(double(position) * 100.0 / double(length)) : 100.0f;
        SetStatus(IDC_RIP_PERCENT,
                  FormatMessageText(GetLanguageText(108), static_cast<double>(percent)));
        if (QProgressBar* bar = ProgressBar()) bar->setValue(static_cast<int>(percent * 10));
        PumpMessages();
    }
    const bool bClosed = sink.Close();
    // Sectors the disc would not give, even after the retries, are silence in the file.
    const audio::QWORD unreadable = audio::CD_StreamGetUnreadable(stream);
    const double unreadableSeconds =
        unreadable != audio::QWORD(-1) ? audio::ChannelBytes2Seconds(stream, unreadable) : 0.0;
    audio::StreamFree(stream);
    // Only a whole track replaces a song it was written over; otherwise the song comes back.
    if (aside) aside->Finish(bClosed && !bFailed && !m_bCancel);
    SetStatus(IDC_RIP_PERCENT, "Done!");
    if (unreadableSeconds > 0)
        ShowMessage(this, "Quorvel", MB_OK, GetLanguageText(124), unreadableSeconds);
    Finish();
}

void RunRipTrackProgress(const std::string& source, const std::string& destination, int nOutputKind,
                         QWidget* owner, CPlaybackEngine* engine) {
    QuorvelRipTrackProgressDlg dialog(source, destination, nOutputKind, owner, engine);
    dialog.DoModal();
}
