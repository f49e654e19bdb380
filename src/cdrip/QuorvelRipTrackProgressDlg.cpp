#include "cdrip/QuorvelRipTrackProgressDlg.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <optional>
#include <vector>

#include "engine/PlaybackEngine.h"
#include "export/AacSink.h"
#include "export/Mp3Sink.h"
#include "export/SongSetAside.h"
#include "export/WavSink.h"
#include "export/WmaSink.h"
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

}  // namespace

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
    using Argument = SinkMessage::Argument;
    // Each conversion's failure texts: a file or encoder that cannot be opened, a block or the
    // file's end that cannot be written.
    const auto encoderTexts = [this](int nText) {
        return SinkMessages{this, {nText, Argument::ErrorCode}, {nText, Argument::ErrorCode}, {}};
    };
    switch (n) {
        case WM_RIP_WAV: {
            CWavSink sink(m_strDestination,
                          {this,
                           {56, Argument::None},
                           {115, Argument::ErrorNumber, MB_ICONHAND | MB_SYSTEMMODAL},
                           {}});
            Convert(sink, 55);
            break;
        }
        case WM_RIP_MP3: {
            SinkMessages messages = encoderTexts(60);
            messages.formatNotChosen = {61, Argument::ErrorCode};
            // The track is not changed: reading it feeds the encoder.
            CMp3Sink sink(m_strDestination, messages, CMp3Sink::Feed::ByStream);
            Convert(sink, 59);
            break;
        }
        case WM_RIP_AAC: {
            CAacSink sink(m_strDestination, encoderTexts(63), m_strExtraOption);
            Convert(sink, 62);
            break;
        }
        case WM_RIP_WMA: {
            CWmaSink sink(m_strDestination, encoderTexts(65));
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

void QuorvelRipTrackProgressDlg::Convert(CEncodeSink& sink, int nOpenMessage) {
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

    const SinkOpened opened = sink.Open(stream);
    if (opened == SinkOpened::Abandon) {
        audio::StreamFree(stream);
        return Finish();  // the set-aside song goes back as it leaves
    }
    bool bFailed = opened != SinkOpened::Ready;
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
