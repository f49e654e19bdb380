#pragma once

#include <optional>
#include <string>

#include "ui/TemplateDialog.h"

class CPlaybackEngine;
namespace ui {
class CComboBox;
class CListBox;
}  // namespace ui

// The Rip CD Track dialog (dialog 314): the CD drives ("<device> - <label>", "[EMPTY]" without
// a labelled disc; item data the drive number) and the audio tracks of the chosen drive's disc
// ("Track01.cda" ..., with the disc's own numbers). Rip Track asks where to save the selected
// track and converts it in the progress window; the dialog stays open for the next track until
// Close.
class QuorvelRipCDTrackDlg : public ui::CTemplateDialog {
    Q_OBJECT
public:
    static constexpr int IDD = 314;
    static constexpr int IDC_DRIVE_LIST = 750;
    static constexpr int IDC_TRACK_LIST = 751;
    static constexpr int IDC_RIP_TRACK = 752;
    static constexpr int IDC_RIP_CLOSE = 781;
    static constexpr int IDC_DRIVE_LABEL = 509;
    static constexpr int IDC_TRACK_LABEL = 510;

    // `engine` is handed on to the progress window (see QuorvelRipTrackProgressDlg).
    explicit QuorvelRipCDTrackDlg(QWidget* owner, CPlaybackEngine* engine = nullptr);

    ui::CComboBox* DriveList() const { return m_pDrives; }
    ui::CListBox* TrackList() const { return m_pTracks; }

    void FillTrackList();
    void OnRipTrack();

protected:
    bool OnInitDialog() override;
    void OnCommand(int id, int notifyCode) override;

private:
    // The save box for the track at `sourcePath`; the seam to the common save box.
    std::optional<std::string> AskDestination(const std::string& sourcePath,
                                              const std::string& proposedName);

    ui::CComboBox* m_pDrives = nullptr;
    ui::CListBox* m_pTracks = nullptr;
    CPlaybackEngine* m_pEngine;
};

// The output kind a destination's name picks: the first of ".mp3" (5), ".aac" (2), ".mp4" (3),
// ".m4a" (4), ".wma" (6) found anywhere in it without regard to case, else 1 (WAV).
int OutputKindFor(const std::string& destination);
