#pragma once

#include <string>

#include "audio/Audio.h"
#include "ui/TemplateDialog.h"

class CEncodeSink;
class CPlaybackEngine;
class QProgressBar;

// What a rip writes, from the destination's name: 1 WAV, 2 AAC, 3 MP4, 4 M4A, 5 MP3, 6 WMA.
enum OutputKind { kOutputWav = 1, kOutputAac, kOutputMp4, kOutputM4a, kOutputMp3, kOutputWma };

// The Rip Track Progress window (dialog 315): converts one CD track, named by its track file,
// unchanged into a WAV, MP3, AAC, MP4, M4A or WMA file, with a progress bar and Cancel. The
// conversion starts from the window's own modal loop, reads the track in blocks of 20 000 bytes
// and lets the user interface run between blocks; the window closes itself when it ends.
// Whatever was written stays on disk as a whole, shorter file after a cancel or a failure. Sectors
// that cannot be read are silence in the file, and their length is told once the rip is over.
class QuorvelRipTrackProgressDlg : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 315;
    static constexpr int IDC_RIP_PROGRESS = 760;
    static constexpr int IDC_RIP_CANCEL = 761;
    static constexpr int IDC_RIP_PERCENT = 762;
    static constexpr int IDC_RIP_STATUS = 763;

    static constexpr int WM_RIP_WAV = 101;
    static constexpr int WM_RIP_MP3 = 102;
    static constexpr int WM_RIP_AAC = 103;
    static constexpr int WM_RIP_WMA = 106;

    static constexpr audio::DWORD kBlockBytes = 20000;

    // `engine`, when given, is the player whose loaded song a destination may name: that song
    // is set aside while the track is written over it, instead of being cut under the player.
    QuorvelRipTrackProgressDlg(std::string source, std::string destination, int nOutputKind,
                               QWidget* owner, CPlaybackEngine* engine = nullptr);

    QProgressBar* ProgressBar() const;
    bool Cancelled() const { return m_bCancel; }
    const std::string& ExtraOption() const { return m_strExtraOption; }
    // The private message posted for the output kind.
    int ConversionMessage() const;

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;
    void OnUserMessage(int n, quintptr wParam, qintptr lParam) override;
    void reject() override;  // Escape cancels the rip; it never leaves the loop half way
    void closeEvent(QCloseEvent* event) override;

private:
    void Convert(CEncodeSink& sink, int nOpenMessage);
    void SetStatus(int id, const std::string& text);
    void PumpMessages();
    void Finish();

    std::string m_strSource;
    std::string m_strDestination;
    std::string m_strExtraOption;
    bool m_bCancel = false;
    int m_nOutputKind;
    CPlaybackEngine* m_pEngine;
};

// Runs the progress window modally for one conversion.
void RunRipTrackProgress(const std::string& source, const std::string& destination, int nOutputKind,
                         QWidget* owner, CPlaybackEngine* engine = nullptr);
